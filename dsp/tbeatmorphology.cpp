#include "dsp/tbeatmorphology.h"

#include <algorithm>
#include <cmath>

namespace BeatMorphology {

std::vector<float> smooth(const std::vector<float> &raw)
{
    const int n = int(raw.size());
    if (n < 5)
        return std::vector<float>(raw.size(), mean(raw, 0, n));
    std::vector<float> out(raw.size());
    float sum = raw[0] + raw[1] + raw[2] + raw[3] + raw[4];
    out[2] = sum / 5.0f;
    for (int i = 3; i + 2 < n; ++i) {
        sum += raw[size_t(i + 2)] - raw[size_t(i - 3)];
        out[size_t(i)] = sum / 5.0f;
    }
    out[0] = out[1] = out[2];
    out[size_t(n - 1)] = out[size_t(n - 2)] = out[size_t(n - 3)];
    return out;
}

int qrsCentre(const std::vector<float> &x, int from, int to)
{
    from = std::max(from, 1);
    to = std::min(to, int(x.size()) - 2);
    double weight = 0.0;
    double moment = 0.0;
    for (int i = from; i <= to; ++i) {
        const double slope = x[size_t(i + 1)] - x[size_t(i - 1)];
        weight += slope * slope;
        moment += slope * slope * i;
    }
    if (weight <= 0.0)
        return (from + to) / 2;
    return int(std::lround(moment / weight));
}

float steepWidth(const std::vector<float> &x, int from, int n)
{
    float steepest = 0.0f;
    for (int i = from + 1; i < from + n - 1; ++i)
        steepest = std::max(steepest, std::abs(x[size_t(i + 1)] - x[size_t(i - 1)]));
    return steepest > 0.0f ? 2.0f * peakToPeak(x, from, n) / steepest : 0.0f;
}

float correlation(const std::vector<float> &a, int aFrom, const std::vector<float> &b, int bFrom, int n)
{
    if (n <= 1)
        return 0.0f;
    const float ma = mean(a, aFrom, n);
    const float mb = mean(b, bFrom, n);
    double ab = 0.0, aa = 0.0, bb = 0.0;
    for (int i = 0; i < n; ++i) {
        const double da = a[size_t(aFrom + i)] - ma;
        const double db = b[size_t(bFrom + i)] - mb;
        ab += da * db;
        aa += da * da;
        bb += db * db;
    }
    if (aa <= 0.0 || bb <= 0.0)
        return 0.0f;
    return float(ab / std::sqrt(aa * bb));
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
    const auto range = std::minmax_element(x.begin() + from, x.begin() + from + n);
    return *range.second - *range.first;
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
    double sum = 0.0;
    for (int i = from; i < from + n; ++i) {
        const double d = raw[size_t(i)] - smoothed[size_t(i)];
        sum += d * d;
    }
    return float(std::sqrt(sum / n));
}

} // namespace BeatMorphology
