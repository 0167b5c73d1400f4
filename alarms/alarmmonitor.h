#pragma once

#include "alarms/alarmaudio.h"
#include "alarms/alarmectopy.h"
#include "alarms/alarmengine.h"

#include <QObject>
#include <QTimer>
#include <QVector>

#include <functional>
#include <map>
#include <memory>

class ISource;
class MonitorSession;
class Recorder;
struct PolledSamples;

// The alarms of one monitoring window: an engine per patient fed from the
// recorder's polls, the source's link and battery, the session's heart rate
// and the patient's beat labels (a classifier per patient, whose ventricular
// beats are also counted into the session's PVC trend, one entry a second);
// each onset, acknowledgement and end added to the patient's alarm log;
// acknowledgement per patient, the audio pause and the one sound of the
// station. Evaluates every TickInterval ms once started, or at each tick()
// when the caller drives time itself (a replay as fast as it goes).
class AlarmMonitor : public QObject
{
    Q_OBJECT

public:
    // Monotonic milliseconds.
    using Clock = std::function<qint64()>;
    static constexpr int TickInterval = 100;

    // Without a clock, a monotonic timer started now.
    explicit AlarmMonitor(Clock clock = Clock(), QObject *parent = nullptr);
    ~AlarmMonitor() override;

    void setSettings(const AlarmSettings &settings);
    const AlarmSettings &settings() const { return m_settings; }
    // Takes the samples and beats of every poll of the recorder.
    void watch(Recorder *recorder);
    void start();
    // Evaluates every patient now: the timer calls this.
    void tick();

    // The patient's acquisition starts or resumes on `source` (not owned),
    // feeding `session` (not owned), whose alarm log receives the entries.
    // A source without a link to lose (the simulated one) is not watched for it.
    void addPatient(int patientId, MonitorSession *session, ISource *source, bool linkWatched);
    // The patient stopped: its alarms end and stay quiet until it resumes.
    void stopPatient(int patientId);
    void stopAll();
    // The recording of the patient's ECG stopped (a failed write) or resumed.
    void setRecordingStopped(int patientId, bool stopped, const QString &reason = QString());

    void acknowledge(int patientId);
    // Silences every alarm for the configured audio-pause length.
    void pauseAudio();
    void endAudioPause();
    qint64 audioPauseRemainingMs() const;

    AlarmPriority sound() const { return m_sound; }
    struct ShownAlarm
    {
        int patientId = 0;
        AlarmCondition condition = AlarmCondition::Asystole;
        AlarmPriority priority = AlarmPriority::None;
        bool sounding = false;
    };
    // One per patient showing an alarm, its highest; highest priority first.
    QVector<ShownAlarm> shownAlarms() const;
    // Null for a patient never added.
    const AlarmEngine *engine(int patientId) const;
    // The patient's ventricular ectopy counted so far, kept after the stop;
    // null for a patient never added.
    const EctopyCounter *ectopyCounter(int patientId) const;

    // True while the patient is monitored and the ECG of the last seconds is
    // too noisy to measure a heart rate from.
    bool ecgTooNoisy(int patientId) const;

    // Ventricular beats (PVCs) of the patient in the last 60 s, sliding; -1
    // for a patient not monitored (never added, or stopped).
    int pvcPerMinute(int patientId) const;
    // The ventricular beats of the patient's last 10 s, oldest first, as
    // sample indices of the patient's recorded signal (as the live display
    // counts them: sample 0 is the first of the session, pauses filled), each
    // at the centre of its QRS complex; empty for a patient not monitored.
    QVector<qint64> recentVentricularBeats(int patientId) const;
    // The patient's ST level and its change from the session's reference;
    // nothing measured for a patient not monitored.
    StFigures stFigures(int patientId) const;
    // The nurse asks for a new ST reference: the last minute's level. False
    // when the patient is not monitored or too few beats were measured.
    bool setStReference(int patientId);
    // The patient's rhythm as judged now; Unanalysable for a patient not
    // monitored or not yet judged.
    RhythmLabel rhythm(int patientId) const;

signals:
    // The patient's alarm log grew: told once per tick or acknowledgement.
    // Whoever keeps the log connects first and saves it here, in the same
    // pass, before the entries are shown (the station's banner and line
    // follow this signal too, connected later) or printed (alarmLogged).
    void logChanged(int patientId);
    // Each new entry, after logChanged for it has been handled.
    void alarmLogged(int patientId, const AlarmLogEntry &entry);
    void soundChanged(AlarmPriority priority);
    // pvcPerMinute() or recentVentricularBeats() of the patient changed:
    // told at most once per tick, and when the patient stops.
    void ectopyChanged(int patientId);
    // stFigures() of the patient changed as shown (to a tenth of a
    // millimetre): told at most once per tick, and when the patient stops.
    void stChanged(int patientId);
    // The patient's rhythm changed: rhythm() tells the new one and the
    // session's rhythm episodes gained the one that ended (for saving).
    void rhythmChanged(int patientId);

private:
    struct Patient
    {
        AlarmEngine engine;
        MonitorSession *session = nullptr;
        ISource *source = nullptr;
        bool linkWatched = false;
        qint64 startTime = 0;   // the session's start on the monitor's clock
        AlarmEctopy ectopy;
        // What ectopyChanged last told: the count, the recent marks and the newest.
        int toldPvc = -1;
        int toldRecent = 0;
        qint64 toldNewest = -1;
        QString toldSt;
    };

    void onSamplesPolled(MonitorSession *session, const PolledSamples &polled);
    // Logs the events and tells of them; true when there were any.
    // Appends the events to the patient's log, then emits logChanged and
    // alarmLogged for each.
    void record(int patientId, Patient &patient, const QVector<AlarmEvent> &events);
    // Counts ventricular beats into the session's PVC trend and keeps the
    // trend as long as the heart-rate trend.
    static void countPvcs(MonitorSession &session, const QVector<VentricularBeat> &beats);
    // Moves the rhythm episodes that ended into the session's list, joining
    // an episode to the previous one of the same label that it continues;
    // true when there were any.
    static bool takeRhythm(MonitorSession &session, AlarmEctopy &ectopy);
    void tellEctopy(int patientId, Patient &patient, qint64 now);
    StFigures shownSt(const Patient &patient) const;
    void tellSt(int patientId, Patient &patient);
    void updateSound();

    Clock m_clock;
    AlarmSettings m_settings;
    std::map<int, Patient> m_patients;
    AudioPause m_pause;
    AlarmPriority m_sound = AlarmPriority::None;
    QTimer m_timer;
};

Q_DECLARE_METATYPE(AlarmPriority)
