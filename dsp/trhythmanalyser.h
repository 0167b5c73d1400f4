#pragma once

#include "dsp/tbeatevidence.h"

#include <QtGlobal>

#include <array>
#include <deque>
#include <memory>
#include <vector>

// The rhythm of one patient, judged as it comes from the station's own beats
// and ECG: atrial fibrillation (or flutter), another rhythm, or a stretch that
// cannot be judged (too few trustworthy beats, or beats that look like
// double detections of noise or T waves).

enum class RhythmLabel : char { Other = 'S', AtrialFibrillation = 'A', Unanalysable = 'U' };

// "AF", "SR", "NOISE": the stable names of the labels in files and output.
const char *rhythmLabelName(RhythmLabel label);
// The label of a stable name; false for an unknown one.
bool rhythmLabelFromName(const QString &name, RhythmLabel &label);

// A stretch of one rhythm, in sample indices of the recording: [start, end).
struct RhythmEpisode
{
    qint64 start = 0;
    qint64 end = 0;
    RhythmLabel label = RhythmLabel::Other;

    bool operator==(const RhythmEpisode &o) const { return start == o.start && end == o.end && label == o.label; }
};

// What a window of beats shows.
struct RhythmFeatures
{
    int intervals = 0;            // usable RR intervals in the window
    double medianInterval = 0.0;  // samples
    // How much consecutive intervals differ, relative to the window's median
    // interval: the smallest over lags of one, two and three beats of the
    // median absolute difference. Successive differences ignore a rate that
    // changes slowly (exercise, recovery); the longer lags see through the
    // regular patterns of bigeminy and trigeminy; the median ignores the odd
    // premature beat.
    double irregularity = 0.0;
    // The mean absolute difference of successive intervals over the median
    // interval: the size of the beat-to-beat changes, the odd early beat
    // included.
    double successive = 0.0;
    // Sample entropy of the intervals (templates of one and two intervals,
    // matching within 6 % of the median), smoothed so that a window with few
    // matches reads log 2: how unpredictable the next interval is. Regular
    // rhythms and repeating patterns (bigeminy) are predictable; fibrillation
    // is not.
    double entropy = 0.0;
    // Standard deviation of the intervals over their mean: the whole spread.
    // Against the same successive differences, a large spread means a rate
    // that drifts (exercise, sinus arrhythmia) rather than one that jumps.
    double spread = 0.0;
    // How alike the stretches before the QRS complexes are (0..1): the power of
    // their average over their mean power. A P wave repeats before every beat;
    // a fibrillating baseline averages away.
    double atrialCoherence = 1.0;
    // How many stretches that coherence averaged: too few (noisy or
    // ventricular beats, a fast rate) and it says nothing, and reads 1.
    int atrialStretches = 0;
    // Share of intervals shorter than 330 ms in a window whose median is longer
    // than 450 ms: extra detections, not a rhythm.
    double shortShare = 0.0;
    // The same measure over the QRS complexes themselves: beats of one heart
    // look alike, detections of noise do not.
    double qrsCoherence = 1.0;
};

// Intervals in samples at 250/s, oldest first; 0 marks a break (an interval
// touching a ventricular beat or a gap), which no difference spans.
RhythmFeatures rhythmIntervalFeatures(const std::vector<int> &intervals);
// Coherence of equally long pre-QRS stretches (each one already detrended).
double atrialCoherence(const std::vector<std::vector<double>> &stretches);
// The evidence for fibrillation in a window: a weighted sum of the features
// above, positive for atrial fibrillation.
double fibrillationScore(const RhythmFeatures &features);
// Unanalysable with too few intervals, unlike QRS complexes or signs of extra
// detections; another rhythm before a clear P wave; otherwise fibrillation
// when the score is positive.
RhythmLabel decideRhythm(const RhythmFeatures &features);

// Judges the rhythm beat by beat, causally. Feed every raw sample with
// addSample() and each decided beat with addBeat() (in beat order, after its
// samples up to the decision have been added, as TBeatClassifier gives them).
// Closed episodes come out of takeEpisode(); the running one is current().
// A new rhythm is taken once four beats in a row agree; its onset is placed
// in the middle of the window that first showed it. Per sample a store; per
// beat a few dozen intervals sorted and one stretch averaged.
class TRhythmAnalyser
{
public:
    static constexpr int Rate = 250;
    static constexpr int WindowIntervals = 30;
    static constexpr int MinimumIntervals = 8;
    static constexpr int ConfirmBeats = 8;
    // Beats further apart than this are a gap: the window starts again.
    static constexpr int GapSamples = 3 * Rate;
    // The stretch before the QRS centre that holds the P wave.
    static constexpr int StretchFrom = 85;  // 340 ms before
    static constexpr int StretchTo = 20;    // 80 ms before
    static constexpr int StretchLength = StretchFrom - StretchTo;
    static constexpr int QrsReach = 12;     // 48 ms either side of the QRS centre
    static constexpr int QrsLength = 2 * QrsReach + 1;

    TRhythmAnalyser();

    void addSample(int sample)
    {
        m_ring[std::size_t(m_samples & (RingLength - 1))] = sample;
        ++m_samples;
    }
    // `centre` the sample index of the beat's QRS centre.
    void addBeat(qint64 centre, BeatLabel label);
    // End of the signal at `sampleCount`: closes the running episode (and, when
    // nothing could be judged, reports the whole as unanalysable).
    void finish(qint64 sampleCount);

    bool takeEpisode(RhythmEpisode &episode);
    // The running rhythm and where it began; Unanalysable before the first judgement.
    RhythmLabel current() const { return m_current; }
    qint64 currentStart() const { return m_currentStart; }
    bool judged() const { return m_judged; }
    qint64 samples() const { return m_samples; }

private:
    static constexpr int RingLength = 4096;   // 16 s of samples (a power of two)

    struct Beat
    {
        qint64 centre = 0;
        int interval = 0;   // from the previous beat, 0 when it does not count
        bool ventricular = false;
        bool hasStretch = false;
        std::array<float, StretchLength> stretch{};
        bool hasQrs = false;
        std::array<float, QrsLength> qrs{};
    };

    template <std::size_t N>
    bool copyStretch(qint64 from, std::array<float, N> &stretch) const;
    template <std::size_t N, typename Select>
    double windowCoherence(Select select, int *counted = nullptr) const;
    RhythmFeatures windowFeatures();
    void judge();
    void change(RhythmLabel label, qint64 at);

    std::array<int, RingLength> m_ring{};
    qint64 m_samples = 0;
    std::deque<Beat> m_window;
    qint64 m_previousCentre = -1;
    BeatLabel m_previousLabel = BeatLabel::Ventricular;
    RhythmLabel m_current = RhythmLabel::Unanalysable;
    qint64 m_currentStart = 0;
    bool m_judged = false;
    RhythmLabel m_candidate = RhythmLabel::Unanalysable;
    int m_candidateCount = 0;
    qint64 m_candidateOnset = 0;
    std::deque<RhythmEpisode> m_closed;
    std::vector<int> m_intervals;               // scratch, kept to avoid allocating per beat

};

// The rhythm of a recording fed sample by sample (raw station samples), from
// the station's detector and classifier, exactly as the live station judges
// it: memory does not grow with the recording, only with its episodes.
class TRhythmRecordingAnalysis
{
public:
    TRhythmRecordingAnalysis();
    ~TRhythmRecordingAnalysis();
    void addSample(qint16 sample);
    // Closes the last episode; the episodes in order.
    std::vector<RhythmEpisode> finish();

private:
    struct Parts;
    void take();
    std::unique_ptr<Parts> m_parts;
    qint64 m_samples = 0;
    std::vector<RhythmEpisode> m_episodes;
};

// The rhythm episodes of a whole recording held in memory.
std::vector<RhythmEpisode> rhythmEpisodes(const std::vector<qint16> &samples);
