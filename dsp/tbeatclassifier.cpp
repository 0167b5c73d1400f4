#include "dsp/tbeatclassifier.h"

#include "dsp/tbeatmorphology.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

using namespace BeatMorphology;

namespace {

// Where the QRS centre is looked for around the detector's beat index: the
// detector marks beats up to about 80 ms after the main deflection.
constexpr int CentreSearchBefore = samplesIn(140);
constexpr int CentreSearchAfter = samplesIn(80);
// Beats come early for the family statistics when the next interval is at
// least a quarter longer.
constexpr float FamilyPrematurity = 0.8f;

// The spread of the middle half of n intervals in increasing order over
// their median.
float rhythmSpread(const int *sorted, int n)
{
    const int median = sorted[n / 2];
    return median > 0 ? float(sorted[n - 1 - n / 4] - sorted[n / 4]) / float(median) : 0.0f;
}

} // namespace

TBeatClassifier::TBeatClassifier() : m_due(std::numeric_limits<int>::max())
{
    m_window.x.resize(WindowLength);
}

bool TBeatClassifier::addBeat(int index)
{
    const int last = m_pending.empty() ? m_previousBeat : m_pending.back();
    if (index > last && index >= 0)
        m_pending.push(index);
    return decideReady();
}

void TBeatClassifier::finish()
{
    int index = 0;
    while (m_pending.take(index))
        decide(index, m_pending.empty() ? -1 : m_pending.front());
}

// A beat is decided once the samples Reach after it are in and its next beat
// has been reported, or at the latest MaximumWait after it.
bool TBeatClassifier::decideReady()
{
    m_due = std::numeric_limits<int>::max();
    while (!m_pending.empty()) {
        const int index = m_pending.front();
        const bool hasNext = m_pending.size() > 1;
        if (m_samples <= index + Reach || (!hasNext && m_samples <= index + MaximumWait)) {
            m_due = index + 1 + (hasNext ? Reach : MaximumWait);
            break;
        }
        int taken = 0;
        m_pending.take(taken);
        decide(index, hasNext ? m_pending.front() : -1);
    }
    return !m_decided.empty();
}

// Points m_raw at the samples index - Reach .. index + Reach: straight into
// the ring when they lie in one stretch of it, else copied out, positions
// outside what was fed repeating the nearest sample held.
void TBeatClassifier::fillWindow(int index)
{
    m_smoothedFrom = m_smoothedTo = Reach;
    const int oldest = std::max(0, m_samples - RingLength);
    const int first = (index - Reach) & (RingLength - 1);
    const int *ring = m_ring.data();
    if (index - Reach >= oldest && index + Reach < m_samples) {
        if (first + WindowLength <= RingLength) {
            m_raw = ring + first;
        } else {
            const int n = RingLength - first;
            std::copy_n(ring + first, n, m_rawCopy.data());
            std::copy_n(ring, WindowLength - n, m_rawCopy.data() + n);
            m_raw = m_rawCopy.data();
        }
        return;
    }
    for (int i = 0; i < WindowLength; ++i) {
        const int n = std::clamp(index - Reach + i, oldest, m_samples - 1);
        m_rawCopy[size_t(i)] = m_ring[size_t(n & (RingLength - 1))];
    }
    m_raw = m_rawCopy.data();
}

// Smooths what [from, to) of the window still lacks; beats need different
// stretches of it, most only the QRS and T wave.
void TBeatClassifier::smoothWindow(int from, int to)
{
    from = std::max(from, 2);
    to = std::min(to, WindowLength - 2);
    if (from < m_smoothedFrom)
        smooth(m_raw, m_window.x, from, m_smoothedFrom);
    if (to > m_smoothedTo)
        smooth(m_raw, m_window.x, m_smoothedTo, to);
    m_smoothedFrom = std::min(m_smoothedFrom, from);
    m_smoothedTo = std::max(m_smoothedTo, to);
}

// The newest interval replaces the oldest one, in the ring and in the sorted
// copy whose middle is the patient's normal interval.
void TBeatClassifier::keepRhythm(int rr)
{
    int *sorted = m_sortedRhythm.data();
    const int n = m_rhythmCount;
    // The place that frees up (the oldest interval's, or the one past the
    // end) moves to where the newest belongs, in one sweep.
    int at = n;
    if (n == RhythmIntervals) {
        const int oldest = m_rhythm[size_t(m_rhythmNext)];
        at = int(std::find(sorted, sorted + n, oldest) - sorted);
        for (; at + 1 < n && sorted[at + 1] < rr; ++at)
            sorted[at] = sorted[at + 1];
    }
    for (; at > 0 && sorted[at - 1] > rr; --at)
        sorted[at] = sorted[at - 1];
    sorted[at] = rr;
    m_rhythm[size_t(m_rhythmNext)] = rr;
    m_rhythmNext = (m_rhythmNext + 1) % RhythmIntervals;
    m_rhythmCount = std::min(n + 1, RhythmIntervals);
}

// Long correlation, noise and baseline shift of a beat outside the normal
// family, centred at `centre` of the window and aligned at `lag` with the
// normal template `reference`.
void TBeatClassifier::measureOthers(TBeatDecision &d, int centre, int lag, const TBeatFamilies::Family &reference)
{
    // From 300 ms before the QRS to 500 ms after it, for the noise and the baseline.
    constexpr int QualityBefore = samplesIn(300);
    constexpr int QualityAfter = samplesIn(500);
    smoothWindow(centre - QualityBefore, centre + QualityAfter);
    const std::vector<float> &x = m_window.x;
    TBeatEvidence &e = d.evidence;
    // With the T wave, up to 80 ms before the next beat.
    const int longLength = d.nextRr > 0
        ? std::clamp(d.nextRr - samplesIn(80), TBeatFamilies::QrsLength, TBeatFamilies::Length)
        : TBeatFamilies::Length;
    e.longCorrelation = correlation(&x[size_t(centre - TBeatFamilies::Before + lag)], reference.shape.data(), longLength);

    // Noise within 300 ms of the QRS against its amplitude (within 100 ms).
    constexpr int QrsHalfWidth = samplesIn(100);
    const float amplitude = peakToPeak(x, centre - QrsHalfWidth, 2 * QrsHalfWidth);
    e.noise = amplitude > 0.0f ? highFrequencyNoise(m_raw, x, centre - QualityBefore, 2 * QualityBefore) / amplitude : 1.0f;

    // The level after repolarisation (400 to 500 ms, ending 160 ms before the
    // next beat at the latest) against the level before the P wave (300 to
    // 200 ms before).
    const int lateEnd = std::min(centre + QualityAfter, centre + (d.nextRr > 0 ? d.nextRr - samplesIn(160) : QualityAfter));
    const int lateStart = std::min(centre + samplesIn(400), lateEnd - samplesIn(40));
    const float early = mean(x, centre - QualityBefore, samplesIn(100));
    const float shift = std::abs(mean(x, lateStart, lateEnd - lateStart) - early);
    e.baselineShift = reference.qrsAmplitude > 0.0f ? shift / reference.qrsAmplitude : 0.0f;
}

void TBeatClassifier::decide(int index, int nextIndex)
{
    // Filled where it is queued: a copy made right after filling it would
    // read back, in wide pieces, stores that are still under way.
    TBeatDecision &d = m_decided.pushNew();
    d.index = index;
    d.previousRr = m_previousBeat >= 0 ? index - m_previousBeat : 0;
    if (nextIndex >= 0)
        d.nextRr = nextIndex - index;
    else if (m_samples > index + MaximumWait)
        d.nextRr = m_samples - 1 - DetectorDelay - index;   // no beat reported yet: at least this long
    d.normalRr = m_rhythmCount > 0 ? m_sortedRhythm[size_t(m_rhythmCount / 2)] : 0;
    TBeatEvidence &e = d.evidence;
    if (m_rhythmCount == RhythmIntervals)
        e.rhythmSpread = rhythmSpread(m_sortedRhythm.data(), RhythmIntervals);
    e.learning = ++m_beatsSeen <= LearningBeats;

    const bool lost = m_samples > RingLength && index - Reach < m_samples - RingLength;
    if (m_samples == 0 || lost) {
        // The samples around the beat are no longer held: nothing to judge.
        d.centre = index;
        d.label = BeatLabel::Unclassified;
    } else {
        fillWindow(index);
        // First what the centre search needs, then the templates at every
        // alignment.
        smoothWindow(Reach - CentreSearchBefore - 1, Reach + CentreSearchAfter + 2);
        const int centre = qrsCentre(m_window.x, Reach - CentreSearchBefore, Reach + CentreSearchAfter);
        smoothWindow(centre - TBeatFamilies::Before - TBeatFamilies::MaximumLag,
                     centre - TBeatFamilies::Before + TBeatFamilies::Length + TBeatFamilies::MaximumLag);
        m_window.prepare(centre);
        d.centre = index + centre - Reach;

        const bool premature = d.previousRr > 0 && d.nextRr > 0 && d.previousRr < FamilyPrematurity * d.nextRr;
        const int family = m_families.assign(m_window, premature);
        const int normal = m_families.normal();
        const TBeatFamilies::Family &own = m_families.family(family);
        const TBeatFamilies::Family &reference = m_families.family(normal);
        const bool normalShape = family != normal && m_families.normalLike(family, normal);
        e.normalFamily = family == normal || normalShape;
        // A beat of the normal family is normal whatever the trace around it
        // does; the comparison with the normal template, and the rest of the
        // shape and quality work, are for the others (the normal family's
        // own comparison was made on the way).
        if (!normalShape) {
            const TBeatFamilies::Match match = m_families.lastMatch(m_window, normal);
            e.correlation = match.correlation;
            e.amplitudeRatio = match.amplitudeRatio;
            e.widthRatio = match.widthRatio;
            if (!e.normalFamily)
                measureOthers(d, centre, match.lag, reference);
        }
        if (d.previousRr > 0 && d.nextRr > 0)
            e.prematurity = float(d.previousRr) / float(d.nextRr);
        if (d.previousRr > 0 && d.normalRr > 0)
            e.earliness = float(d.previousRr) / float(d.normalRr);
        if (d.previousRr > 0 && d.nextRr > 0 && d.normalRr > 0)
            e.compensation = float(d.previousRr + d.nextRr) / float(2 * d.normalRr);
        e.familyBeats = own.beats;
        e.familyVentricular = own.ventricular;
        e.afterVentricular = m_previousLabel == BeatLabel::Ventricular;

        d.label = judgeBeat(e);
        if (d.label == BeatLabel::Ventricular)
            m_families.countVentricular(family);
    }

    // The patient's rhythm: intervals between beats that are not ventricular.
    if (d.previousRr > 0 && m_previousLabel != BeatLabel::Ventricular && d.label != BeatLabel::Ventricular)
        keepRhythm(d.previousRr);
    m_previousLabel = d.label;
    m_previousBeat = index;
}
