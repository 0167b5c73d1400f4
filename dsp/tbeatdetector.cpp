#include "dsp/tbeatdetector.h"

#include <cstdlib>

TBeatDetector::TBeatDetector()
{
    reset();
}

void TBeatDetector::reset()
{
    // Every member starts at zero; only the non-zero starting values remain.
    m_rrIntervals = {OneSecond, OneSecond, OneSecond};
    m_searchBackLimit = InitialSearchBackLimit;
}

int TBeatDetector::feed(int sample)
{
    const int filtered = integrate(derivative(highpass(lowpass(sample))));
    const int peak = preBlank(pickPeak(filtered));
    const int delay = decide(sample, peak);

    ++m_sampleCounter;
    if (delay < 0)
        return -1;
    recordBeat(delay);
    // The sample counter counts fed samples from 1, so the sample just fed has
    // the 0-based index m_sampleCounter - 1 and the beat lies `delay` before it.
    return m_sampleCounter - 1 - delay;
}

int TBeatDetector::heartRate() const
{
    int sum = 0;
    int filled = 0;
    for (int rr : m_beatRr) {
        if (rr != 0) {
            sum += rr;
            ++filled;
        }
    }
    if (filled == 0)
        return 0;
    return 15000 / (sum / filled);
}

// Low-pass: double integrator of a comb, (1 - z^-6)^2 / (1 - z^-1)^2, gain 36.
int TBeatDetector::lowpass(int x)
{
    const int x12 = m_lpRing[m_lpPos];
    int pos6 = m_lpPos + LowpassLength / 2;
    if (pos6 >= LowpassLength)
        pos6 -= LowpassLength;
    const int x6 = m_lpRing[pos6];
    const int y = 2 * m_lpY1 - m_lpY2 + x - 2 * x6 + x12;
    m_lpY2 = m_lpY1;
    m_lpY1 = y;
    m_lpRing[m_lpPos] = x;
    if (++m_lpPos == LowpassLength)
        m_lpPos = 0;
    return y / 36;
}

// High-pass: the input delayed by 15 minus the 31-sample moving average.
int TBeatDetector::highpass(int u)
{
    m_hpSum += u - m_hpRing[m_hpPos];
    // The ring holds u[n-31] at m_hpPos, so u[n-15] sits 16 places later.
    int pos15 = m_hpPos + 16;
    if (pos15 >= HighpassLength)
        pos15 -= HighpassLength;
    const int out = m_hpRing[pos15] - m_hpSum / HighpassLength;
    m_hpRing[m_hpPos] = u;
    if (++m_hpPos == HighpassLength)
        m_hpPos = 0;
    return out;
}

int TBeatDetector::derivative(int v)
{
    const int d = v - m_derRing[m_derPos];
    m_derRing[m_derPos] = v;
    if (++m_derPos == DerivativeLength)
        m_derPos = 0;
    return std::abs(d);
}

int TBeatDetector::integrate(int d)
{
    m_mwiSum += d - m_mwiRing[m_mwiPos];
    m_mwiRing[m_mwiPos] = d;
    if (++m_mwiPos == WindowWidth)
        m_mwiPos = 0;
    const int w = m_mwiSum / WindowWidth;
    return w > 32000 ? 32000 : w;
}

// Reports the height of a maximum of the integrated signal once it has fallen
// to half, or 100 ms after the maximum; 0 when no peak ends here.
int TBeatDetector::pickPeak(int w)
{
    int peak = 0;
    if (m_timeSinceMax > 0)
        ++m_timeSinceMax;
    if (w > m_prevInput && w > m_peakMax) {
        m_peakMax = w;
        if (m_peakMax > 2)
            m_timeSinceMax = 1;
    } else if (w < m_peakMax / 2) {
        peak = m_peakMax;
        m_peakMax = 0;
        m_timeSinceMax = 0;
    } else if (m_timeSinceMax >= PeakTimeout) {
        peak = m_peakMax;
        m_peakMax = 0;
        m_timeSinceMax = 0;
    }
    m_prevInput = w;
    return peak < MinimumPeak ? 0 : peak;
}

// Of peaks closer than 220 ms only the largest passes, 220 ms after it.
int TBeatDetector::preBlank(int peak)
{
    if (m_preBlankCount == 0) {
        if (peak > 0) {
            m_heldPeak = peak;
            m_preBlankCount = PreBlank;
        }
        return 0;
    }
    if (peak > m_heldPeak) {
        m_heldPeak = peak;
        m_preBlankCount = PreBlank;
        return 0;
    }
    if (--m_preBlankCount == 0)
        return m_heldPeak;
    return 0;
}

// A QRS has a raw derivative with a positive and a negative lobe of comparable
// size close together; a baseline shift has one lobe only.
bool TBeatDetector::passesBaselineShiftTest()
{
    int pos = m_rawDerPos;   // the oldest value of the ring
    int largest = m_rawDerRing[pos];
    int smallest = largest;
    int largestAt = 0;
    int smallestAt = 0;
    for (int t = 1; t < BaselineScanLength; ++t) {
        if (++pos == RawDerivativeLength)
            pos = 0;
        const int value = m_rawDerRing[pos];
        if (value > largest) {
            largest = value;
            largestAt = t;
        }
        if (value < smallest) {
            smallest = value;
            smallestAt = t;
        }
    }
    m_largestDerivative = largest;
    const int smallestMagnitude = std::abs(smallest);
    return largest > smallestMagnitude / 8 && smallestMagnitude > largest / 8
        && std::abs(largestAt - smallestAt) < BaselineLobeDistance;
}

void TBeatDetector::updateThreshold()
{
    // trunc(0.375 * difference) in integers: 3/8 with truncating division.
    m_threshold = m_noiseMean + 3 * (m_qrsMean - m_noiseMean) / 8;
}

void TBeatDetector::beatFound(int rr)
{
    shiftIn(m_rrIntervals, rr);
    m_rrMean = meanOf3(m_rrIntervals);
    m_searchBackPeak = 0;
    m_previousLargestDerivative = m_largestDerivative;
    m_largestDerivative = 0;
    m_resetCount = 0;
    m_secondCounter = 0;
    m_secondMax = 0;
    m_searchBackLimit = m_rrMean + m_rrMean / 2 + WindowWidth;
}

int TBeatDetector::decide(int x, int peak)
{
    int delay = -1;

    const int rawDerivative = x - m_rawRing[m_rawPos];
    m_rawRing[m_rawPos] = x;
    if (++m_rawPos == 3)
        m_rawPos = 0;
    m_rawDerRing[m_rawDerPos] = rawDerivative;
    if (++m_rawDerPos == RawDerivativeLength)
        m_rawDerPos = 0;
    ++m_count;

    if (m_learnedLevels < 3) {
        // Learning: the largest peak of each second with a peak becomes a QRS level.
        if (peak > 0)
            m_count = WindowWidth;
        if (++m_secondCounter == OneSecond) {
            m_secondCounter = 0;
            if (m_secondMax > 0) {
                m_qrsLevels[m_learnedLevels] = m_secondMax;
                m_secondMax = 0;
                if (++m_learnedLevels == 3) {
                    m_qrsMean = meanOf3(m_qrsLevels);
                    m_noiseMean = 0;
                    m_rrMean = OneSecond;
                    m_searchBackLimit = LearnedSearchBackLimit;
                    updateThreshold();
                }
            }
        }
        if (peak > m_secondMax)
            m_secondMax = peak;
        return -1;
    }

    if (peak > 0 && passesBaselineShiftTest()) {
        if (peak <= m_threshold) {
            shiftIn(m_noiseLevels, peak);
            m_noiseMean = meanOf3(m_noiseLevels);
            updateThreshold();
            if (peak > m_searchBackPeak && m_count - WindowWidth >= MinimumSearchBackRr) {
                m_searchBackPeak = peak;
                m_searchBackLocation = m_count - WindowWidth;
            }
        } else {
            shiftIn(m_qrsLevels, peak);
            m_qrsMean = meanOf3(m_qrsLevels);
            updateThreshold();
            beatFound(m_count - WindowWidth);
            m_count = WindowWidth;
            delay = DetectionDelay;
        }
    }

    // Search-back: a beat was probably missed; take the largest noise peak.
    if (m_count > m_searchBackLimit && m_searchBackPeak > m_threshold / 2) {
        shiftIn(m_qrsLevels, m_searchBackPeak);
        m_qrsMean = meanOf3(m_qrsLevels);
        updateThreshold();
        beatFound(m_searchBackLocation);
        m_count -= m_searchBackLocation;
        delay = m_count + SearchBackDelay;
    }

    // Re-learning after three seconds without a beat.
    if (++m_secondCounter == OneSecond) {
        m_secondCounter = 0;
        m_resetMaxima[m_resetCount] = m_secondMax;
        m_secondMax = 0;
        if (++m_resetCount == 3) {
            m_qrsLevels = m_resetMaxima;
            m_qrsMean = meanOf3(m_qrsLevels);
            m_noiseLevels = {0, 0, 0};
            m_noiseMean = 0;
            m_rrMean = OneSecond;
            m_searchBackLimit = LearnedSearchBackLimit;
            updateThreshold();
            m_resetCount = 0;
        }
    }
    if (peak > m_secondMax)
        m_secondMax = peak;
    return delay;
}

void TBeatDetector::recordBeat(int delay)
{
    const int beatTime = m_sampleCounter - delay;
    if (m_lastBeatTime != 0) {
        m_beatRr[m_beatRrPos] = beatTime - m_lastBeatTime;
        if (++m_beatRrPos == HeartRateIntervals)
            m_beatRrPos = 0;
    }
    m_lastBeatTime = beatTime;
}
