#include "dsp/tbeatmorphology.h"

#include "dsp/tbeatlanes.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace BeatMorphology {

using namespace BeatLanes;

namespace {

// The sum of x[0, n): four lanes of floats joined in double.
double sum(const float *x, int n)
{
    Float4 sums = splat4(0.0f);
    int i = 0;
    for (; i + 4 <= n; i += 4)
        sums += load4(x + i);
    double s = totalInDouble(sums);
    for (; i < n; ++i)
        s += x[i];
    return s;
}

// Lowest and highest of v[0, n) and the steepest slope |v[i + 1] - v[i - 1]|
// for 0 < i < n - 1. Two sets of lanes take alternate groups of four, so
// that each running extreme waits on its own set only.
struct Extremes
{
    float low, high, steepest;
};

Extremes extremes(const float *v, int n)
{
    Float4 low0 = splat4(v[0]), high0 = low0, steep0 = splat4(0.0f);
    Float4 low1 = low0, high1 = high0, steep1 = steep0;
    int i = 1;
    for (; i + 8 < n; i += 8) {
        const Float4 a = load4(v + i), b = load4(v + i + 4);
        low0 = min4(low0, a);
        high0 = max4(high0, a);
        steep0 = max4(steep0, abs4(load4(v + i + 1) - load4(v + i - 1)));
        low1 = min4(low1, b);
        high1 = max4(high1, b);
        steep1 = max4(steep1, abs4(load4(v + i + 5) - load4(v + i + 3)));
    }
    if (i + 4 < n) {
        const Float4 a = load4(v + i);
        low0 = min4(low0, a);
        high0 = max4(high0, a);
        steep0 = max4(steep0, abs4(load4(v + i + 1) - load4(v + i - 1)));
        i += 4;
    }
    Extremes e{lowest(min4(low0, low1)), highest(max4(high0, high1)), highest(max4(steep0, steep1))};
    for (; i < n - 1; ++i) {
        e.low = std::min(e.low, v[i]);
        e.high = std::max(e.high, v[i]);
        e.steepest = std::max(e.steepest, std::abs(v[i + 1] - v[i - 1]));
    }
    e.low = std::min(e.low, v[n - 1]);
    e.high = std::max(e.high, v[n - 1]);
    return e;
}

} // namespace

void smooth(const int *raw, std::vector<float> &out, int from, int to)
{
    // Sums of five samples are exact in integers.
    const auto load = [raw](int i) { return load4(raw + i); };
    float *o = out.data();
    int i = from;
    for (; i + 4 <= to; i += 4) {
        const Int4 sum = load(i - 2) + load(i - 1) + load(i) + load(i + 1) + load(i + 2);
        store4(o + i, toFloat4(sum) * 0.2f);
    }
    for (; i < to; ++i)
        o[i] = float(raw[i - 2] + raw[i - 1] + raw[i] + raw[i + 1] + raw[i + 2]) * 0.2f;
}

int qrsCentre(const std::vector<float> &x, int from, int to)
{
    from = std::max(from, 1);
    to = std::min(to, int(x.size()) - 2);
    // The moment is taken about `from`, to keep the sums small.
    const float *v = x.data();
    Float4 weights = splat4(0.0f), moments = weights;
    const Float4 offsets{0.0f, 1.0f, 2.0f, 3.0f};
    int i = from;
    for (; i + 3 <= to; i += 4) {
        const Float4 slope = load4(v + i + 1) - load4(v + i - 1);
        weights += slope * slope;
        moments += slope * slope * (offsets + float(i - from));
    }
    float weight = total(weights), moment = total(moments);
    for (; i <= to; ++i) {
        const float slope = v[i + 1] - v[i - 1];
        weight += slope * slope;
        moment += slope * slope * float(i - from);
    }
    if (weight <= 0.0f)
        return (from + to) / 2;
    return from + int(std::lround(moment / weight));
}

float steepWidth(const float *v, int n, float *amplitude)
{
    if (amplitude)
        *amplitude = 0.0f;
    if (n < 3)
        return 0.0f;
    const Extremes e = extremes(v, n);
    if (amplitude)
        *amplitude = e.high - e.low;
    return e.steepest > 0.0f ? 2.0f * (e.high - e.low) / e.steepest : 0.0f;
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

float correlation(const float *pa, const float *pb, int n)
{
    if (n <= 1)
        return 0.0f;
    // Sums of both and of their products, each taken about its first value
    // so that a trace far from zero keeps its precision; lanes of floats
    // joined in double.
    const float a0 = pa[0], b0 = pb[0];
    Float4 sa4 = splat4(0.0f), sb4 = sa4, ab4 = sa4, aa4 = sa4, bb4 = sa4;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const Float4 va = load4(pa + i) - a0, vb = load4(pb + i) - b0;
        sa4 += va;
        sb4 += vb;
        ab4 += va * vb;
        aa4 += va * va;
        bb4 += vb * vb;
    }
    double sa = totalInDouble(sa4), sb = totalInDouble(sb4), ab = totalInDouble(ab4);
    double aa = totalInDouble(aa4), bb = totalInDouble(bb4);
    for (; i < n; ++i) {
        const double va = pa[i] - a0, vb = pb[i] - b0;
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
    return n > 0 ? float(sum(x.data() + from, n) / n) : 0.0f;
}

void sumsAbout(const float *x, int n, float about, double &sum, double &squares)
{
    Float4 sums = splat4(0.0f), sumsOfSquares = sums;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const Float4 d = load4(x + i) - about;
        sums += d;
        sumsOfSquares += d * d;
    }
    double s = totalInDouble(sums), s2 = totalInDouble(sumsOfSquares);
    for (; i < n; ++i) {
        const double d = double(x[i] - about);
        s += d;
        s2 += d * d;
    }
    sum = s;
    squares = s2;
}

float highFrequencyNoise(const int *raw, const std::vector<float> &smoothed, int from, int n)
{
    if (n <= 0)
        return 0.0f;
    const float *s = smoothed.data() + from;
    const int *r = raw + from;
    Float4 sums = splat4(0.0f);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const Float4 d = toFloat4(load4(r + i)) - load4(s + i);
        sums += d * d;
    }
    for (; i < n; ++i)
        sums[i & 3] += (float(r[i]) - s[i]) * (float(r[i]) - s[i]);
    return std::sqrt((sums[0] + sums[1] + sums[2] + sums[3]) / float(n));
}

TemplateMeasures measureTemplate(const float *shape, float *centred, int n)
{
    TemplateMeasures m;
    if (n < 3)
        return m;
    const float mean = float(sum(shape, n) / n);
    Float4 squares = splat4(0.0f);
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const Float4 c = load4(shape + i) - mean;
        store4(centred + i, c);
        squares += c * c;
    }
    double squareTotal = totalInDouble(squares);
    for (; i < n; ++i) {
        centred[i] = shape[i] - mean;
        squareTotal += double(centred[i]) * double(centred[i]);
    }
    const Extremes e = extremes(shape, n);
    m.norm = float(std::sqrt(squareTotal));
    m.amplitude = e.high - e.low;
    m.steepWidth = e.steepest > 0.0f ? 2.0f * m.amplitude / e.steepest : 0.0f;
    return m;
}

void follow(float *shape, const float *x, int n, float rate)
{
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const Float4 v = load4(shape + i);
        store4(shape + i, v + rate * (load4(x + i) - v));
    }
    for (; i < n; ++i)
        shape[i] += rate * (x[i] - shape[i]);
}

} // namespace BeatMorphology
