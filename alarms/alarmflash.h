#pragma once

#include "alarms/alarmconditions.h"

#include <QtGlobal>

// How an alarm's visual signal flashes, kept free of widgets and clocks:
// times are milliseconds on one clock shared by every banner, so that all
// banners of a priority flash together. High flashes fast, medium slowly,
// low is lit steadily.
namespace AlarmFlash {

struct Pattern
{
    qint64 periodMs = 0;   // 0: steady, never changes
    qint64 litMs = 0;      // lit at the start of each period
};

// High: 2 Hz, medium: 0.6 Hz, both lit half of each period; low steady.
Pattern pattern(AlarmPriority priority);
// Whether the signal of this priority is lit at `ms`; None is never lit.
bool isLit(AlarmPriority priority, qint64 ms);
// Milliseconds from `ms` until the signal next turns on or off; -1 when it
// never changes.
qint64 msToNextChange(AlarmPriority priority, qint64 ms);

} // namespace AlarmFlash
