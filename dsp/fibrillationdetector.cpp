#include "dsp/fibrillationdetector.h"

#include "dsp/ecgquality.h"

#include <algorithm>
#include <bitset>
#include <cmath>

namespace {

constexpr int WindowInput = FibrillationDetector::WindowSamples * FibrillationDetector::Decimation;

struct Tables
{
    std::array<double, FibrillationDetector::WindowSamples> cosine{}, sine{}, hann{};
    Tables()
    {
        const double pi = std::acos(-1.0);
        for (int n = 0; n < FibrillationDetector::WindowSamples; ++n) {
            cosine[size_t(n)] = std::cos(2 * pi * n / FibrillationDetector::WindowSamples);
            sine[size_t(n)] = std::sin(2 * pi * n / FibrillationDetector::WindowSamples);
            hann[size_t(n)] = 0.5 - 0.5 * std::cos(2 * pi * n / (FibrillationDetector::WindowSamples - 1));
        }
    }
};

const Tables &tables()
{
    static const Tables t;
    return t;
}

} // namespace

bool FibrillationDetector::Features::fibrillatory() const
{
    return peakHz >= RateLowBin / 4.0 && peakHz <= RateHighBin / 4.0 && concentration >= Concentration
        && sharpness < MaximumSharpness && rangeCounts >= MinimumRangeCounts;
}

FibrillationDetector::Features FibrillationDetector::analyse(const short *samples, int count)
{
    Features f;
    if (count < WindowInput)
        return f;
    samples += count - WindowInput;
    const auto range = std::minmax_element(samples, samples + WindowInput);
    f.rangeCounts = *range.second - *range.first;
    f.sharpness = EcgQuality::sharpness(samples, WindowInput);

    // Averages of five samples: 50/s, nothing above 25 Hz folded back much.
    std::array<double, WindowSamples> y{};
    double mean = 0;
    for (int n = 0; n < WindowSamples; ++n) {
        int sum = 0;
        for (int k = 0; k < Decimation; ++k)
            sum += samples[n * Decimation + k];
        y[size_t(n)] = double(sum) / Decimation;
        mean += y[size_t(n)];
    }
    mean /= WindowSamples;
    const Tables &t = tables();
    for (int n = 0; n < WindowSamples; ++n)
        y[size_t(n)] = (y[size_t(n)] - mean) * t.hann[size_t(n)];

    std::array<double, HighestBin + 1> power{};
    double total = 0;
    int peak = LowestBin;
    for (int k = LowestBin; k <= HighestBin; ++k) {
        double re = 0, im = 0;
        for (int n = 0; n < WindowSamples; ++n) {
            const size_t phase = size_t((k * n) % WindowSamples);
            re += y[size_t(n)] * t.cosine[phase];
            im -= y[size_t(n)] * t.sine[phase];
        }
        power[size_t(k)] = re * re + im * im;
        total += power[size_t(k)];
        if (power[size_t(k)] > power[size_t(peak)])
            peak = k;
    }
    f.peakHz = peak / 4.0;
    if (total > 0) {
        double around = 0;
        for (int k = std::max(LowestBin, peak - PeakHalfWidth); k <= std::min(HighestBin, peak + PeakHalfWidth); ++k)
            around += power[size_t(k)];
        f.concentration = around / total;
    }
    return f;
}

void FibrillationDetector::addSample(int sample)
{
    m_ring[size_t(m_fed % Ring)] = short(sample);
    ++m_fed;
    if (m_fed % SampleRate != 0 || m_fed < WindowInput)
        return;
    std::array<short, WindowInput> window{};
    for (int i = 0; i < WindowInput; ++i)
        window[size_t(i)] = m_ring[size_t((m_fed - WindowInput + i) % Ring)];
    m_last = analyse(window.data(), WindowInput);
    m_recent = ((m_recent << 1) | (m_last.fibrillatory() ? 1u : 0u)) & 0xFu;
    m_confirmed = int(std::bitset<4>(m_recent).count()) >= ConfirmSeconds;
}
