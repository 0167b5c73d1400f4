#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

// Drawn beats whose J point and ST level are known by construction, for the
// ST measurement and the ST alarm tests.
namespace StBeats {

constexpr double CountsPerMv = 512.0 / 12.0;
constexpr double Pi = 3.14159265358979;

struct BeatShape
{
    double stMv = 0.0;          // level at the J point
    double slopeMvPerS = 0.0;   // of the ST segment after J
    double widthScale = 1.0;    // 1: a narrow QRS of 80 ms
    double wanderMv = 0.0;      // baseline sway amplitude
    double wanderHz = 0.0;
};

// Piecewise-linear QRS: onset 40 ms before R, Q, R, S, then J 40 ms after R
// at the ST level; a straight ST segment and a T wave well after it. The J
// point is where the steep S upstroke meets the ST segment.
inline double beatValue(double t, const BeatShape &s)   // t in s from the R peak
{
    const double w = s.widthScale;
    struct Point { double t, v; };
    const Point qrs[] = {{-0.040 * w, 0.0}, {-0.020 * w, -0.15}, {0.0, 1.3}, {0.016 * w, -0.45}, {0.040 * w, s.stMv}};
    if (t < qrs[0].t) {
        const double p = t + 0.16;
        return 0.12 * std::exp(-0.5 * p * p / (0.025 * 0.025));
    }
    for (int i = 0; i + 1 < 5; ++i)
        if (t < qrs[i + 1].t)
            return qrs[i].v + (qrs[i + 1].v - qrs[i].v) * (t - qrs[i].t) / (qrs[i + 1].t - qrs[i].t);
    const double j = qrs[4].t;
    const double afterJ = t - j;
    const double st = s.stMv + s.slopeMvPerS * std::min(afterJ, 0.12);
    // The T wave rises after the ST segment, blended in smoothly.
    const double tw = t - (j + 0.24);
    return st * std::exp(-std::max(0.0, afterJ - 0.12) * 20.0) + 0.35 * std::exp(-0.5 * tw * tw / (0.045 * 0.045));
}

// `seconds` of beats at 75/min drawn in station counts; `stShift`, when
// given, moves the ST level (mV) of the beat starting at each time.
inline std::vector<int> drawBeats(const BeatShape &shape, int seconds, const std::function<double(double)> &stShift = {})
{
    std::vector<int> x(size_t(seconds * 250));
    for (size_t i = 0; i < x.size(); ++i) {
        const double t = double(i) / 250.0;
        const double beatT = std::fmod(t, 0.8) - 0.4;   // R at 0.4 s into every 0.8 s
        BeatShape own = shape;
        if (stShift)
            own.stMv += stShift(t - beatT);
        double v = beatValue(beatT, own);
        v += shape.wanderMv * std::sin(2.0 * Pi * shape.wanderHz * t);
        x[i] = int(std::lround(v * CountsPerMv));
    }
    return x;
}

} // namespace StBeats
