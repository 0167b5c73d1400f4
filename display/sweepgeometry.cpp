#include "display/sweepgeometry.h"

#include "display/ecgpaper.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace sweep {

namespace {

// Pixels a trace line may reach beyond its samples' columns: half the pen,
// antialiasing and the join with the next segment.
constexpr int LineReach = 2;
// Pixels of line drawn outside the columns asked for.
constexpr double RunLeadIn = 4.0;

} // namespace

Geometry compute(int widthPixels, double pxPerMm, double speed, int rate, int sampleCount)
{
    Geometry g;
    g.sweepSeconds = ecgpaper::secondsAcross(widthPixels, pxPerMm, speed);
    if (widthPixels <= 0 || rate <= 0 || sampleCount < 0 || !(g.sweepSeconds > 0.0))
        return g;
    const double samplesPerSweep = rate * g.sweepSeconds;
    // Anything that would not fit an int (or a sweep below half a sample)
    // cannot be drawn sensibly.
    if (samplesPerSweep < 0.5 || samplesPerSweep > std::numeric_limits<int>::max() / 2)
        return g;

    g.sampleCount = sampleCount;
    g.sweepIndex = int(std::floor((double(sampleCount) / rate) / g.sweepSeconds));
    g.samplesPerSweep = int(ecgpaper::nearest(samplesPerSweep));
    // Rounding of the sweep start can never put it past the newest sample.
    g.sweepStart = int(std::min<qint64>(ecgpaper::nearest(rate * g.sweepIndex * g.sweepSeconds), sampleCount));
    g.xStep = double(widthPixels) / g.samplesPerSweep;
    g.cursorX = int((static_cast<long long>(sampleCount - g.sweepStart) * widthPixels) / g.samplesPerSweep);

    // The rest of the previous sweep, from one sweep's worth back up to the
    // current sweep's start.
    const int j0 = sampleCount - g.samplesPerSweep;
    if (j0 >= 0 && j0 < g.sweepStart) {
        g.previousFrom = j0;
        g.previousCount = g.sweepStart - j0;
    }
    g.valid = true;
    return g;
}

namespace {

Run clippedRun(double firstColumn, double lastColumn, double xStep, int origin, int from, int end)
{
    Run r;
    if (!(xStep > 0.0) || end <= from)
        return r;
    // Lines are drawn from a few pixels before the columns on, so that they
    // enter them exactly as they do in a picture drawn whole.
    const double lo = std::floor((firstColumn - RunLeadIn) / xStep) - 1.0 + origin;
    const double hi = std::ceil((lastColumn + RunLeadIn) / xStep) + 1.0 + origin;
    const int first = int(std::max(double(from), lo));
    const int last = int(std::min(double(end - 1), hi));
    if (last >= first) {
        r.first = first;
        r.count = last - first + 1;
    }
    return r;
}

} // namespace

Run currentRun(const Geometry &g, double x0, double x1)
{
    return clippedRun(x0, x1, g.xStep, g.sweepStart, g.sweepStart, g.sampleCount);
}

Run previousRun(const Geometry &g, double x0, double x1)
{
    return clippedRun(x0, x1, g.xStep, g.sweepStart - g.samplesPerSweep, g.previousFrom,
                      g.previousFrom + g.previousCount);
}

Columns changedColumns(const Geometry &before, const Geometry &after)
{
    Columns c;
    if (after.sampleCount == before.sampleCount)
        return c;
    const int reach = LineReach + int(std::ceil(after.xStep));
    c.from = std::min(before.cursorX, after.cursorX) - reach;
    c.to = std::max(before.cursorX, after.cursorX) + reach + 1;
    return c;
}

} // namespace sweep
