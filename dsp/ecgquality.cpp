#include "dsp/ecgquality.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr int SlopeLag = 4;   // 16 ms
}

double EcgQuality::sharpness(const short *samples, int count)
{
    if (count <= SlopeLag)
        return 0.0;
    qint64 sum = 0;
    int largest = 0;
    for (int i = SlopeLag; i < count; ++i) {
        const int slope = std::abs(samples[i] - samples[i - SlopeLag]);
        sum += slope;
        largest = std::max(largest, slope);
    }
    if (sum == 0)
        return 0.0;
    return double(largest) * (count - SlopeLag) / double(sum);
}

bool EcgQuality::steadyBeats(const qint64 *indices, const int *amplitudes, int count)
{
    if (count < SteadyBeats)
        return false;
    double meanInterval = double(indices[count - 1] - indices[0]) / (count - 1);
    double meanAmplitude = 0;
    for (int i = 0; i < count; ++i)
        meanAmplitude += amplitudes[i];
    meanAmplitude /= count;
    if (meanInterval <= 0 || meanAmplitude <= 0)
        return false;
    for (int i = 0; i < count; ++i) {
        if (std::abs(amplitudes[i] - meanAmplitude) > SteadyAmplitudeSpread * meanAmplitude)
            return false;
        if (i > 0 && std::abs(double(indices[i] - indices[i - 1]) - meanInterval) > SteadyIntervalSpread * meanInterval)
            return false;
    }
    return true;
}

void EcgQuality::addSample(int sample)
{
    const size_t block = size_t((m_fed / BlockSamples) % WindowBlocks);
    if (m_fed % BlockSamples == 0) {
        m_slopeSum[block] = 0;
        m_slopeMax[block] = 0;
        m_low[block] = m_high[block] = sample;
    }
    if (m_fed >= SlopeLag) {
        const int slope = std::abs(sample - m_ring[size_t((m_fed - SlopeLag) % Ring)]);
        m_slopeSum[block] += slope;
        m_slopeMax[block] = std::max(m_slopeMax[block], slope);
    }
    m_low[block] = std::min(m_low[block], sample);
    m_high[block] = std::max(m_high[block], sample);
    m_ring[size_t(m_fed % Ring)] = short(sample);
    ++m_fed;
    if (m_fed % BlockSamples == 0 && m_fed >= WindowBlocks * BlockSamples) {
        m_history[size_t(m_judged % HistoryBlocks)] = blockJudgement(m_fed);
        ++m_judged;
    } else if (m_fed % BlockSamples == 0) {
        m_history[size_t(m_judged % HistoryBlocks)] = true;
        ++m_judged;
    }
}

bool EcgQuality::blockJudgement(qint64 blockEnd) const
{
    qint64 sum = 0;
    int largest = 0, low = m_low[0], high = m_high[0];
    for (size_t b = 0; b < WindowBlocks; ++b) {
        sum += m_slopeSum[b];
        largest = std::max(largest, m_slopeMax[b]);
        low = std::min(low, m_low[b]);
        high = std::max(high, m_high[b]);
    }
    if (high - low < QuietCounts || sum == 0)
        return true;
    const double sharp = double(largest) * (WindowBlocks * BlockSamples) / double(sum);
    if (sharp >= NoisySharpness)
        return true;
    // Not sharp: a steady rhythm of wide beats (a ventricular rhythm) is
    // still one to analyse. The beats of the last three seconds are asked.
    qint64 indices[KeptBeats];
    int amplitudes[KeptBeats];
    int count = 0;
    const int kept = std::min(m_beats, KeptBeats);
    for (int k = kept; k >= 1; --k) {
        const size_t slot = size_t((m_beats - k) % KeptBeats);
        if (m_beatIndex[slot] >= blockEnd - 3 * SampleRate - SampleRate / 2 && m_beatAmplitude[slot] >= 0) {
            indices[count] = m_beatIndex[slot];
            amplitudes[count] = m_beatAmplitude[slot];
            ++count;
        }
    }
    return steadyBeats(indices, amplitudes, count);
}

void EcgQuality::addBeat(qint64 index)
{
    const size_t slot = size_t(m_beats % KeptBeats);
    m_beatIndex[slot] = index;
    m_beatAmplitude[slot] = amplitudeAt(index);
    ++m_beats;
}

int EcgQuality::amplitudeAt(qint64 index) const
{
    const qint64 from = std::max<qint64>(0, index - SampleRate / 10);
    const qint64 to = std::min(m_fed - 1, index + SampleRate / 10);
    if (from < m_fed - Ring || to < from)
        return -1;
    int low = m_ring[size_t(from % Ring)], high = low;
    for (qint64 k = from + 1; k <= to; ++k) {
        low = std::min<int>(low, m_ring[size_t(k % Ring)]);
        high = std::max<int>(high, m_ring[size_t(k % Ring)]);
    }
    return high - low;
}

bool EcgQuality::analysableAt(qint64 index) const
{
    const qint64 block = index / BlockSamples;
    for (qint64 b = block; b <= block + 1; ++b) {
        if (b < m_judged && b >= m_judged - HistoryBlocks && b >= 0 && !m_history[size_t(b % HistoryBlocks)])
            return false;
    }
    return true;
}

int EcgQuality::noisyBlocks(int blocks) const
{
    int noisy = 0;
    for (qint64 b = std::max<qint64>(0, m_judged - std::min(blocks, HistoryBlocks)); b < m_judged; ++b)
        noisy += m_history[size_t(b % HistoryBlocks)] ? 0 : 1;
    return noisy;
}
