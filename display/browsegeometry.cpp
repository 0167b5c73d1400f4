#include "display/browsegeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace browse {

namespace {

// Truncation to int of a value kept inside the int range, so that absurd
// durations or positions cannot overflow.
int truncated(double value)
{
    const int limit = std::numeric_limits<int>::max();
    if (std::isnan(value))
        return 0;
    if (value >= limit)
        return limit;
    if (value <= -limit)
        return -limit;
    return int(value);
}

} // namespace

double clampStart(double start, double duration, double visible)
{
    const double last = duration > visible ? duration - visible : 0.0;
    if (!(start > 0.0))
        return 0.0;
    return start < last ? start : last;
}

ScrollRange scrollRange(bool hasSignal, double duration, double visible, double startTime)
{
    ScrollRange r;
    if (hasSignal && duration > visible)
        r.maximum = truncated((duration - visible) * 100.0);
    r.singleStep = truncated(visible * 10.0);
    r.pageStep = truncated(visible * 100.0);
    r.value = truncated(startTime * 100.0);
    r.enabled = r.maximum >= 1;
    return r;
}

double timeAtPixel(double startTime, int x, int widthPixels, double visible)
{
    return widthPixels > 0 ? startTime + x * visible / widthPixels : startTime;
}

double dragStartTime(double anchor, int x, int widthPixels, double visible, double duration)
{
    return clampStart(anchor - (widthPixels > 0 ? x * visible / widthPixels : 0.0), duration, visible);
}

int labelStep(double secondsPerLabel)
{
    if (secondsPerLabel <= 1.0)
        return 1;
    if (secondsPerLabel <= 5.0)
        return 5;
    if (secondsPerLabel <= 10.0)
        return 10;
    if (secondsPerLabel <= 30.0)
        return 30;
    return 60;
}

QVector<TimeLabel> timeLabels(double startTime, double visible, int widthPixels, int labelWidth)
{
    QVector<TimeLabel> labels;
    if (widthPixels <= 0 || !(visible > 0.0) || !(startTime >= 0.0) || startTime > 1e12)
        return labels;
    const qint64 step = labelStep(labelWidth * visible / widthPixels);
    const qint64 from = qint64(std::floor(startTime));
    const qint64 last = qint64(std::floor(startTime + visible));
    // The first multiple of the step at or after the first whole second.
    for (qint64 s = ((from - 1 + step) / step) * step; s <= last; s += step)
        labels.append({s, truncated((s - startTime) * widthPixels / visible)});
    return labels;
}

QString labelText(qint64 second)
{
    if (second < 3600)
        return QString::asprintf("%2.2lld:%2.2lld", second / 60, second % 60);
    return QString::asprintf("%lld:%2.2lld:%2.2lld", second / 3600, second / 60 % 60, second % 60);
}

} // namespace browse
