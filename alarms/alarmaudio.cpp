#include "alarms/alarmaudio.h"

AlarmPriority stationSoundPriority(AlarmPriority highestSounding, bool audioPaused, bool lowPrioritySound)
{
    if (audioPaused)
        return AlarmPriority::None;
    if (highestSounding == AlarmPriority::Low && !lowPrioritySound)
        return AlarmPriority::None;
    return highestSounding;
}
