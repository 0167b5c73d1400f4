#include "dsp/tbeatmorphology.h"

#include "dsp/stationrate.h"

#include <algorithm>
#include <cmath>

namespace BeatMorphology {

static_assert(StationSampleRate == 5 * 50, "the five-sample average cancels 50 Hz mains");

namespace {

// Sums and extremes over many samples are kept in four parts, each taking
// every fourth value, and joined at the end: plain loops over groups of four
// that the compiler turns into vector code, and a float rounding error that
// stays small over a window. Values after the last whole group of four are
// taken on their own.
constexpr int Parts = 4;

// The four partial sums added in double, first to last.
double joinInDouble(const float part[Parts])
{
    return double(part[0]) + double(part[1]) + double(part[2]) + double(part[3]);
}

// The sum of x[0, n): four partial sums of floats joined in double.
double sum(const float *x, int n)
{
    float part[Parts] = {};
    int i = 0;
    for (; i + Parts <= n; i += Parts)
        for (int k = 0; k < Parts; ++k)
            part[k] += x[i + k];
    double s = joinInDouble(part);
    for (; i < n; ++i)
        s += x[i];
    return s;
}

// Lowest and highest of v[0, n) and the steepest slope |v[i + 1] - v[i - 1]|
// for 0 < i < n - 1.
struct Extremes
{
    float low, high, steepest;
};

// std::min and std::max by value.
float lower(float a, float b)
{
    return b < a ? b : a;
}

float higher(float a, float b)
{
    return a < b ? b : a;
}

// Written through a reference: returned by value, the three floats went back
// packed in a register through memory, a store the processor cannot forward.
void extremes(const float *v, int n, Extremes &e)
{
    // Four running extremes, each over every fourth value.
    // Initialised whole, so that the compiler keeps them in registers.
    float low[Parts] = {v[0], v[0], v[0], v[0]}, high[Parts] = {v[0], v[0], v[0], v[0]}, steep[Parts] = {};
    int i = 1;
    for (; i + Parts < n; i += Parts) {
        // As std::min and std::max take them, written so that the compiler
        // sees the vector minimum and maximum.
        for (int k = 0; k < Parts; ++k) {
            const float x = v[i + k];
            const float slope = std::fabs(v[i + k + 1] - v[i + k - 1]);
            low[k] = x < low[k] ? x : low[k];
            high[k] = high[k] < x ? x : high[k];
            steep[k] = steep[k] < slope ? slope : steep[k];
        }
    }
    // Joined by value: std::min and std::max return references, which made
    // the compiler put the four parts in memory and pick one by address.
    // Extremes do not depend on the order they are taken in.
    e.low = lower(lower(low[0], low[1]), lower(low[2], low[3]));
    e.high = higher(higher(high[0], high[1]), higher(high[2], high[3]));
    e.steepest = higher(higher(steep[0], steep[1]), higher(steep[2], steep[3]));
    for (; i < n - 1; ++i) {
        e.low = std::min(e.low, v[i]);
        e.high = std::max(e.high, v[i]);
        e.steepest = std::max(e.steepest, std::abs(v[i + 1] - v[i - 1]));
    }
    e.low = std::min(e.low, v[n - 1]);
    e.high = std::max(e.high, v[n - 1]);
}

} // namespace

void smooth(const int *raw, std::vector<float> &out, int from, int to)
{
    // Sums of five samples are exact in integers.
    float *o = out.data();
    int i = from;
    for (; i + Parts <= to; i += Parts) {
        int sum[Parts];
        for (int k = 0; k < Parts; ++k)
            sum[k] = raw[i + k - 2] + raw[i + k - 1] + raw[i + k] + raw[i + k + 1] + raw[i + k + 2];
        for (int k = 0; k < Parts; ++k)
            o[i + k] = float(sum[k]) * 0.2f;
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
    float weights[Parts] = {}, moments[Parts] = {};
    int i = from;
    for (; i + Parts - 1 <= to; i += Parts) {
        for (int k = 0; k < Parts; ++k) {
            const float slope = v[i + k + 1] - v[i + k - 1];
            weights[k] += slope * slope;
            moments[k] += slope * slope * float(i + k - from);
        }
    }
    float weight = (weights[0] + weights[1]) + (weights[2] + weights[3]);
    float moment = (moments[0] + moments[1]) + (moments[2] + moments[3]);
    for (; i <= to; ++i) {
        const float slope = v[i + 1] - v[i - 1];
        weight += slope * slope;
        moment += slope * slope * float(i - from);
    }
    if (weight <= 0.0f)
        return (from + to) / 2;
    // lround() of a quotient that is never negative, without the library call
    // (exact in double: the float quotient plus one half needs no rounding).
    return from + int(double(moment / weight) + 0.5);
}

float steepWidth(const float *v, int n, float *amplitude)
{
    if (amplitude)
        *amplitude = 0.0f;
    if (n < 3)
        return 0.0f;
    Extremes e;
    extremes(v, n, e);
    if (amplitude)
        *amplitude = e.high - e.low;
    return e.steepest > 0.0f ? 2.0f * (e.high - e.low) / e.steepest : 0.0f;
}

float dot(const float *a, const float *b, int n)
{
    float part[Parts] = {};
    int i = 0;
    for (; i + Parts <= n; i += Parts)
        for (int k = 0; k < Parts; ++k)
            part[k] += a[i + k] * b[i + k];
    for (; i < n; ++i)
        part[0] += a[i] * b[i];
    return (part[0] + part[1]) + (part[2] + part[3]);
}

void dotsAtLags(const float *x, const float *t, int n, float dots[LagCount])
{
    // Three alignments per pass, each summed exactly as dot() sums it: the
    // additions of one alignment wait on each other, those of the others do
    // not, so the processor overlaps them; the template is read once for
    // the three.
    int lag = 0;
    for (; lag + 2 < LagCount; lag += 3) {
        const float *a = x + lag, *b = x + lag + 1, *c = x + lag + 2;
        float partA[Parts] = {}, partB[Parts] = {}, partC[Parts] = {};
        int i = 0;
        for (; i + Parts <= n; i += Parts) {
            for (int k = 0; k < Parts; ++k)
                partA[k] += a[i + k] * t[i + k];
            for (int k = 0; k < Parts; ++k)
                partB[k] += b[i + k] * t[i + k];
            for (int k = 0; k < Parts; ++k)
                partC[k] += c[i + k] * t[i + k];
        }
        for (; i < n; ++i) {
            partA[0] += a[i] * t[i];
            partB[0] += b[i] * t[i];
            partC[0] += c[i] * t[i];
        }
        dots[lag] = (partA[0] + partA[1]) + (partA[2] + partA[3]);
        dots[lag + 1] = (partB[0] + partB[1]) + (partB[2] + partB[3]);
        dots[lag + 2] = (partC[0] + partC[1]) + (partC[2] + partC[3]);
    }
    for (; lag < LagCount; ++lag)
        dots[lag] = dot(x + lag, t, n);
}

float correlation(const float *pa, const float *pb, int n)
{
    if (n <= 1)
        return 0.0f;
    // Sums of both and of their products, each taken about its first value
    // so that a trace far from zero keeps its precision; partial sums of
    // floats joined in double.
    const float a0 = pa[0], b0 = pb[0];
    float sa4[Parts] = {}, sb4[Parts] = {}, ab4[Parts] = {}, aa4[Parts] = {}, bb4[Parts] = {};
    int i = 0;
    for (; i + Parts <= n; i += Parts) {
        for (int k = 0; k < Parts; ++k) {
            const float va = pa[i + k] - a0, vb = pb[i + k] - b0;
            sa4[k] += va;
            sb4[k] += vb;
            ab4[k] += va * vb;
            aa4[k] += va * va;
            bb4[k] += vb * vb;
        }
    }
    double sa = joinInDouble(sa4), sb = joinInDouble(sb4), ab = joinInDouble(ab4);
    double aa = joinInDouble(aa4), bb = joinInDouble(bb4);
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
    // Four running extremes, each over every fourth value, as in extremes().
    const float *v = x.data() + from;
    float low[Parts] = {v[0], v[0], v[0], v[0]}, high[Parts] = {v[0], v[0], v[0], v[0]};
    int i = 1;
    for (; i + Parts <= n; i += Parts) {
        for (int k = 0; k < Parts; ++k) {
            low[k] = lower(low[k], v[i + k]);
            high[k] = higher(high[k], v[i + k]);
        }
    }
    float lo = lower(lower(low[0], low[1]), lower(low[2], low[3]));
    float hi = higher(higher(high[0], high[1]), higher(high[2], high[3]));
    for (; i < n; ++i) {
        lo = lower(lo, v[i]);
        hi = higher(hi, v[i]);
    }
    return hi - lo;
}

float mean(const std::vector<float> &x, int from, int n)
{
    return n > 0 ? float(sum(x.data() + from, n) / n) : 0.0f;
}

void sumsAbout(const float *x, int n, float about, double &sum, double &squares)
{
    float sums[Parts] = {}, sumsOfSquares[Parts] = {};
    int i = 0;
    for (; i + Parts <= n; i += Parts) {
        for (int k = 0; k < Parts; ++k) {
            const float d = x[i + k] - about;
            sums[k] += d;
            sumsOfSquares[k] += d * d;
        }
    }
    double s = joinInDouble(sums), s2 = joinInDouble(sumsOfSquares);
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
    float part[Parts] = {};
    int i = 0;
    for (; i + Parts <= n; i += Parts) {
        for (int k = 0; k < Parts; ++k) {
            const float d = float(r[i + k]) - s[i + k];
            part[k] += d * d;
        }
    }
    for (; i < n; ++i) {
        const float d = float(r[i]) - s[i];
        part[i % Parts] += d * d;
    }
    return std::sqrt((part[0] + part[1] + part[2] + part[3]) / float(n));
}

TemplateMeasures measureTemplate(const float *shape, float *centred, int n)
{
    TemplateMeasures m;
    if (n < 3)
        return m;
    const float mean = float(sum(shape, n) / n);
    float squares[Parts] = {};
    int i = 0;
    for (; i + Parts <= n; i += Parts) {
        // All four read before any is written: `centred` might overlap
        // `shape` as far as the compiler knows, and reading first lets it
        // keep the group in one vector.
        float c[Parts];
        for (int k = 0; k < Parts; ++k)
            c[k] = shape[i + k] - mean;
        for (int k = 0; k < Parts; ++k) {
            centred[i + k] = c[k];
            squares[k] += c[k] * c[k];
        }
    }
    double squareTotal = joinInDouble(squares);
    for (; i < n; ++i) {
        centred[i] = shape[i] - mean;
        squareTotal += double(centred[i]) * double(centred[i]);
    }
    Extremes e;
    extremes(shape, n, e);
    m.norm = float(std::sqrt(squareTotal));
    m.amplitude = e.high - e.low;
    m.steepWidth = e.steepest > 0.0f ? 2.0f * m.amplitude / e.steepest : 0.0f;
    return m;
}

void follow(float *shape, const float *x, int n, float rate)
{
    int i = 0;
    for (; i + Parts <= n; i += Parts) {
        float step[Parts];
        for (int k = 0; k < Parts; ++k)
            step[k] = rate * (x[i + k] - shape[i + k]);
        for (int k = 0; k < Parts; ++k)
            shape[i + k] += step[k];
    }
    for (; i < n; ++i)
        shape[i] += rate * (x[i] - shape[i]);
}

} // namespace BeatMorphology
