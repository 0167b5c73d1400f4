#include "display/browsegeometry.h"

#include "display/sweepgeometry.h"

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

double visibleSeconds(int widthMM, double speed)
{
    if (widthMM <= 0 || !(speed > 0.0))
        return 0.0;
    const double seconds = widthMM / speed;
    return std::isfinite(seconds) ? seconds : 0.0;
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
    const double start = anchor - (widthPixels > 0 ? x * visible / widthPixels : 0.0);
    const double last = duration > visible ? duration - visible : 0.0;
    if (!(start > 0.0))
        return 0.0;
    return start < last ? start : last;
}

SampleSpan traceSpan(int rate, double startTime, double visible)
{
    SampleSpan s;
    if (rate <= 0)
        return s;
    s.first = sweep::nearest(rate * startTime);
    s.count = sweep::nearest(rate * (startTime + visible)) - s.first;
    if (s.count < 0)
        s.count = 0;
    return s;
}

int recordedPoints(const SampleSpan &trace, int sampleCount)
{
    return qBound(0, sampleCount - trace.first, trace.count);
}

SampleSpan offsetSpan(int rate, double startTime, double visible)
{
    SampleSpan s;
    if (rate <= 0)
        return s;
    s.first = sweep::nearest(rate * startTime);
    s.count = qMax(0, sweep::nearest(rate * visible));
    return s;
}

int integerMean(const double *values, int count)
{
    if (count <= 0)
        return 0;
    long long sum = 0;
    for (int i = 0; i < count; ++i)
        sum += static_cast<long long>(values[i]);
    return int(sum / count);
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
    if (widthPixels <= 0 || !(visible > 0.0) || !(startTime >= 0.0))
        return labels;
    const int step = labelStep(labelWidth * visible / widthPixels);
    const int from = truncated(std::floor(startTime));
    const int last = truncated(std::floor(startTime + visible));
    // The first multiple of the step at or after the first whole second.
    const int first = ((from - 1 + step) / step) * step;
    for (long long s = first; s <= last; s += step) {
        const int x = truncated((s - startTime) * widthPixels / visible) - labelWidth / 2;
        labels.append({int(s), x});
    }
    return labels;
}

QString labelText(int second)
{
    return QString::asprintf("%2.2i:%2.2i", second / 60 % 60, second % 60);
}

} // namespace browse
