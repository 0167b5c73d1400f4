#include "alarms/alarmengine.h"


#include <algorithm>

AlarmEngine::AlarmEngine(const AlarmSettings &settings)
    : m_settings(settings)
{
    for (const AlarmConditionRow &row : alarmConditionTable())
        m_trackers[size_t(row.condition)] = AlarmTracker(row.priority == AlarmPriority::High);
}

void AlarmEngine::restart(qint64 now)
{
    m_startedAt = now;
    m_linkSeenUp = false;
    m_beatGate.reset();
    m_fed = 0;
    m_deadRun = 0;
    m_lastSampleTime = m_lastBeatTime = m_aliveSince = Never;
    m_wasPresent = false;
    m_heartRate = 0;
}

void AlarmEngine::addSamples(const short *samples, int count, const int *beats, int beatCount, qint64 now)
{
    if (count <= 0)
        return;
    for (int i = 0; i < count; ++i) {
        const int sample = samples[i];
        if (sample <= RailLow || sample >= RailHigh || (sample == m_previousSample && m_fed + i > 0))
            ++m_deadRun;
        else
            m_deadRun = 0;
        m_previousSample = sample;
        m_recent[size_t((m_fed + i) % RecentSamples)] = samples[i];
    }
    m_fed += count;
    m_lastSampleTime = now;
    // The last sample of the block arrived now; a beat `age` samples before
    // it happened that much earlier. Beats too small to be a QRS complex do
    // not end a pause.
    for (int i = 0; i < beatCount; ++i) {
        const qint64 age = m_fed - 1 - beats[i];
        const qint64 time = now - age * 1000 / SampleRate;
        const int amplitude = beatAmplitude(beats[i]);
        if (age >= 0 && (amplitude < 0 || m_beatGate.accept(amplitude, time)))
            m_lastBeatTime = std::max(m_lastBeatTime, time);
    }
}

int AlarmEngine::beatAmplitude(qint64 beatIndex) const
{
    const qint64 from = std::max<qint64>(0, beatIndex - QrsHalfWidth);
    const qint64 to = std::min(m_fed - 1, beatIndex + QrsHalfWidth);
    // A beat older than the samples kept cannot be measured (-1): it counts.
    if (from < m_fed - RecentSamples || to < from)
        return -1;
    int low = m_recent[size_t(from % RecentSamples)];
    int high = low;
    for (qint64 k = from + 1; k <= to; ++k) {
        const int v = m_recent[size_t(k % RecentSamples)];
        low = std::min(low, v);
        high = std::max(high, v);
    }
    return high - low;
}

void AlarmEngine::setLink(bool watched, bool up)
{
    m_linkWatched = watched;
    m_linkUp = up;
    m_linkSeenUp = m_linkSeenUp || up;
}

void AlarmEngine::setBatteryVoltage(double volts)
{
    m_batteryLow = isBatteryLow(volts);
}

void AlarmEngine::setRecordingStopped(bool stopped, const QString &reason)
{
    m_recordingStopped = stopped;
    m_recordingStoppedReason = stopped ? reason : QString();
}

AlarmInputs AlarmEngine::inputs(qint64 now) const
{
    AlarmInputs in;
    in.linkWatched = m_linkWatched;
    // A link still coming up is not lost yet.
    in.linkUp = m_linkUp || (!m_linkSeenUp && now - m_startedAt < LinkConnectGraceMs);
    in.signalArriving = m_lastSampleTime != Never && now - m_lastSampleTime <= SignalTimeoutMs
        && (!m_linkWatched || m_linkUp);
    in.deadMs = m_deadRun * 1000 / SampleRate;
    in.msSinceBeat = now - std::max(m_lastBeatTime, m_aliveSince + DetectorLearningMs);
    in.heartRate = m_heartRate;
    in.ectopy = m_ectopy;
    in.batteryLow = m_batteryLow;
    in.recordingStopped = m_recordingStopped;
    in.recordingStoppedReason = m_recordingStoppedReason;
    return in;
}

QVector<AlarmEvent> AlarmEngine::update(qint64 now)
{
    QVector<AlarmEvent> events;
    if (m_stopped)
        return events;
    // A pause is timed from the last beat, or from the moment the detector
    // has learned a trace that came alive, when no beat has been seen since.
    const bool present = inputs(now).ecgPresent();
    if (present && !m_wasPresent)
        m_aliveSince = now;
    m_wasPresent = present;

    const AlarmInputs in = inputs(now);
    for (const AlarmConditionRow &row : alarmConditionTable()) {
        const size_t index = size_t(row.condition);
        switch (m_trackers[index].update(row.cause(in, m_settings), now, row.onsetDelayMs(m_settings))) {
        case AlarmTracker::Change::Onset:
            m_texts[index] = row.text(in, m_settings);
            events.append({AlarmLogEntry::Onset, row.condition, now, m_texts[index]});
            break;
        case AlarmTracker::Change::End:
            events.append({AlarmLogEntry::End, row.condition, now, m_texts[index]});
            break;
        case AlarmTracker::Change::None:
            break;
        }
    }
    return events;
}

QVector<AlarmEvent> AlarmEngine::acknowledge(qint64 now)
{
    QVector<AlarmEvent> events;
    for (const AlarmConditionRow &row : alarmConditionTable()) {
        const size_t index = size_t(row.condition);
        if (m_trackers[index].acknowledge())
            events.append({AlarmLogEntry::Acknowledged, row.condition, now, m_texts[index]});
    }
    return events;
}

QVector<AlarmEvent> AlarmEngine::setStopped(bool stopped, qint64 now)
{
    QVector<AlarmEvent> events;
    m_stopped = stopped;
    if (!stopped)
        return events;
    for (const AlarmConditionRow &row : alarmConditionTable()) {
        const size_t index = size_t(row.condition);
        if (m_trackers[index].reset())
            events.append({AlarmLogEntry::End, row.condition, now, m_texts[index]});
    }
    return events;
}

AlarmPriority AlarmEngine::soundingPriority() const
{
    AlarmPriority highest = AlarmPriority::None;
    for (const AlarmConditionRow &row : alarmConditionTable()) {
        if (m_trackers[size_t(row.condition)].isSounding())
            highest = std::max(highest, row.priority);
    }
    return highest;
}

bool AlarmEngine::shownAlarm(AlarmCondition &condition) const
{
    AlarmPriority highest = AlarmPriority::None;
    for (const AlarmConditionRow &row : alarmConditionTable()) {
        // Among equal priorities the earlier row wins.
        if (m_trackers[size_t(row.condition)].isShown() && row.priority > highest) {
            highest = row.priority;
            condition = row.condition;
        }
    }
    return highest != AlarmPriority::None;
}
