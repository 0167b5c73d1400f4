#include "sweepgeometry.h"

#include <cmath>
#include <limits>

namespace sweep {

int nearest(double x)
{
    return int(x + 0.5);
}

double pixelsPerCentimetre(int widthPixels, int widthMM)
{
    if (widthPixels <= 0 || widthMM <= 0)
        return 0.0;
    return widthPixels / (widthMM / 10.0);
}

double pixelsPerMillimetre(int widthPixels, int widthMM)
{
    return pixelsPerCentimetre(widthPixels, widthMM) / 10.0;
}

Geometry compute(int widthPixels, int widthMM, double speed, int rate, int sampleCount)
{
    Geometry g;
    if (widthPixels <= 0 || widthMM <= 0 || rate <= 0 || sampleCount < 0 || !(speed > 0.0))
        return g;
    g.sweepSeconds = widthMM / speed;
    const double samplesPerSweep = rate * g.sweepSeconds;
    // Anything that would not fit an int (or a sweep below half a sample)
    // cannot be drawn sensibly.
    if (!std::isfinite(samplesPerSweep) || samplesPerSweep < 0.5
        || samplesPerSweep > std::numeric_limits<int>::max() / 2)
        return g;

    g.sweepIndex = int(std::floor((double(sampleCount) / rate) / g.sweepSeconds));
    g.sweepStart = nearest(rate * g.sweepIndex * g.sweepSeconds);
    g.samplesPerSweep = nearest(samplesPerSweep);
    // Rounding of the sweep start can never put it past the newest sample.
    if (g.sweepStart > sampleCount)
        g.sweepStart = sampleCount;
    g.xStep = double(widthPixels) / g.samplesPerSweep;
    g.cursorX = int((static_cast<long long>(sampleCount - g.sweepStart) * widthPixels) / g.samplesPerSweep);

    // The rest of the previous sweep, from one sweep's worth back up to the
    // current sweep's start, keeps the positions it had in its own sweep.
    const int j0 = sampleCount - g.samplesPerSweep;
    if (j0 >= 0 && j0 < g.sweepStart) {
        g.previousFrom = j0;
        g.previousCount = g.sweepStart - j0;
    }
    g.valid = true;
    return g;
}

int laneHeight(int heightPixels, int visible)
{
    return visible > 0 ? heightPixels / visible : 0;
}

double laneCentre(int heightPixels, int visible, int lane)
{
    const int h = laneHeight(heightPixels, visible);
    return h * 0.5 + double(h) * lane;
}

double verticalScale(double lsb, double pixelsPerCm, double amplitudeMmPerMv)
{
    return lsb * pixelsPerCm * amplitudeMmPerMv / 10.0;
}

} // namespace sweep
