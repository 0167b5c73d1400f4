#include "storage/monitorsession.h"

#include "storage/sessionclock.h"

#include <algorithm>
#include <climits>

MonitorSession::MonitorSession(const SessionData &data)
    : SessionData(data)
{
}

MonitorSession::~MonitorSession() = default;

TFileSignal *MonitorSession::recording() const
{
    return m_recording.get();
}

void MonitorSession::setRecording(std::unique_ptr<TFileSignal> recording)
{
    m_recording = std::move(recording);
}

void MonitorSession::startClock(const SessionClock &clock)
{
    m_clock = &clock;
    m_clockStartMs = clock.monotonicMs();
}

qint64 MonitorSession::elapsedSeconds() const
{
    return elapsedMs() / 1000;
}

qint64 MonitorSession::elapsedMs() const
{
    const qint64 ms = m_clock ? m_clock->monotonicMs() - m_clockStartMs
                              : startDateTime.msecsTo(QDateTime::currentDateTime());
    return std::max<qint64>(0, ms);
}

void MonitorSession::addEvent(const QString &description)
{
    SessionEvent event;
    event.timeOffset = int(std::min<qint64>(elapsedSeconds(), INT_MAX));
    event.description = description;
    events.append(event);
}

void MonitorSession::setCheckpoint(int phase, const Checkpoint &checkpoint)
{
    if (phase >= PhaseBasal && phase <= PhasePostExercise)
        m_checkpoints[phase - 1] = checkpoint;
}

Checkpoint MonitorSession::checkpoint(int phase) const
{
    if (phase >= PhaseBasal && phase <= PhasePostExercise)
        return m_checkpoints[phase - 1];
    return Checkpoint();
}

int MonitorSession::lastHeartRate() const
{
    return hrTrend.isEmpty() ? 0 : hrTrend.last();
}

int MonitorSession::lastSpo2() const
{
    return spo2Trend.isEmpty() ? 0 : spo2Trend.last();
}

double MonitorSession::lastTemperature() const
{
    return tempTrend.isEmpty() ? 0.0 : tempTrend.last();
}

QString MonitorSession::phaseName(int phase)
{
    switch (phase) {
    case PhaseBasal: return QStringLiteral("Basal");
    case PhaseIntraExercise: return QStringLiteral("IntraExercise");
    case PhasePostExercise: return QStringLiteral("PostExercise");
    default: return QString();
    }
}

int MonitorSession::phaseFromName(const QString &name)
{
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase)
        if (name == phaseName(phase))
            return phase;
    return 0;
}
