#pragma once

#include "dsp/trhythmanalyser.h"
#include "storage/alarmlog.h"
#include "storage/sessiondata.h"
#include "storage/stsessiondata.h"
#include "storage/tfilesignal.h"

#include <QString>
#include <QVector>

#include <memory>

class SessionClock;

struct SessionEvent
{
    int timeOffset = 0; // whole seconds from the session's start
    QString description;
    bool print = false; // its ECG strip goes into the session report
};

// One blood-pressure reading.
struct Checkpoint
{
    double timeOffset = 0.0; // seconds of recording when it was entered
    int heartRate = 0, sysBP = 0, diaBP = 0;
};

enum CheckpointPhase { PhaseBasal = 1, PhaseIntraExercise = 2, PhasePostExercise = 3 };

// A session with its per-second trends, events, checkpoints and recording.
class MonitorSession : public SessionData
{
public:
    explicit MonitorSession(const SessionData &data);
    ~MonitorSession();

    MonitorSession(const MonitorSession &) = delete;
    MonitorSession &operator=(const MonitorSession &) = delete;

    TFileSignal *recording() const;
    void setRecording(std::unique_ptr<TFileSignal> recording);

    QVector<int> hrTrend, spo2Trend;
    QVector<double> tempTrend;
    // Ventricular premature beats per second of the recording; empty for a
    // session recorded without beat labels.
    QVector<int> pvcTrend;
    // The ST-segment trend; not analysed for sessions recorded without it.
    StSessionData stTrend;
    QVector<SessionEvent> events;
    // Every alarm's onset, acknowledgement and end, in order.
    QVector<AlarmLogEntry> alarmLog;
    // The judged rhythm, episode by episode in order, in sample indices of
    // the recording (250/s); rhythmAnalysed is false for a session recorded
    // without the judgement (its file has no rhythm).
    bool rhythmAnalysed = false;
    QVector<RhythmEpisode> rhythmEpisodes;

    // From now on the session's elapsed time is what this clock (not owned,
    // outliving the session) sees pass; the start date-time stays as it is.
    void startClock(const SessionClock &clock);
    // Whole seconds since the start: from the session's clock once it has
    // one, otherwise from the wall clock; never below 0.
    qint64 elapsedSeconds() const;
    // The same in milliseconds.
    qint64 elapsedMs() const;
    // True once startClock() gave the session a clock of its own.
    bool hasClock() const { return m_clock != nullptr; }
    // Appends an event stamped with elapsedSeconds().
    void addEvent(const QString &description);
    // phase 1..3; other phases are ignored.
    void setCheckpoint(int phase, const Checkpoint &checkpoint);
    // phase 1..3; a zero checkpoint for other phases.
    Checkpoint checkpoint(int phase) const;

    int lastHeartRate() const;
    int lastSpo2() const;
    double lastTemperature() const;

    static QString phaseName(int phase);   // "Basal", "IntraExercise", "PostExercise"; empty otherwise
    static int phaseFromName(const QString &name); // 1..3, 0 for an unknown name

private:
    std::unique_ptr<TFileSignal> m_recording;
    Checkpoint m_checkpoints[3];
    const SessionClock *m_clock = nullptr;
    qint64 m_clockStartMs = 0;
};
