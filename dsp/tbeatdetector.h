#pragma once

#include <array>

// Real-time QRS detector for one ECG channel at 250 samples/s.
//
// Band-pass filtering (integer low-pass and high-pass), differentiation and
// moving-window integration turn the ECG into a QRS energy envelope; its peaks
// are classified against adaptive QRS and noise levels, with search-back for
// missed beats, a baseline-shift test and automatic re-learning after three
// seconds without a beat. Everything is 32-bit integer arithmetic with
// truncating division, all state lives in fixed rings (no allocation after
// construction) and every sample costs the same bounded work.
//
// The constants are dimensioned for about 200 counts per millivolt. Station
// samples (12/512 mV per count) go through feedStationSample(), which scales
// them first; feed() takes samples already on the detector's scale.
class TBeatDetector
{
public:
    TBeatDetector();

    // Feeds one sample on the detector's own scale (about 200 counts per mV).
    // Returns the 0-based sample index of a beat confirmed while handling this
    // sample, or -1. The index counts fed samples from 0 (the first sample fed
    // has index 0); a beat confirmed with delay D while handling sample n has
    // index n - D.
    int feed(int sample);

    // Station samples are 12/512 mV per count; scaled by 75/16 (integer) to
    // the detector's scale.
    static int scaleStationSample(int stationSample) { return stationSample * 75 / 16; }
    int feedStationSample(int stationSample) { return feed(scaleStationSample(stationSample)); }

    // Beats per minute from the mean of the last (up to) five RR intervals;
    // 0 until two beats have been found.
    int heartRate() const;

private:
    // Samples at 250 samples/s.
    static constexpr int LowpassLength = 12;
    static constexpr int HighpassLength = 31;
    static constexpr int DerivativeLength = 3;
    static constexpr int WindowWidth = 20;           // 80 ms integration window
    static constexpr int RawDerivativeLength = 121;  // holds the derivative around the candidate QRS
    static constexpr int BaselineScanLength = 55;    // 220 ms scanned by the baseline-shift test
    static constexpr int BaselineLobeDistance = 38;  // 150 ms between the derivative's lobes
    static constexpr int PeakTimeout = 25;           // 100 ms after a maximum
    static constexpr int MinimumPeak = 4;
    static constexpr int PreBlank = 55;              // 220 ms
    static constexpr int OneSecond = 250;
    static constexpr int MinimumSearchBackRr = 90;   // 360 ms
    static constexpr int InitialSearchBackLimit = 375;
    static constexpr int LearnedSearchBackLimit = 413;
    static constexpr int DetectionDelay = 96;
    static constexpr int SearchBackDelay = 76;
    static constexpr int HeartRateIntervals = 5;

    void reset();
    int lowpass(int x);
    int highpass(int u);
    int derivative(int v);
    int integrate(int d);
    int pickPeak(int w);
    int preBlank(int peak);
    int decide(int x, int peak);    // returns the delay of a confirmed beat, or -1
    bool passesBaselineShiftTest();
    void updateThreshold();
    void beatFound(int rr);         // common part of a detection and a search-back beat
    void recordBeat(int delay);

    static int meanOf3(const std::array<int, 3> &v) { return (v[0] + v[1] + v[2]) / 3; }
    static void shiftIn(std::array<int, 3> &v, int value)
    {
        v[2] = v[1];
        v[1] = v[0];
        v[0] = value;
    }

    // Filters.
    int m_lpY1 = 0, m_lpY2 = 0;
    std::array<int, LowpassLength> m_lpRing{};
    int m_lpPos = 0;
    int m_hpSum = 0;
    std::array<int, HighpassLength> m_hpRing{};
    int m_hpPos = 0;
    std::array<int, DerivativeLength> m_derRing{};
    int m_derPos = 0;
    int m_mwiSum = 0;
    std::array<int, WindowWidth> m_mwiRing{};
    int m_mwiPos = 0;
    std::array<int, 3> m_rawRing{};
    int m_rawPos = 0;
    std::array<int, RawDerivativeLength> m_rawDerRing{};
    int m_rawDerPos = 0;

    // Peak picker.
    int m_peakMax = 0;
    int m_timeSinceMax = 0;
    int m_prevInput = 0;

    // Pre-blanking.
    int m_preBlankCount = 0;
    int m_heldPeak = 0;

    // Decision.
    std::array<int, 3> m_qrsLevels{};
    std::array<int, 3> m_noiseLevels{};
    std::array<int, 3> m_rrIntervals{};
    std::array<int, 3> m_resetMaxima{};
    int m_resetCount = 0;
    int m_qrsMean = 0;
    int m_noiseMean = 0;
    int m_rrMean = 0;
    int m_threshold = 0;
    int m_count = 0;
    int m_searchBackPeak = 0;
    int m_searchBackLocation = 0;
    int m_searchBackLimit = 0;
    int m_largestDerivative = 0;
    int m_previousLargestDerivative = 0;
    int m_learnedLevels = 0;
    int m_secondCounter = 0;
    int m_secondMax = 0;

    // Heart rate.
    int m_sampleCounter = 0;
    int m_lastBeatTime = 0;
    std::array<int, HeartRateIntervals> m_beatRr{};
    int m_beatRrPos = 0;
};
