#include "alarms/alarmconditions.h"

#include <QCoreApplication>

bool isBatteryLow(double voltage)
{
    return voltage > 0.0 && voltage < 2.2;
}

namespace {

QString translated(const char *text)
{
    return QCoreApplication::translate("AlarmConditions", text);
}

qint64 noDelay(const AlarmSettings &)
{
    return 0;
}

qint64 heartRateDelay(const AlarmSettings &settings)
{
    return qint64(settings.hrDelay) * 1000;
}

qint64 noisyDelay(const AlarmSettings &)
{
    return NoisyOnsetMs;
}

// The rate is measured only from a live trace with a recent beat: during a
// pause the detector still holds the rate of the beats before it. While the
// trace is noisy (what "Noisy ECG" tells) noise passes for beats now and then
// even in the seconds judged clean, so no rate is concluded from it.
bool rateMeasured(const AlarmInputs &in, const AlarmSettings &settings)
{
    return in.ecgPresent() && in.analysable && in.noisySeconds < NoisySeconds
        && !in.noBeatFor(qint64(settings.asystoleDelay) * 1000) && in.heartRate > 0;
}

QString rateText(const AlarmInputs &in, const char *comparison, int limit)
{
    return translated(comparison).arg(in.heartRate).arg(limit);
}

// One row per condition, in the order of the enumeration.
constexpr std::array<AlarmConditionRow, AlarmConditionCount> table = {{
    {AlarmCondition::Asystole, "asystole", AlarmPriority::High, false, noDelay,
     // While the trace is noisy (what "Noisy ECG" tells) noise hides beats
     // as it fakes them: a pause in it is not concluded, as no rate is.
     [](const AlarmInputs &in, const AlarmSettings &s) {
         return in.ecgPresent() && in.noisySeconds < NoisySeconds && in.noBeatFor(qint64(s.asystoleDelay) * 1000);
     },
     [](const AlarmInputs &, const AlarmSettings &) { return translated(QT_TRANSLATE_NOOP("AlarmConditions", "ASYSTOLE")); }},
    {AlarmCondition::HrAboveAlarm, "hrHigh", AlarmPriority::Medium, false, heartRateDelay,
     [](const AlarmInputs &in, const AlarmSettings &s) {
         return s.hrAlarm > 0 && rateMeasured(in, s) && in.heartRate > s.hrAlarm;
     },
     [](const AlarmInputs &in, const AlarmSettings &s) {
         return rateText(in, QT_TRANSLATE_NOOP("AlarmConditions", "HR %1 > %2"), s.hrAlarm);
     }},
    {AlarmCondition::HrAboveCaution, "hrCaution", AlarmPriority::Low, false, heartRateDelay,
     [](const AlarmInputs &in, const AlarmSettings &s) {
         return s.hrCaution > 0 && rateMeasured(in, s) && in.heartRate > s.hrCaution;
     },
     [](const AlarmInputs &in, const AlarmSettings &s) {
         return rateText(in, QT_TRANSLATE_NOOP("AlarmConditions", "HR %1 > %2"), s.hrCaution);
     }},
    {AlarmCondition::HrBelowLower, "hrLow", AlarmPriority::Medium, false, heartRateDelay,
     [](const AlarmInputs &in, const AlarmSettings &s) {
         return s.hrLower > 0 && rateMeasured(in, s) && in.heartRate < s.hrLower;
     },
     [](const AlarmInputs &in, const AlarmSettings &s) {
         return rateText(in, QT_TRANSLATE_NOOP("AlarmConditions", "HR %1 < %2"), s.hrLower);
     }},
    {AlarmCondition::LinkLost, "linkLost", AlarmPriority::Medium, true, noDelay,
     [](const AlarmInputs &in, const AlarmSettings &) { return in.linkWatched && !in.linkUp; },
     [](const AlarmInputs &, const AlarmSettings &) { return translated(QT_TRANSLATE_NOOP("AlarmConditions", "Link lost")); }},
    {AlarmCondition::CheckElectrodes, "checkElectrodes", AlarmPriority::Medium, true, noDelay,
     [](const AlarmInputs &in, const AlarmSettings &) {
         return in.signalArriving && in.deadMs >= CheckElectrodesAfterMs;
     },
     [](const AlarmInputs &, const AlarmSettings &) {
         return translated(QT_TRANSLATE_NOOP("AlarmConditions", "Check electrodes"));
     }},
    {AlarmCondition::RecordingStopped, "recordingStopped", AlarmPriority::Medium, true, noDelay,
     [](const AlarmInputs &in, const AlarmSettings &) { return in.recordingStopped; },
     [](const AlarmInputs &in, const AlarmSettings &) {
         if (in.recordingStoppedReason.isEmpty())
             return translated(QT_TRANSLATE_NOOP("AlarmConditions", "Recording stopped"));
         return translated(QT_TRANSLATE_NOOP("AlarmConditions", "Recording stopped: %1")).arg(in.recordingStoppedReason);
     }},
    {AlarmCondition::LowBattery, "lowBattery", AlarmPriority::Low, true, noDelay,
     [](const AlarmInputs &in, const AlarmSettings &) { return in.batteryLow; },
     [](const AlarmInputs &, const AlarmSettings &) { return translated(QT_TRANSLATE_NOOP("AlarmConditions", "Low battery")); }},
    {AlarmCondition::VentricularTachycardia, "ventricularTachycardia", AlarmPriority::High, false, noDelay,
     [](const AlarmInputs &in, const AlarmSettings &) { return in.ectopy.runBeats > 0; },
     [](const AlarmInputs &in, const AlarmSettings &) {
         return translated(QT_TRANSLATE_NOOP("AlarmConditions", "VT %1 beats %2 bpm")).arg(in.ectopy.runBeats).arg(in.ectopy.runRate);
     }},
    {AlarmCondition::Couplet, "couplet", AlarmPriority::Low, false, noDelay,
     [](const AlarmInputs &in, const AlarmSettings &) { return in.ectopy.couplet; },
     [](const AlarmInputs &, const AlarmSettings &) { return translated(QT_TRANSLATE_NOOP("AlarmConditions", "Couplet")); }},
    {AlarmCondition::FrequentPvcs, "frequentPvcs", AlarmPriority::Medium, false, noDelay,
     [](const AlarmInputs &in, const AlarmSettings &s) {
         return s.pvcLimit > 0 && in.ectopy.pvcPerMinute > s.pvcLimit;
     },
     [](const AlarmInputs &in, const AlarmSettings &) {
         return translated(QT_TRANSLATE_NOOP("AlarmConditions", "PVC %1/min")).arg(in.ectopy.pvcPerMinute);
     }},
    {AlarmCondition::StChange, "stChange", AlarmPriority::Medium, false, noDelay,
     [](const AlarmInputs &in, const AlarmSettings &s) { return s.stLimit > 0 && in.stDeviating; },
     [](const AlarmInputs &in, const AlarmSettings &) {
         // Millimetres at 10 mm/mV, with the sign: "ST change -1.3 mm".
         return translated(QT_TRANSLATE_NOOP("AlarmConditions", "ST change %1 mm"))
             .arg(QString::asprintf("%+.1f", in.stChangeUv / 100.0));
     }},
    {AlarmCondition::LinkErrors, "linkErrors", AlarmPriority::Low, true,
     [](const AlarmSettings &) { return LinkErrorOnsetMs; },
     [](const AlarmInputs &in, const AlarmSettings &) { return in.recentBadFrames >= LinkErrorFrames; },
     [](const AlarmInputs &, const AlarmSettings &) { return translated(QT_TRANSLATE_NOOP("AlarmConditions", "Link errors")); }},
    {AlarmCondition::VentricularFibrillation, "ventricularFibrillation", AlarmPriority::High, false, noDelay,
     [](const AlarmInputs &in, const AlarmSettings &) { return in.ecgPresent() && in.fibrillation; },
     [](const AlarmInputs &, const AlarmSettings &) { return translated(QT_TRANSLATE_NOOP("AlarmConditions", "VF")); }},
    {AlarmCondition::NoisyEcg, "noisyEcg", AlarmPriority::Medium, true, noisyDelay,
     [](const AlarmInputs &in, const AlarmSettings &) {
         return in.ecgPresent() && !in.fibrillation && in.noisySeconds >= NoisySeconds;
     },
     [](const AlarmInputs &, const AlarmSettings &) { return translated(QT_TRANSLATE_NOOP("AlarmConditions", "Noisy ECG")); }},
    {AlarmCondition::AtrialFibrillation, "atrialFibrillation", AlarmPriority::Medium, false,
     [](const AlarmSettings &s) { return qint64(s.afDelay) * 1000; },
     [](const AlarmInputs &in, const AlarmSettings &s) { return s.afDelay > 0 && in.atrialFibrillation; },
     [](const AlarmInputs &, const AlarmSettings &) { return translated(QT_TRANSLATE_NOOP("AlarmConditions", "AF")); },
     AtrialFibrillationEndDelayMs},
}};

// Row i is condition i, so that a condition finds its row by index, and no
// condition is without one (missing rows are empty, named by no one).
constexpr bool everyConditionInItsRow()
{
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].condition != AlarmCondition(i) || !table[i].name || !table[i].cause || !table[i].text)
            return false;
    return true;
}
static_assert(everyConditionInItsRow(), "the alarm condition table needs one row per condition, in enumeration order");

} // namespace

QString alarmPriorityName(AlarmPriority priority)
{
    switch (priority) {
    case AlarmPriority::High: return QStringLiteral("high");
    case AlarmPriority::Medium: return QStringLiteral("medium");
    case AlarmPriority::Low: return QStringLiteral("low");
    case AlarmPriority::None: break;
    }
    return QString();
}

const std::array<AlarmConditionRow, AlarmConditionCount> &alarmConditionTable()
{
    return table;
}

AlarmTracker::Change AlarmTracker::update(bool cause, qint64 now, qint64 onsetDelayMs, qint64 endDelayMs)
{
    if (!m_active) {
        if (!cause) {
            m_causeSince = -1;
            return Change::None;
        }
        if (m_causeSince < 0)
            m_causeSince = now;
        if (now - m_causeSince < onsetDelayMs)
            return Change::None;
        // A new onset replaces a latched alarm of the same condition.
        m_active = true;
        m_latched = false;
        m_acknowledged = false;
        m_goneSince = -1;
        return Change::Onset;
    }
    if (cause) {
        m_goneSince = -1;
        return Change::None;
    }
    if (m_goneSince < 0)
        m_goneSince = now;
    if (now - m_goneSince < endDelayMs)
        return Change::None;
    m_active = false;
    m_latched = m_latching && !m_acknowledged;
    m_acknowledged = false;
    m_causeSince = -1;
    m_goneSince = -1;
    return Change::End;
}

bool AlarmTracker::acknowledge()
{
    if (m_latched) {
        m_latched = false;
        return true;
    }
    if (m_active && !m_acknowledged) {
        m_acknowledged = true;
        return true;
    }
    return false;
}

bool AlarmTracker::reset()
{
    const bool wasActive = m_active;
    m_active = m_latched = m_acknowledged = false;
    m_causeSince = m_goneSince = -1;
    return wasActive;
}
