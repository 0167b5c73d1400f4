#include "dsp/tbeatmorphology.h"

#include <algorithm>
#include <cmath>

namespace BeatMorphology {

void smooth(const std::vector<float> &raw, std::vector<float> &out, int from, int to)
{
    // Five independent additions per value: faster than a running sum,
    // whose every step waits for the previous one.
    const float *r = raw.data();
    float *o = out.data();
    for (int i = from; i < to; ++i)
        o[i] = (r[i - 2] + r[i - 1] + r[i] + r[i + 1] + r[i + 2]) * 0.2f;
}

int qrsCentre(const std::vector<float> &x, int from, int to)
{
    from = std::max(from, 1);
    to = std::min(to, int(x.size()) - 2);
    float weight = 0.0f;
    float moment = 0.0f;   // about `from`, to keep the sums small
    for (int i = from; i <= to; ++i) {
        const float slope = x[size_t(i + 1)] - x[size_t(i - 1)];
        weight += slope * slope;
        moment += slope * slope * float(i - from);
    }
    if (weight <= 0.0f)
        return (from + to) / 2;
    return from + int(std::lround(moment / weight));
}

float steepWidth(const std::vector<float> &x, int from, int n, float *amplitude)
{
    if (amplitude)
        *amplitude = 0.0f;
    if (n < 3)
        return 0.0f;
    const float *v = x.data() + from;
    float low = std::min(v[0], v[n - 1]), high = std::max(v[0], v[n - 1]), steepest = 0.0f;
    for (int i = 1; i < n - 1; ++i) {
        low = std::min(low, v[i]);
        high = std::max(high, v[i]);
        steepest = std::max(steepest, std::abs(v[i + 1] - v[i - 1]));
    }
    if (amplitude)
        *amplitude = high - low;
    return steepest > 0.0f ? 2.0f * (high - low) / steepest : 0.0f;
}

float correlation(const std::vector<float> &a, int aFrom, const std::vector<float> &b, int bFrom, int n)
{
    if (n <= 1)
        return 0.0f;
    double sa = 0.0, sb = 0.0, ab = 0.0, aa = 0.0, bb = 0.0;
    for (int i = 0; i < n; ++i) {
        const double va = a[size_t(aFrom + i)];
        const double vb = b[size_t(bFrom + i)];
        sa += va;
        sb += vb;
        ab += va * vb;
        aa += va * va;
        bb += vb * vb;
    }
    const double cov = ab - sa * sb / n;
    const double varA = aa - sa * sa / n;
    const double varB = bb - sb * sb / n;
    if (varA <= 0.0 || varB <= 0.0)
        return 0.0f;
    return float(std::clamp(cov / std::sqrt(varA * varB), -1.0, 1.0));
}

float spread(const std::vector<float> &x, int from, int n)
{
    if (n <= 0)
        return 0.0f;
    const float m = mean(x, from, n);
    double sum = 0.0;
    for (int i = from; i < from + n; ++i)
        sum += double(x[size_t(i)] - m) * double(x[size_t(i)] - m);
    return float(std::sqrt(sum / n));
}

float peakToPeak(const std::vector<float> &x, int from, int n)
{
    if (n <= 0)
        return 0.0f;
    float low = x[size_t(from)], high = low;
    for (int i = from + 1; i < from + n; ++i) {
        low = std::min(low, x[size_t(i)]);
        high = std::max(high, x[size_t(i)]);
    }
    return high - low;
}

float mean(const std::vector<float> &x, int from, int n)
{
    if (n <= 0)
        return 0.0f;
    double sum = 0.0;
    for (int i = from; i < from + n; ++i)
        sum += x[size_t(i)];
    return float(sum / n);
}

float highFrequencyNoise(const std::vector<float> &raw, const std::vector<float> &smoothed, int from, int n)
{
    if (n <= 0)
        return 0.0f;
    float sums[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    for (int i = 0; i < n; ++i) {
        const float d = raw[size_t(from + i)] - smoothed[size_t(from + i)];
        sums[i & 3] += d * d;
    }
    return std::sqrt((sums[0] + sums[1] + sums[2] + sums[3]) / float(n));
}

} // namespace BeatMorphology
