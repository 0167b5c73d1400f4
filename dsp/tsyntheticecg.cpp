#include "dsp/tsyntheticecg.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr double Pi = 3.14159265358979323846;

// Uniform and normal numbers built on the raw std::mt19937 stream, whose
// output is fixed by the standard (the library's distributions are not), so
// a seed gives the same ECG with every compiler.
class Random
{
public:
    explicit Random(quint32 seed) : m_engine(seed) {}

    // In (0, 1).
    double uniform() { return (double(m_engine()) + 0.5) / 4294967296.0; }

    double gaussian()
    {
        if (m_hasSpare) {
            m_hasSpare = false;
            return m_spare;
        }
        const double radius = std::sqrt(-2.0 * std::log(uniform()));
        const double angle = 2.0 * Pi * uniform();
        m_spare = radius * std::sin(angle);
        m_hasSpare = true;
        return radius * std::cos(angle);
    }

private:
    std::mt19937 m_engine;
    double m_spare = 0.0;
    bool m_hasSpare = false;
};

// One wave of a beat: amplitude (mV), centre and width (s) relative to the R peak.
struct Wave
{
    double amplitude;
    double centre;
    double width;
};

// Heart rate at time t (s), interpolated between the middles of the seconds.
double rateAt(const std::vector<double> &course, double t)
{
    auto clamped = [](double bpm) { return std::isfinite(bpm) ? std::clamp(bpm, 20.0, 250.0) : 60.0; };
    const double position = t - 0.5;
    if (position <= 0.0)
        return clamped(course.front());
    const size_t i = size_t(position);
    if (i + 1 >= course.size())
        return clamped(course.back());
    const double fraction = position - double(i);
    return clamped(course[i] * (1.0 - fraction) + course[i + 1] * fraction);
}

void addWave(std::vector<double> &signal, double rTime, const Wave &wave)
{
    const double centre = (rTime + wave.centre) * TSyntheticEcg::SampleRate;
    const double width = wave.width * TSyntheticEcg::SampleRate;
    const int first = std::max(0, int(std::floor(centre - 5.0 * width)));
    const int last = std::min(int(signal.size()) - 1, int(std::ceil(centre + 5.0 * width)));
    for (int n = first; n <= last; ++n) {
        const double z = (n - centre) / width;
        signal[size_t(n)] += wave.amplitude * std::exp(-0.5 * z * z);
    }
}

} // namespace

TSyntheticEcg::TSyntheticEcg(const TSyntheticEcgOptions &options) : m_options(options) {}

std::vector<qint16> TSyntheticEcg::generate(const std::vector<double> &heartRatePerSecond)
{
    m_beatPositions.clear();
    if (heartRatePerSecond.empty())
        return {};

    Random random(m_options.seed);
    const size_t length = heartRatePerSecond.size() * SampleRate;
    const double duration = double(heartRatePerSecond.size());
    std::vector<double> mv(length, 0.0);

    // Per-recording character: R amplitude, breathing rate and phase.
    const double rAmplitude = 1.15 + 0.25 * random.uniform();
    const double breathingHz = 0.2 + 0.09 * random.uniform();
    const double breathingPhase = 2.0 * Pi * random.uniform();
    auto breathing = [&](double t) { return std::sin(2.0 * Pi * breathingHz * t + breathingPhase); };

    // Beats: the interval follows the course, shortened while breathing in
    // (sinus arrhythmia) and jittered a little; the first beat falls somewhere
    // in the first interval, earlier ones are drawn where they reach in.
    double t = -60.0 / rateAt(heartRatePerSecond, 0.0) * random.uniform();
    while (t < duration + 0.5) {
        const double rr = std::max(0.25, 60.0 / rateAt(heartRatePerSecond, std::max(t, 0.0))
                                             * (1.0 - 0.035 * breathing(t)) * (1.0 + 0.012 * random.gaussian()));
        const double qtScale = std::clamp(std::sqrt(rr), 0.55, 1.25);   // QT shortens with rate
        const double prScale = 0.85 + 0.15 * qtScale;
        const double r = rAmplitude * (1.0 + 0.04 * breathing(t) + 0.02 * random.gaussian());
        const Wave waves[] = {
            {0.15 + 0.01 * random.gaussian(), -0.165 * prScale, 0.022},     // P
            {-0.09 * r, -0.030, 0.009},                                     // Q
            {r, 0.0, 0.010},                                                // R
            {-0.20 * r, 0.030, 0.010},                                      // S
            {0.30 + 0.01 * random.gaussian(), 0.27 * qtScale, 0.048 * qtScale},   // T
            {0.06, 0.34 * qtScale, 0.030 * qtScale},                        // slower T descent
        };
        for (const Wave &wave : waves)
            addWave(mv, t, wave);
        const long position = std::lround(t * SampleRate);
        if (position >= 0 && position < long(length))
            m_beatPositions.push_back(int(position));
        t += rr;
    }

    // Phases and noise are drawn whether or not they are used, so switching one
    // disturbance on leaves the others (and the beats) unchanged.
    const double wanderPhase = 2.0 * Pi * random.uniform();
    const double driftPhase = 2.0 * Pi * random.uniform();
    const double humPhase = 2.0 * Pi * random.uniform();
    double previous = 0.0, previous2 = 0.0;
    for (size_t n = 0; n < length; ++n) {
        const double time = double(n) / SampleRate;
        if (m_options.baselineWander)
            mv[n] += 0.18 * std::sin(2.0 * Pi * breathingHz * time + wanderPhase)
                + 0.08 * std::sin(2.0 * Pi * 0.05 * time + driftPhase);
        if (m_options.mainsHum)
            mv[n] += 0.08 * std::sin(2.0 * Pi * 50.0 * time + humPhase);
        // Muscle noise: white noise through 1 - z^-2 (a band pass with zeros at
        // DC and 125 Hz) scaled to unit power, swelling and fading every 10 s.
        const double white = random.gaussian();
        if (m_options.muscleNoise) {
            const double envelope = 0.75 + 0.5 * std::abs(std::sin(2.0 * Pi * 0.05 * time));
            mv[n] += 0.03 * envelope * (white - previous2) / std::sqrt(2.0);
        }
        previous2 = previous;
        previous = white;
    }

    std::vector<qint16> samples(length);
    for (size_t n = 0; n < length; ++n)
        samples[n] = qint16(std::clamp(std::lround(mv[n] * CountsPerMillivolt), -32768L, 32767L));
    return samples;
}
