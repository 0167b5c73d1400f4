#pragma once

#include "alarms/alarmbeatgate.h"
#include "alarms/alarmconditions.h"
#include "dsp/ecgquality.h"
#include "dsp/fibrillationdetector.h"
#include "storage/alarmlog.h"

#include <QString>
#include <QVector>

#include <array>
#include <deque>
#include <limits>
#include <utility>

// An onset, acknowledgement or end of one alarm of one patient.
struct AlarmEvent
{
    AlarmLogEntry::Kind kind = AlarmLogEntry::Onset;
    AlarmCondition condition = AlarmCondition::Asystole;
    qint64 time = 0;   // monotonic ms
    QString text;      // as shown at the onset
};

// One patient's alarms, fed from live data: the samples and beats of the
// station's detector, the per-second heart rate, the link and battery state of
// the source and the state of the recording. Every call takes the present
// time as monotonic milliseconds; the engine reads no clock. The per-sample
// work is a comparison and a counter; nothing is allocated while samples flow.
class AlarmEngine
{
public:
    static constexpr int SampleRate = 250;
    // A module sends 10-bit converter values less 256: -256 and 767 are its
    // rails. Anything beyond them (the 16-bit extremes of a replayed file) is
    // off the scale as well.
    static constexpr int RailLow = -256;
    static constexpr int RailHigh = 767;
    // Without a sample for this long the trace is not arriving.
    static constexpr qint64 SignalTimeoutMs = 1000;
    // Seconds of trace the heart rate stands for.
    static constexpr int RateSeconds = 4;
    static constexpr int RateIntervals = 5;
    // Beats kept for timing how long the heart has been beyond a limit: the
    // longest delay (30 s) at 250 bpm.
    static constexpr int KeptBeats = 128;

    explicit AlarmEngine(const AlarmSettings &settings = AlarmSettings());

    void setSettings(const AlarmSettings &settings) { m_settings = settings; }
    const AlarmSettings &settings() const { return m_settings; }

    // Acquisition begins (again) at `now` with a fresh beat detector: what
    // was known about the trace and the link is forgotten; alarms go on.
    void restart(qint64 now);
    // Samples as the beat detector took them at `now`, and the beats it
    // confirmed meanwhile as its own sample indices (counted from the first
    // sample after restart()).
    void addSamples(const short *samples, int count, const int *beats, int beatCount, qint64 now);
    void setHeartRate(int bpm) { m_heartRate = bpm; }
    void setEctopy(const EctopyFigures &ectopy) { m_ectopy = ectopy; }
    void setSt(bool deviating, double changeUv)
    {
        m_stDeviating = deviating;
        m_stChangeUv = changeUv;
    }
    void setAtrialFibrillation(bool present) { m_atrialFibrillation = present; }
    // The simulated source has no link to watch.
    void setLink(bool watched, bool up);
    void setBatteryVoltage(double volts);
    // The link's count of bad frames so far, as seen at `now`.
    void setBadFrames(qint64 total, qint64 now);
    void setRecordingStopped(bool stopped, const QString &reason = QString());
    // No alarm while the patient is stopped: active alarms end now and
    // latched ones clear.
    QVector<AlarmEvent> setStopped(bool stopped, qint64 now);
    bool isStopped() const { return m_stopped; }

    // Decides every condition at `now`: the onsets and ends it brings.
    QVector<AlarmEvent> update(qint64 now);
    // The clinician acknowledges this patient's alarms: each one shown and
    // not yet acknowledged is, and latched ones clear.
    QVector<AlarmEvent> acknowledge(qint64 now);

    // The highest priority of the alarms that call for the sound; None when none does.
    AlarmPriority soundingPriority() const;
    // The highest-priority alarm shown (active or latched); false when none.
    bool shownAlarm(AlarmCondition &condition) const;
    const AlarmTracker &tracker(AlarmCondition condition) const { return m_trackers[size_t(condition)]; }
    // The text the alarm had at its onset.
    QString onsetText(AlarmCondition condition) const { return m_texts[size_t(condition)]; }

    // Whether each stretch of the trace since restart() can be analysed.
    const EcgQuality &quality() const { return m_quality; }

    // What the conditions are decided from at `now`.
    AlarmInputs inputs(qint64 now) const;

private:
    static constexpr qint64 Never = std::numeric_limits<qint64>::min() / 2;
    // The last samples, for the amplitude of the beats the detector confirms
    // (at most 1.8 s late): 4 s of them.
    static constexpr int RecentSamples = 1024;
    // A beat's amplitude is taken 100 ms either side of it.
    static constexpr int QrsHalfWidth = 25;

    // Beats per minute from the median of the last RateIntervals intervals
    // between the detector's beats: a beat missed in a small or noisy lead,
    // or a T wave taken for one, moves a median little where it moves a mean
    // far. 0 until enough beats have come since restart().
    int medianRate() const;
    // The median peak-to-peak amplitude of the last nine beats the rate is
    // timed by (-1 when not measured).
    int usualRateAmplitude() const;
    // How long the heart has been above `bpm`, in ms, timed from the beats
    // themselves rather than from when the median crossed the limit: from
    // the start of the earliest interval above it, walking back from the
    // newest while at most one interval in three is not above it or ends on
    // a beat far from the usual QRS size (an ectopic beat, a missed or an
    // extra detection, noise). 0 when the newest interval is not above it.
    qint64 msAboveRate(int bpm) const;
    // How long the heart has been below `bpm`, in ms: the longest stretch
    // ending at the newest beat (or now, when the wait for the next beat is
    // already longer than the limit's interval) over which the mean rate is
    // below it, detections far smaller than the usual QRS passed over.
    qint64 msBelowRate(int bpm) const;
    // Samples since the newest beat, less the time the detector may still
    // take to confirm a beat: how long the next interval is known to be at
    // least; 0 before the first beat.
    qint64 openInterval() const;
    qint64 beatIndex(int k) const { return m_beatIndices[size_t(k % KeptBeats)]; }
    // Whether a beat of this peak-to-peak amplitude (-1: not measured) is a
    // QRS complex to time the rate by: not far smaller than the larger of
    // the last beats. Noise, T waves and baseline wander taken for beats are.
    bool rateBeat(int amplitude);
    // Adds a beat the rate is timed by, or lets it take the place of the
    // newest one when that was an extra detection between two beats.
    void addRateBeat(qint64 index, int amplitude);

    // Peak to peak around the beat, -1 when its samples are no longer kept.
    int beatAmplitude(qint64 beatIndex) const;

    AlarmSettings m_settings;
    std::array<AlarmTracker, AlarmConditionCount> m_trackers;
    std::array<QString, AlarmConditionCount> m_texts;

    qint64 m_fed = 0;               // samples since restart(), as the detector counts them
    std::array<short, RecentSamples> m_recent{};
    BeatAmplitudeGate m_beatGate;
    EcgQuality m_quality;
    std::array<qint64, KeptBeats> m_beatIndices{};
    std::array<int, KeptBeats> m_rateAmplitudes{};   // -1: not measured
    int m_beatsSeen = 0;
    // The amplitudes of the detector's last beats, for rateBeat().
    std::array<int, 8> m_amplitudes{};
    int m_amplitudesSeen = 0;
    FibrillationDetector m_fibrillation;
    int m_previousSample = 0;
    qint64 m_deadRun = 0;           // samples in a row frozen or at a rail
    qint64 m_lastSampleTime = Never;
    qint64 m_lastBeatTime = Never;
    qint64 m_aliveSince = Never;    // when the trace last came alive
    bool m_wasPresent = false;
    bool m_traceLost = true;        // since it was last present: lost, at a rail or frozen for long
    bool m_atRail = false;          // the last sample
    int m_heartRate = 0;
    EctopyFigures m_ectopy;
    bool m_stDeviating = false;
    double m_stChangeUv = 0.0;
    bool m_atrialFibrillation = false;
    bool m_linkWatched = false;
    bool m_linkUp = true;
    bool m_linkSeenUp = false;      // since restart()
    qint64 m_startedAt = 0;
    bool m_batteryLow = false;
    // The bad-frame counts seen within the last LinkErrorWindowMs, oldest first.
    std::deque<std::pair<qint64, qint64>> m_badFrames;
    bool m_recordingStopped = false;
    QString m_recordingStoppedReason;
    bool m_stopped = false;
};
