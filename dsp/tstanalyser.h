#pragma once

#include "dsp/tbeatclassifier.h"

#include <array>
#include <vector>

// ST-segment measurement for one patient's lead, in real time.
//
// Every non-ventricular beat is measured on the raw samples (the monitoring
// filters' high-pass would bend the ST segment): the isoelectric level is the
// mean of the PR segment just before the QRS onset, and the baseline between
// beats is the parabola through three consecutive isoelectric levels, so a
// breathing sway or a slow drift is taken off without any phase shift. The
// QRS onset and the J point come from the median beat of the patient's last
// nine clean beats (robust to noise or an odd shape on any single beat); each
// beat keeps its own J point, placed at the same distance from its own
// aligned QRS.

namespace StMeasure {

constexpr int Rate = 250;
constexpr double MicrovoltsPerCount = 12.0 / 512.0 * 1000.0;   // station counts

// Averaged-beat window around the QRS centre, in samples.
constexpr int Before = 75;     // 300 ms
constexpr int After = 150;     // 600 ms
constexpr int Length = Before + After;

// QRS onset and J point of a beat whose centre lies at `centre` of `x`, both
// as indexes of x; false when the beat has no clear QRS. x holds at least
// centre - 40 .. centre + 50 (a baseline-free median beat, any scale).
struct Fiducials
{
    int onset = 0;
    int j = 0;
    int isoelectric = 0;   // last sample of the PR segment's flattest four, just before the onset
};
bool delineate(const float *x, int size, int centre, Fiducials &out);

// The ST level of a beat in the units of x: the mean of five samples around
// `point` against the baseline through the isoelectric knots. `knots` holds
// up to three (position, level) pairs in increasing position.
struct Knot
{
    double position = 0.0;
    double level = 0.0;
};
double baselineAt(const Knot *knots, int count, double position);
double stLevel(const int *x, int point, const Knot *knots, int count);

// The isoelectric level: the mean of the four samples ending at `at`.
double isoelectricLevel(const int *x, int at);

} // namespace StMeasure

// One measured beat.
struct TStBeat
{
    int r = 0;            // QRS centre, sample index
    int j = 0;            // J point, sample index
    int point = 0;        // the measurement point, sample index
    double stUv = 0.0;    // ST level against the isoelectric level, microvolts
    double qrsUv = 0.0;   // height of the median beat's QRS (peak to peak) when measured, microvolts
    int qrsMs = 0;        // the median beat's QRS duration (onset to J) when measured
};

// The median beat the J point is found on, in microvolts against its
// isoelectric level, with its landmarks as indexes of `samples`.
struct TStMedianBeat
{
    std::vector<float> samples;
    int centre = 0;
    int onset = 0;
    int isoelectricFrom = 0;
    int isoelectricTo = 0;
    int j = 0;
    int point = 0;
    double stUv = 0.0;
    bool valid() const { return !samples.empty(); }
};

class TStAnalyser
{
public:
    static constexpr int DefaultPointMs = 60;

    // `pointMs` after the J point is where the ST level is taken (40-80 ms).
    explicit TStAnalyser(int pointMs = DefaultPointMs);

    int pointMs() const { return m_pointMs; }

    // Every raw sample, in order, before the decisions about the beats it
    // completes (the classifier's order).
    // The ring holds the sum of five samples centred on each (a five-point
    // moving average, which cancels 50-Hz mains exactly at 250 samples/s),
    // two samples behind the last one fed.
    void addSample(int sample)
    {
        m_sum += sample - m_last[std::size_t(m_fed % 5)];
        m_last[std::size_t(m_fed % 5)] = sample;
        ++m_fed;
        if (m_fed >= 5) {
            const int at = m_fed - 3;
            m_ring[std::size_t(at & (RingLength - 1))] = m_sum;
            m_samples = at + 1;
        }
    }
    // Each of the classifier's decisions in turn; returns true and fills
    // `beat` when the beat was measured.
    bool addDecision(const TBeatDecision &decision, TStBeat &beat);

    // The median beat as it stands, with its landmarks and ST level;
    // empty until a beat has been measured.
    TStMedianBeat medianBeat() const;

private:
    static constexpr int RingLength = 4096;   // 16 s (a power of two)
    static constexpr int MedianBeats = 9;     // the median beat is taken over the last nine clean beats

    int sampleAt(int index) const { return m_ring[std::size_t(index & (RingLength - 1))]; }
    bool held(int from, int to) const { return from >= 0 && from >= m_samples - RingLength && to < m_samples; }
    int alignmentLag(const int *x) const;
    bool noisy(const int *x, int onset, int j) const;

    int m_pointMs;
    std::array<int, RingLength> m_ring{};
    int m_samples = 0;            // smoothed samples held: the next is sample m_samples
    std::array<int, 5> m_last{};
    int m_fed = 0;
    int m_sum = 0;

    void addToMedian(const float *beat);

    std::array<std::array<float, StMeasure::Length>, MedianBeats> m_recent{};   // a ring of clean beats
    std::array<std::array<float, MedianBeats>, StMeasure::Length> m_sorted{};   // each sample's values in them, in order
    std::array<float, StMeasure::Length> m_median{};   // their median, sample by sample
    int m_cleanBeats = 0;
    StMeasure::Fiducials m_fiducials;         // of the median beat, as indexes of it
    bool m_delineated = false;

    StMeasure::Knot m_previousKnot;
    bool m_hasPreviousKnot = false;
    double m_lastStUv = 0.0;
};
