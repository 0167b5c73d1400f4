#include "alarms/alarmflash.h"

namespace AlarmFlash {

Pattern pattern(AlarmPriority priority)
{
    switch (priority) {
    case AlarmPriority::High:
        return {500, 250};
    case AlarmPriority::Medium:
        return {1667, 833};
    default:
        return {};
    }
}

bool isLit(AlarmPriority priority, qint64 ms)
{
    if (priority == AlarmPriority::None)
        return false;
    const Pattern p = pattern(priority);
    if (p.periodMs == 0)
        return true;
    const qint64 phase = ((ms % p.periodMs) + p.periodMs) % p.periodMs;
    return phase < p.litMs;
}

qint64 msToNextChange(AlarmPriority priority, qint64 ms)
{
    const Pattern p = pattern(priority);
    if (p.periodMs == 0)
        return -1;
    const qint64 phase = ((ms % p.periodMs) + p.periodMs) % p.periodMs;
    return phase < p.litMs ? p.litMs - phase : p.periodMs - phase;
}

} // namespace AlarmFlash
