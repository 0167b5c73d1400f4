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
constexpr int CentreSearchBefore = 35;
constexpr int CentreSearchAfter = 20;
// Beats come early for the family statistics when the next interval is at
// least a quarter longer.
constexpr float FamilyPrematurity = 0.8f;

} // namespace

TBeatClassifier::TBeatClassifier() : m_ring(RingLength, 0.0f), m_due(std::numeric_limits<int>::max()) {}

bool TBeatClassifier::addBeat(int index)
{
    const int last = m_pending.empty() ? m_previousBeat : m_pending.back();
    if (index > last && index >= 0)
        m_pending.push_back(index);
    return decideReady();
}

void TBeatClassifier::finish()
{
    while (!m_pending.empty()) {
        const int index = m_pending.front();
        m_pending.pop_front();
        decide(index, m_pending.empty() ? -1 : m_pending.front());
    }
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
        m_pending.pop_front();
        decide(index, hasNext ? m_pending.front() : -1);
    }
    return !m_decided.empty();
}

// Samples index - Reach .. index + Reach into m_raw; positions outside what
// was fed repeat the nearest sample held.
void TBeatClassifier::fillWindow(int index)
{
    m_raw.resize(size_t(2 * Reach + 1));
    const int oldest = std::max(0, m_samples - RingLength);
    if (index - Reach >= oldest && index + Reach < m_samples) {
        // At most two stretches of the ring.
        const int first = (index - Reach) & (RingLength - 1);
        const int n = std::min(2 * Reach + 1, RingLength - first);
        std::copy_n(m_ring.begin() + first, n, m_raw.begin());
        std::copy_n(m_ring.begin(), 2 * Reach + 1 - n, m_raw.begin() + n);
        return;
    }
    for (int i = -Reach; i <= Reach; ++i) {
        const int n = std::clamp(index + i, oldest, m_samples - 1);
        m_raw[size_t(i + Reach)] = m_ring[size_t(n & (RingLength - 1))];
    }
}

int TBeatClassifier::normalRr() const
{
    if (m_rhythmCount == 0)
        return 0;
    // Insertion sort of at most eight values.
    std::array<int, RhythmIntervals> sorted{};
    int n = 0;
    for (int k = 0; k < m_rhythmCount; ++k) {
        const int rr = m_rhythm[size_t(k)];
        int i = n++;
        for (; i > 0 && sorted[size_t(i - 1)] > rr; --i)
            sorted[size_t(i)] = sorted[size_t(i - 1)];
        sorted[size_t(i)] = rr;
    }
    return sorted[size_t(n / 2)];
}

// Long correlation, noise and baseline shift of a beat outside the normal
// family, centred at `centre` of the window and aligned at `lag` with the
// normal template `reference`.
void TBeatClassifier::measureOthers(TBeatDecision &d, int centre, int lag, const TBeatFamilies::Family &reference)
{
    // The rest of the window, for the noise and the baseline.
    std::vector<float> &x = m_window.x;
    smooth(m_raw, x, 2, SmoothedFrom);
    smooth(m_raw, x, SmoothedTo, int(m_raw.size()) - 2);
    TBeatEvidence &e = d.evidence;
    // With the T wave, up to 80 ms before the next beat.
    const int longLength = d.nextRr > 0
        ? std::clamp(d.nextRr - 20, TBeatFamilies::QrsLength, TBeatFamilies::Length)
        : TBeatFamilies::Length;
    e.longCorrelation = correlation(x, centre - TBeatFamilies::Before + lag, reference.shape, 0, longLength);

    // Noise within 300 ms of the QRS against its amplitude.
    const float amplitude = peakToPeak(x, centre - 25, 50);
    e.noise = amplitude > 0.0f ? highFrequencyNoise(m_raw, x, centre - 75, 150) / amplitude : 1.0f;

    // The level after repolarisation (400 to 500 ms, before the next beat)
    // against the level before the P wave (300 to 200 ms before).
    const int lateEnd = std::min(centre + 125, centre + (d.nextRr > 0 ? d.nextRr - 40 : 125));
    const int lateStart = std::min(centre + 100, lateEnd - 10);
    const float shift = std::abs(mean(x, lateStart, lateEnd - lateStart) - mean(x, centre - 75, 25));
    e.baselineShift = reference.qrsAmplitude > 0.0f ? shift / reference.qrsAmplitude : 0.0f;
}

void TBeatClassifier::decide(int index, int nextIndex)
{
    TBeatDecision d;
    d.index = index;
    d.previousRr = m_previousBeat >= 0 ? index - m_previousBeat : 0;
    if (nextIndex >= 0)
        d.nextRr = nextIndex - index;
    else if (m_samples > index + MaximumWait)
        d.nextRr = m_samples - 1 - DetectorDelay - index;   // no beat reported yet: at least this long
    d.normalRr = normalRr();
    TBeatEvidence &e = d.evidence;
    e.learning = ++m_beatsSeen <= LearningBeats;

    const bool lost = m_samples > RingLength && index - Reach < m_samples - RingLength;
    if (m_samples == 0 || lost) {
        // The samples around the beat are no longer held: nothing to judge.
        d.centre = index;
        d.label = BeatLabel::Unclassified;
    } else {
        fillWindow(index);
        // First only what the centre and the templates need.
        m_window.x.resize(m_raw.size());
        smooth(m_raw, m_window.x, SmoothedFrom, SmoothedTo);
        const int centre = qrsCentre(m_window.x, Reach - CentreSearchBefore, Reach + CentreSearchAfter);
        m_window.prepare(centre);
        d.centre = index + centre - Reach;

        const bool premature = d.previousRr > 0 && d.nextRr > 0 && d.previousRr < FamilyPrematurity * d.nextRr;
        const int family = m_families.assign(m_window, premature);
        const int normal = m_families.normal();
        const TBeatFamilies::Family &own = m_families.family(family);
        const TBeatFamilies::Family &reference = m_families.family(normal);
        const TBeatFamilies::Match match = m_families.lastMatch(m_window, normal);

        e.correlation = match.correlation;
        e.amplitudeRatio = match.amplitudeRatio;
        e.widthRatio = match.widthRatio;
        e.normalFamily = family == normal;
        // A beat of the normal family is normal whatever the trace around it
        // does; the rest of the shape and quality work is for the others.
        if (!e.normalFamily)
            measureOthers(d, centre, match.lag, reference);
        if (d.previousRr > 0 && d.nextRr > 0)
            e.prematurity = float(d.previousRr) / float(d.nextRr);
        if (d.previousRr > 0 && d.normalRr > 0)
            e.earliness = float(d.previousRr) / float(d.normalRr);
        e.familyBeats = own.beats;
        e.familyVentricular = own.ventricular;
        e.afterVentricular = m_previousLabel == BeatLabel::Ventricular;

        d.label = judgeBeat(e);
        if (d.label == BeatLabel::Ventricular)
            m_families.countVentricular(family);
    }

    // The patient's rhythm: intervals between beats that are not ventricular.
    if (d.previousRr > 0 && m_previousLabel != BeatLabel::Ventricular && d.label != BeatLabel::Ventricular) {
        m_rhythm[size_t(m_rhythmNext)] = d.previousRr;
        m_rhythmNext = (m_rhythmNext + 1) % RhythmIntervals;
        m_rhythmCount = std::min(m_rhythmCount + 1, RhythmIntervals);
    }
    m_previousLabel = d.label;
    m_previousBeat = index;
    m_decided.push_back(d);
}
