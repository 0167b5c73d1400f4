#include "dsp/trhythmanalyser.h"

#include "dsp/tbeatclassifier.h"
#include "dsp/tbeatdetector.h"

#include <QString>

#include <algorithm>
#include <cmath>

namespace {

// The decision is one weighted sum of a few features, fitted (logistic
// regression, one weight per window and every recording weighing the same)
// on short recordings of normal rhythm, fibrillation and other rhythms, and
// checked on recordings it never saw. The logarithms turn ratios into
// additive evidence; the offsets keep them finite.
constexpr double ScoreBias = -5.36;
constexpr double SuccessiveWeight = 1.72;     // per log of (successive + 0.01)
constexpr double EntropyWeight = 1.76;
constexpr double SpreadWeight = -8.1;
constexpr double AtrialWeight = -1.2;         // per log of (atrial coherence + 0.02)
constexpr double RateWeight = -2.86;          // per log of (median interval / 800 ms)
constexpr double QrsWeight = 6.28;
// An irregular window with no P wave counts this much more.
constexpr double IrregularNoPWaveBonus = 1.0;
constexpr double IrregularityLimit = 0.06;
constexpr double CoherenceLimit = 0.40;
// A P wave this clear before the beats is never fibrillation, however
// irregular they are (frequent atrial ectopy, a wandering pacemaker).
constexpr double ClearPWave = 0.70;
// Below this the "beats" of the window are too unlike to be one heart's.
constexpr double QrsCoherenceLimit = 0.30;
// Sample entropy: intervals within this share of the median match.
constexpr double EntropyTolerance = 0.06;
// Intervals shorter than this share of the median end a premature beat.
constexpr double PrematureShare = 0.9;
// More short intervals than this share mean extra detections (fibrillation
// itself brings some short intervals).
constexpr double ShortShareLimit = 0.15;
constexpr int ShortInterval = 82;          // 330 ms
constexpr int ShortCheckMedian = 112;      // 450 ms
constexpr int MinimumStretches = 5;
// The stretch before a beat must not reach back into the previous QRS.
constexpr int MinimumStretchInterval = 100;

double medianOf(std::vector<double> &values)
{
    if (values.empty())
        return 0.0;
    const std::size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(mid), values.end());
    double m = values[mid];
    if (values.size() % 2 == 0)
        m = (m + *std::max_element(values.begin(), values.begin() + std::ptrdiff_t(mid))) / 2.0;
    return m;
}

} // namespace

const char *rhythmLabelName(RhythmLabel label)
{
    switch (label) {
    case RhythmLabel::AtrialFibrillation:
        return "AF";
    case RhythmLabel::Other:
        return "SR";
    case RhythmLabel::Unanalysable:
        break;
    }
    return "NOISE";
}

bool rhythmLabelFromName(const QString &name, RhythmLabel &label)
{
    for (RhythmLabel l : {RhythmLabel::AtrialFibrillation, RhythmLabel::Other, RhythmLabel::Unanalysable}) {
        if (name == QLatin1String(rhythmLabelName(l))) {
            label = l;
            return true;
        }
    }
    return false;
}

RhythmFeatures rhythmIntervalFeatures(const std::vector<int> &intervals)
{
    RhythmFeatures f;
    std::vector<double> values;
    for (int rr : intervals)
        if (rr > 0)
            values.push_back(rr);
    f.intervals = int(values.size());
    if (values.empty())
        return f;
    const double median = medianOf(values);
    if (median <= 0.0)
        return f;
    f.medianInterval = median;
    int shortCount = 0;
    for (int rr : intervals)
        if (rr > 0 && rr < ShortInterval)
            ++shortCount;
    f.shortShare = median > ShortCheckMedian ? double(shortCount) / f.intervals : 0.0;

    double smallest = -1.0;
    for (std::size_t lag = 1; lag <= 3; ++lag) {
        std::vector<double> differences;
        for (std::size_t i = lag; i < intervals.size(); ++i)
            if (intervals[i] > 0 && intervals[i - lag] > 0)
                differences.push_back(std::abs(intervals[i] - intervals[i - lag]));
        if (differences.empty())
            continue;
        const double d = medianOf(differences) / median;
        if (smallest < 0.0 || d < smallest)
            smallest = d;
    }
    f.irregularity = std::max(0.0, smallest);

    double differenceSum = 0.0;
    int differences = 0;
    for (std::size_t i = 1; i < intervals.size(); ++i) {
        if (intervals[i] > 0 && intervals[i - 1] > 0) {
            differenceSum += std::abs(intervals[i] - intervals[i - 1]);
            ++differences;
        }
    }
    f.successive = differences > 0 ? differenceSum / differences / median : 0.0;

    double mean = 0.0;
    for (double v : values)
        mean += v;
    mean /= double(values.size());
    double variance = 0.0;
    for (double v : values)
        variance += (v - mean) * (v - mean);
    f.spread = std::sqrt(variance / double(values.size())) / mean;

    // Pairs of positions whose intervals match, and of those how many whose
    // next intervals match too; no template spans a break.
    const double tolerance = EntropyTolerance * median;
    int matches = 0, longerMatches = 0;
    const std::size_t n = intervals.size();
    for (std::size_t i = 0; i + 1 < n; ++i) {
        if (intervals[i] <= 0 || intervals[i + 1] <= 0)
            continue;
        for (std::size_t j = i + 1; j + 1 < n; ++j) {
            if (intervals[j] <= 0 || intervals[j + 1] <= 0 || std::abs(intervals[i] - intervals[j]) > tolerance)
                continue;
            ++matches;
            if (std::abs(intervals[i + 1] - intervals[j + 1]) <= tolerance)
                ++longerMatches;
        }
    }
    f.entropy = -std::log((longerMatches + 1.0) / (matches + 2.0));
    return f;
}

double atrialCoherence(const std::vector<std::vector<double>> &stretches)
{
    if (stretches.empty())
        return 1.0;
    const std::size_t n = stretches.front().size();
    double meanPower = 0.0;
    std::vector<double> average(n, 0.0);
    for (const std::vector<double> &s : stretches) {
        for (std::size_t k = 0; k < n && k < s.size(); ++k) {
            average[k] += s[k];
            meanPower += s[k] * s[k];
        }
    }
    meanPower /= double(stretches.size()) * double(n);
    if (meanPower <= 0.0)
        return 1.0;
    double averagePower = 0.0;
    for (double a : average) {
        const double v = a / double(stretches.size());
        averagePower += v * v;
    }
    return averagePower / double(n) / meanPower;
}

double fibrillationScore(const RhythmFeatures &f)
{
    const double medianInterval = std::max(f.medianInterval, 1.0);
    double score = ScoreBias + SuccessiveWeight * std::log(f.successive + 0.01) + EntropyWeight * f.entropy
                   + SpreadWeight * f.spread + AtrialWeight * std::log(std::max(f.atrialCoherence, 0.0) + 0.02)
                   + RateWeight * std::log(medianInterval / (0.8 * TRhythmAnalyser::Rate)) + QrsWeight * f.qrsCoherence;
    if (f.irregularity > IrregularityLimit && f.atrialCoherence < CoherenceLimit)
        score += IrregularNoPWaveBonus;
    return score;
}

RhythmLabel decideRhythm(const RhythmFeatures &features)
{
    if (features.intervals < TRhythmAnalyser::MinimumIntervals || features.shortShare > ShortShareLimit
        || features.qrsCoherence < QrsCoherenceLimit)
        return RhythmLabel::Unanalysable;
    if (features.atrialStretches >= MinimumStretches && features.atrialCoherence > ClearPWave)
        return RhythmLabel::Other;
    return fibrillationScore(features) > 0.0 ? RhythmLabel::AtrialFibrillation : RhythmLabel::Other;
}

TRhythmAnalyser::TRhythmAnalyser()
{
    m_intervals.reserve(WindowIntervals);
}

void TRhythmAnalyser::addBeat(qint64 centre, BeatLabel label)
{
    if (centre <= m_previousCentre)
        return;
    const qint64 interval = m_previousCentre < 0 ? 0 : centre - m_previousCentre;
    if (interval > GapSamples)
        m_window.clear();
    Beat beat;
    beat.centre = centre;
    beat.ventricular = label == BeatLabel::Ventricular;
    if (!beat.ventricular && m_previousLabel != BeatLabel::Ventricular && interval > 0 && interval <= GapSamples)
        beat.interval = int(interval);
    if (beat.interval >= MinimumStretchInterval)
        beat.hasStretch = copyStretch(centre - StretchFrom, beat.stretch);
    if (!beat.ventricular)
        beat.hasQrs = copyStretch(centre - QrsReach, beat.qrs);
    m_previousCentre = centre;
    m_previousLabel = label;
    m_window.push_back(beat);
    while (int(m_window.size()) > WindowIntervals)
        m_window.pop_front();
    judge();
}

// Copies N samples from `from` on, with the straight line through their ends
// and then their mean taken away, so that a wandering baseline adds nothing.
// False when the samples are not (or no longer) held.
template <std::size_t N>
bool TRhythmAnalyser::copyStretch(qint64 from, std::array<float, N> &stretch) const
{
    const qint64 length = qint64(N);
    if (from < 0 || from < m_samples - RingLength || from + length > m_samples)
        return false;
    const double first = m_ring[std::size_t(from & (RingLength - 1))];
    const double last = m_ring[std::size_t((from + length - 1) & (RingLength - 1))];
    const double slope = (last - first) / double(length - 1);
    double mean = 0.0;
    for (qint64 k = 0; k < length; ++k) {
        const double v = m_ring[std::size_t((from + k) & (RingLength - 1))] - first - slope * double(k);
        stretch[std::size_t(k)] = float(v);
        mean += v;
    }
    mean /= double(length);
    for (float &v : stretch)
        v = float(v - mean);
    return true;
}

// The coherence of the stretches of the beats `select` picks, summed in place
// (no copies): the power of their average over their mean power; 1 with
// fewer than MinimumStretches of them.
template <std::size_t N, typename Select>
double TRhythmAnalyser::windowCoherence(Select select, int *counted) const
{
    std::array<double, N> sum{};
    double power = 0.0;
    int count = 0;
    for (const Beat &b : m_window) {
        const std::array<float, N> *stretch = select(b);
        if (!stretch)
            continue;
        for (std::size_t k = 0; k < N; ++k) {
            sum[k] += (*stretch)[k];
            power += double((*stretch)[k]) * (*stretch)[k];
        }
        ++count;
    }
    if (counted)
        *counted = count;
    if (count < MinimumStretches || power <= 0.0)
        return 1.0;
    double averagePower = 0.0;
    for (double v : sum)
        averagePower += (v / count) * (v / count);
    return averagePower / (power / count);
}

RhythmFeatures TRhythmAnalyser::windowFeatures()
{
    m_intervals.clear();
    for (const Beat &b : m_window)
        m_intervals.push_back(b.interval);
    RhythmFeatures f = rhythmIntervalFeatures(m_intervals);
    // Premature beats carry their own (or no) P wave: the stretches come from
    // beats that are not early.
    const double notEarly = PrematureShare * f.medianInterval;
    f.atrialCoherence = windowCoherence<StretchLength>([notEarly](const Beat &b) {
        return b.hasStretch && b.interval >= notEarly ? &b.stretch : nullptr;
    }, &f.atrialStretches);
    f.qrsCoherence = windowCoherence<QrsLength>([](const Beat &b) { return b.hasQrs ? &b.qrs : nullptr; });
    return f;
}

void TRhythmAnalyser::judge()
{
    const RhythmFeatures f = windowFeatures();
    RhythmLabel label = decideRhythm(f);
    if (label == RhythmLabel::Unanalysable && f.intervals < MinimumIntervals
        && int(m_window.size()) >= MinimumIntervals) {
        // Too few intervals between non-ventricular beats because ventricular
        // beats are frequent: ventricular ectopy, not an unreadable trace.
        int ventricular = 0;
        for (const Beat &b : m_window)
            ventricular += b.ventricular ? 1 : 0;
        if (3 * ventricular >= int(m_window.size()))
            label = RhythmLabel::Other;
    }
    if (int(m_window.size()) < MinimumIntervals)
        return;   // not enough beats yet to judge anything

    const qint64 middle = m_window[m_window.size() / 2].centre;
    if (!m_judged) {
        // The first beats of a trace are the least sure (the detector and the
        // classifier are still learning): a trace is called unanalysable from
        // its start only once a whole window could not be judged.
        if (label == RhythmLabel::Unanalysable && int(m_window.size()) < WindowIntervals)
            return;
        m_judged = true;
        m_current = label;
        m_currentStart = 0;
        m_candidate = label;
        m_candidateCount = 0;
        return;
    }
    if (label == m_current) {
        m_candidateCount = 0;
        return;
    }
    if (label != m_candidate || m_candidateCount == 0) {
        m_candidate = label;
        m_candidateCount = 0;
        m_candidateOnset = middle;
    }
    if (++m_candidateCount >= ConfirmBeats)
        change(label, m_candidateOnset);
}

void TRhythmAnalyser::change(RhythmLabel label, qint64 at)
{
    at = std::max(at, m_currentStart);
    if (at > m_currentStart)
        m_closed.push_back({m_currentStart, at, m_current});
    m_current = label;
    m_currentStart = at;
    m_candidateCount = 0;
}

void TRhythmAnalyser::finish(qint64 sampleCount)
{
    if (!m_judged) {
        m_judged = true;
        m_current = RhythmLabel::Unanalysable;
        m_currentStart = 0;
    }
    if (sampleCount > m_currentStart)
        m_closed.push_back({m_currentStart, sampleCount, m_current});
    m_currentStart = std::max(m_currentStart, sampleCount);
}

bool TRhythmAnalyser::takeEpisode(RhythmEpisode &episode)
{
    if (m_closed.empty())
        return false;
    episode = m_closed.front();
    m_closed.pop_front();
    return true;
}

struct TRhythmRecordingAnalysis::Parts
{
    TBeatDetector detector;
    TBeatClassifier classifier;
    TRhythmAnalyser analyser;
};

TRhythmRecordingAnalysis::TRhythmRecordingAnalysis() : m_parts(std::make_unique<Parts>()) {}

TRhythmRecordingAnalysis::~TRhythmRecordingAnalysis() = default;

void TRhythmRecordingAnalysis::take()
{
    TBeatDecision decision;
    while (m_parts->classifier.takeDecision(decision))
        m_parts->analyser.addBeat(decision.centre, decision.label);
    RhythmEpisode episode;
    while (m_parts->analyser.takeEpisode(episode))
        m_episodes.push_back(episode);
}

void TRhythmRecordingAnalysis::addSample(qint16 sample)
{
    ++m_samples;
    bool decided = m_parts->classifier.addSample(sample);
    m_parts->analyser.addSample(sample);
    const int beat = m_parts->detector.feedStationSample(sample);
    if (beat >= 0)
        decided = m_parts->classifier.addBeat(beat) || decided;
    if (decided)
        take();
}

std::vector<RhythmEpisode> TRhythmRecordingAnalysis::finish()
{
    m_parts->classifier.finish();
    take();
    m_parts->analyser.finish(m_samples);
    take();
    return std::move(m_episodes);
}

std::vector<RhythmEpisode> rhythmEpisodes(const std::vector<qint16> &samples)
{
    TRhythmRecordingAnalysis analysis;
    for (qint16 sample : samples)
        analysis.addSample(sample);
    return analysis.finish();
}
