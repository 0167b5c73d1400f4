#pragma once

#include "alarms/alarmsettings.h"

#include <QString>
#include <QtGlobal>

#include <array>

// The conditions the station alarms on, their priorities and how each one's
// cause is decided, kept free of widgets and clocks: every time is a
// monotonic millisecond count handed in by the caller. Adding a condition
// takes one enumerator, one row of the table and, where it needs new
// information, one field of AlarmInputs filled by the engine.

// Module battery is low above 0 V and below 2.2 V (0 means no reading).
bool isBatteryLow(double voltage);

enum class AlarmPriority { None = 0, Low = 1, Medium = 2, High = 3 };

// "high", "medium", "low"; empty for None.
QString alarmPriorityName(AlarmPriority priority);

enum class AlarmCondition {
    Asystole,
    HrAboveAlarm,
    HrAboveCaution,
    HrBelowLower,
    LinkLost,
    CheckElectrodes,
    RecordingStopped,
    LowBattery,
    VentricularTachycardia,
    Couplet,
    FrequentPvcs,
    StChange,
    LinkErrors,
    VentricularFibrillation,
    NoisyEcg,
    AtrialFibrillation,
    Count // not a condition: their number; new conditions go above
};
constexpr int AlarmConditionCount = int(AlarmCondition::Count);

// A cause must have been gone this long before its condition ends, so that a
// limit crossed back and forth does not chatter.
constexpr qint64 AlarmEndDelayMs = 2000;
// A trace frozen or at a converter rail this long means the electrodes are
// off or the input is disconnected.
constexpr qint64 CheckElectrodesAfterMs = 4000;
// A trace frozen or at a rail for a second already is no trace of a heart:
// it cannot be asystole, and it gives no heart rate.
constexpr qint64 DeadTraceGateMs = 1000;

// The detector confirms a beat about 0.4 s after it happened: a pause is
// judged only once a beat that ended it would have been confirmed.
constexpr qint64 BeatConfirmationMs = 500;
// The detector learns the trace for its first seconds; a trace that has
// just come alive is given this long before its pause is timed.
constexpr qint64 DetectorLearningMs = 4000;

// A trace is "noisy" when at least NoisySeconds of its last
// NoisyWindowSeconds could not be analysed, for NoisyOnsetMs.
constexpr int NoisyWindowSeconds = 10;
constexpr int NoisySeconds = 5;
constexpr qint64 NoisyOnsetMs = 5000;

// A module's link takes a while to come up: until it has, it is lost only
// after the serial read time-out.
constexpr qint64 LinkConnectGraceMs = 10000;

// Bad frames on a link (their samples are lost) are a cause when at least
// LinkErrorFrames came within the last LinkErrorWindowMs; a stray one now
// and then is not. They persist when the cause lasts LinkErrorOnsetMs.
constexpr qint64 LinkErrorWindowMs = 2000;
constexpr qint64 LinkErrorFrames = 3;
constexpr qint64 LinkErrorOnsetMs = 3000;

// What the patient's beat labels show at one moment.
struct EctopyFigures
{
    int pvcPerMinute = 0;   // ventricular beats of the last 60 s
    int runBeats = 0;       // a recent ventricular tachycardia: its beats so far, 0 without one
    int runRate = 0;        // and its mean rate, bpm
    bool couplet = false;   // a pair of ventricular beats, no more, came recently
};

// What the engine knows about one patient at one moment.
struct AlarmInputs
{
    bool signalArriving = false;   // samples came within the last second over a link that is up
    qint64 deadMs = 0;             // how long the trace has been frozen or at a converter rail
    qint64 msSinceBeat = 0;        // since the last beat, or since the detector learned a trace that came alive
    int heartRate = 0;             // bpm from the detector, 0 when it has none
    bool linkWatched = false;      // false for the simulated source, which has no link to lose
    bool linkUp = true;
    bool batteryLow = false;
    qint64 recentBadFrames = 0;    // bad frames on the link within the last LinkErrorWindowMs
    bool recordingStopped = false;
    QString recordingStoppedReason; // the storage's error text, may be empty
    EctopyFigures ectopy;
    // The ST level has differed from the session's reference by the limit for
    // the set time, and has not been back within it for long enough since.
    bool stDeviating = false;
    double stChangeUv = 0.0;
    // The trace of the last seconds can be analysed: no motion or muscle
    // noise has buried its QRS complexes. Without it no heart rate or
    // arrhythmia is concluded.
    bool analysable = true;
    // Seconds judged unanalysable among the last NoisyWindowSeconds.
    int noisySeconds = 0;
    // The last seconds show a fibrillating or fluttering ventricle.
    bool fibrillation = false;
    bool atrialFibrillation = false;   // the patient's rhythm is judged atrial fibrillation now

    // A live trace of a body: arriving, neither frozen nor pinned.
    bool ecgPresent() const { return signalArriving && deadMs < DeadTraceGateMs; }
    // No beat for the delay, a beat ending it being confirmed by now.
    bool noBeatFor(qint64 delayMs) const { return msSinceBeat >= delayMs + BeatConfirmationMs; }
};

struct AlarmConditionRow
{
    AlarmCondition condition;
    const char *name;             // stable name in the alarm log
    AlarmPriority priority;
    bool technical;               // about the equipment, not the patient
    // How long the cause must last before the alarm begins. Conditions whose
    // cause already spans a time (no beat for 4 s) have none.
    qint64 (*onsetDelayMs)(const AlarmSettings &settings);
    bool (*cause)(const AlarmInputs &inputs, const AlarmSettings &settings);
    // The banner text, translated: "ASYSTOLE", "HR 182 > 170".
    QString (*text)(const AlarmInputs &inputs, const AlarmSettings &settings);
    // How long the cause must have been gone before the alarm ends; 0 for
    // AlarmEndDelayMs.
    qint64 endDelayMs = 0;
};

// Atrial fibrillation comes and goes in bursts: its alarm ends only after
// this long without it.
constexpr qint64 AtrialFibrillationEndDelayMs = 30000;

const std::array<AlarmConditionRow, AlarmConditionCount> &alarmConditionTable();
inline const AlarmConditionRow &alarmConditionRow(AlarmCondition condition)
{
    return alarmConditionTable()[size_t(condition)];
}

// One condition's course for one patient: pending while its cause lasts less
// than the onset delay, active from the onset until the cause has been gone
// for AlarmEndDelayMs. A latching (high-priority) alarm that ends before it is
// acknowledged stays latched, still shown and heard, until acknowledged.
class AlarmTracker
{
public:
    enum class Change { None, Onset, End };

    explicit AlarmTracker(bool latching = false) : m_latching(latching) {}

    // Whether the cause is present at `now`; the onset and end it brings.
    Change update(bool cause, qint64 now, qint64 onsetDelayMs, qint64 endDelayMs = AlarmEndDelayMs);
    // Acknowledges an active or latched alarm: it falls silent and, once
    // its condition has ended, clears. False when there was nothing to acknowledge.
    bool acknowledge();
    // Ends an active alarm and clears a latched one at once (the patient
    // stopped). True when it was active.
    bool reset();

    bool isActive() const { return m_active; }
    bool isLatched() const { return m_latched; }
    bool isShown() const { return m_active || m_latched; }
    bool isAcknowledged() const { return m_acknowledged; }
    // Shown and not yet acknowledged: it calls for the sound.
    bool isSounding() const { return isShown() && !m_acknowledged; }

private:
    bool m_latching;
    bool m_active = false;
    bool m_latched = false;
    bool m_acknowledged = false;
    qint64 m_causeSince = -1;   // when the present cause appeared, -1 without one
    qint64 m_goneSince = -1;    // when the cause of an active alarm went, -1 while present
};
