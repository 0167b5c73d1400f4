#pragma once

#include "alarms/alarmconditions.h"

// What the station's one sound plays: the highest priority that any
// patient's unacknowledged alarms call for, nothing during an audio pause,
// and a low-priority alarm only when its sound is switched on.
AlarmPriority stationSoundPriority(AlarmPriority highestSounding, bool audioPaused, bool lowPrioritySound);

// "Audio paused": every alarm is silent until the pause runs out or is ended
// (by the clinician, or by a new high-priority condition). Times are
// monotonic milliseconds.
class AudioPause
{
public:
    void start(qint64 now, qint64 lengthMs) { m_until = now + lengthMs; }
    void end() { m_until = -1; }
    bool isActive(qint64 now) const { return m_until >= 0 && now < m_until; }
    qint64 remainingMs(qint64 now) const { return isActive(now) ? m_until - now : 0; }

private:
    qint64 m_until = -1;
};
