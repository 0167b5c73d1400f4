#include "dsp/tbeatmorphology.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace BeatMorphology {

namespace {

// Four floats worked on side by side in one vector register. Each lane does
// exactly what the plain loop would do with its samples, so results do not
// depend on the width; min and max are taken as std::min and std::max take
// them.
using Float4 = float __attribute__((vector_size(16)));

Float4 load4(const float *p)
{
    Float4 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

Float4 splat4(float x)
{
    return Float4{x, x, x, x};
}

Float4 min4(Float4 a, Float4 b)
{
    return b < a ? b : a;
}

Float4 max4(Float4 a, Float4 b)
{
    return a < b ? b : a;
}

Float4 abs4(Float4 a)
{
    return a < 0.0f ? -a : a;
}

float lowest(Float4 v)
{
    return std::min(std::min(v[0], v[1]), std::min(v[2], v[3]));
}

float highest(Float4 v)
{
    return std::max(std::max(v[0], v[1]), std::max(v[2], v[3]));
}

} // namespace

void smooth(const std::vector<float> &raw, std::vector<float> &out, int from, int to)
{
    const float *r = raw.data();
    float *o = out.data();
    int i = from;
    for (; i + 4 <= to; i += 4) {
        const Float4 sum = load4(r + i - 2) + load4(r + i - 1) + load4(r + i) + load4(r + i + 1) + load4(r + i + 2);
        const Float4 v = sum * 0.2f;
        std::memcpy(o + i, &v, sizeof v);
    }
    for (; i < to; ++i)
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
    Float4 low = splat4(v[0]), high = low, steepest = splat4(0.0f);
    int i = 1;
    for (; i + 4 < n; i += 4) {
        const Float4 here = load4(v + i);
        low = min4(low, here);
        high = max4(high, here);
        steepest = max4(steepest, abs4(load4(v + i + 1) - load4(v + i - 1)));
    }
    float lo = lowest(low), hi = highest(high), steep = highest(steepest);
    for (; i < n - 1; ++i) {
        lo = std::min(lo, v[i]);
        hi = std::max(hi, v[i]);
        steep = std::max(steep, std::abs(v[i + 1] - v[i - 1]));
    }
    lo = std::min(lo, v[n - 1]);
    hi = std::max(hi, v[n - 1]);
    if (amplitude)
        *amplitude = hi - lo;
    return steep > 0.0f ? 2.0f * (hi - lo) / steep : 0.0f;
}

float dot(const float *a, const float *b, int n)
{
    // Four running sums, each over every fourth product.
    Float4 sums = splat4(0.0f);
    int i = 0;
    for (; i + 4 <= n; i += 4)
        sums += load4(a + i) * load4(b + i);
    for (; i < n; ++i)
        sums[0] += a[i] * b[i];
    return (sums[0] + sums[1]) + (sums[2] + sums[3]);
}

void dotsAtLags(const float *x, const float *t, int n, float dots[LagCount])
{
    // dot(x + lag, t, n) for every lag at once: lane k of the `early` sums is
    // for lag k, lane k of the `late` ones for lag 3 + k; sums 0 to 3 each
    // take every fourth product, as in dot().
    Float4 early0 = splat4(0.0f), early1 = early0, early2 = early0, early3 = early0;
    Float4 late0 = early0, late1 = early0, late2 = early0, late3 = early0;
    const auto add = [x, t](Float4 &early, Float4 &late, int i) {
        const Float4 weight = splat4(t[i]);
        early += weight * load4(x + i);
        late += weight * load4(x + i + 3);
    };
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        add(early0, late0, i);
        add(early1, late1, i + 1);
        add(early2, late2, i + 2);
        add(early3, late3, i + 3);
    }
    for (; i < n; ++i)
        add(early0, late0, i);
    const Float4 early = (early0 + early1) + (early2 + early3);
    const Float4 late = (late0 + late1) + (late2 + late3);
    for (int k = 0; k < 3; ++k)
        dots[k] = early[k];
    for (int k = 0; k < 4; ++k)
        dots[3 + k] = late[k];
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
    const float *v = x.data() + from;
    Float4 low = splat4(v[0]), high = low;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const Float4 here = load4(v + i);
        low = min4(low, here);
        high = max4(high, here);
    }
    float lo = lowest(low), hi = highest(high);
    for (; i < n; ++i) {
        lo = std::min(lo, v[i]);
        hi = std::max(hi, v[i]);
    }
    return hi - lo;
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
    const float *r = raw.data() + from;
    const float *s = smoothed.data() + from;
    Float4 sums = splat4(0.0f);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const Float4 d = load4(r + i) - load4(s + i);
        sums += d * d;
    }
    for (; i < n; ++i)
        sums[i & 3] += (r[i] - s[i]) * (r[i] - s[i]);
    return std::sqrt((sums[0] + sums[1] + sums[2] + sums[3]) / float(n));
}

void follow(float *shape, const float *x, int n, float rate)
{
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const Float4 v = load4(shape + i);
        const Float4 moved = v + rate * (load4(x + i) - v);
        std::memcpy(shape + i, &moved, sizeof moved);
    }
    for (; i < n; ++i)
        shape[i] += rate * (x[i] - shape[i]);
}

} // namespace BeatMorphology
