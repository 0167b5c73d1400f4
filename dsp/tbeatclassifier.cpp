#include "dsp/tbeatclassifier.h"

#include "dsp/tbeatmorphology.h"

#include <algorithm>
#include <cmath>

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

TBeatClassifier::TBeatClassifier() : m_ring(RingLength, 0.0f) {}

void TBeatClassifier::addSample(int sample)
{
    m_ring[size_t(m_samples % RingLength)] = float(sample);
    ++m_samples;
    decideReady();
}

void TBeatClassifier::addBeat(int index)
{
    const int last = m_pending.empty() ? m_previousBeat : m_pending.back();
    if (index <= last || index < 0)
        return;
    m_pending.push_back(index);
    decideReady();
}

void TBeatClassifier::finish()
{
    while (!m_pending.empty()) {
        const int index = m_pending.front();
        m_pending.pop_front();
        decide(index, m_pending.empty() ? -1 : m_pending.front());
    }
}

bool TBeatClassifier::takeDecision(TBeatDecision &decision)
{
    if (m_decided.empty())
        return false;
    decision = m_decided.front();
    m_decided.pop_front();
    return true;
}

void TBeatClassifier::decideReady()
{
    while (!m_pending.empty()) {
        const int index = m_pending.front();
        const bool hasNext = m_pending.size() > 1;
        if (m_samples <= index + Reach || (!hasNext && m_samples <= index + MaximumWait))
            return;
        m_pending.pop_front();
        decide(index, hasNext ? m_pending.front() : -1);
    }
}

// Samples index - Reach .. index + Reach; positions outside what was fed
// repeat the nearest sample held.
std::vector<float> TBeatClassifier::window(int index) const
{
    std::vector<float> raw(size_t(2 * Reach + 1));
    const int oldest = std::max(0, m_samples - RingLength);
    for (int i = -Reach; i <= Reach; ++i) {
        const int n = std::clamp(index + i, oldest, m_samples - 1);
        raw[size_t(i + Reach)] = m_ring[size_t(n % RingLength)];
    }
    return raw;
}

int TBeatClassifier::normalRr() const
{
    if (m_rhythm.empty())
        return 0;
    std::vector<int> sorted(m_rhythm.begin(), m_rhythm.end());
    std::nth_element(sorted.begin(), sorted.begin() + long(sorted.size() / 2), sorted.end());
    return sorted[sorted.size() / 2];
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
        const std::vector<float> raw = window(index);
        const std::vector<float> x = smooth(raw);
        const int centre = qrsCentre(x, Reach - CentreSearchBefore, Reach + CentreSearchAfter);
        d.centre = index + centre - Reach;

        const bool premature = d.previousRr > 0 && d.nextRr > 0 && d.previousRr < FamilyPrematurity * d.nextRr;
        const int family = m_families.assign(x, centre, premature);
        const int normal = m_families.normal();
        const TBeatFamilies::Family &own = m_families.family(family);
        const TBeatFamilies::Family &reference = m_families.family(normal);
        const TBeatFamilies::Match match = m_families.compare(x, centre, normal);

        e.correlation = match.correlation;
        e.amplitudeRatio = match.amplitudeRatio;
        e.widthRatio = match.widthRatio;
        // With the T wave, up to 80 ms before the next beat.
        const int from = centre - TBeatFamilies::Before + match.lag;
        const int longLength = d.nextRr > 0
            ? std::clamp(d.nextRr - 20, TBeatFamilies::QrsLength, TBeatFamilies::Length)
            : TBeatFamilies::Length;
        e.longCorrelation = correlation(x, from, reference.shape, 0, longLength);

        const float amplitude = peakToPeak(x, centre - 25, 50);
        e.noise = amplitude > 0.0f ? highFrequencyNoise(raw, x, 10, 2 * Reach - 20) / amplitude : 1.0f;
        // The level after repolarisation (400 to 500 ms, before the next
        // beat) against the level before the P wave (300 to 200 ms before).
        const int lateEnd = std::min(centre + 125, centre + (d.nextRr > 0 ? d.nextRr - 40 : 125));
        const int lateStart = std::min(centre + 100, lateEnd - 10);
        const float shift = std::abs(mean(x, lateStart, lateEnd - lateStart) - mean(x, centre - 75, 25));
        const float normalAmplitude = peakToPeak(reference.shape, 0, TBeatFamilies::QrsLength);
        e.baselineShift = normalAmplitude > 0.0f ? shift / normalAmplitude : 0.0f;

        if (d.previousRr > 0 && d.nextRr > 0)
            e.prematurity = float(d.previousRr) / float(d.nextRr);
        if (d.previousRr > 0 && d.normalRr > 0)
            e.earliness = float(d.previousRr) / float(d.normalRr);
        e.normalFamily = family == normal;
        e.familyBeats = own.beats;
        e.familyVentricular = own.ventricular;
        e.afterVentricular = m_previousLabel == BeatLabel::Ventricular;

        d.label = judgeBeat(e);
        if (d.label == BeatLabel::Ventricular)
            m_families.countVentricular(family);
    }

    // The patient's rhythm: intervals between beats that are not ventricular.
    if (d.previousRr > 0 && m_previousLabel != BeatLabel::Ventricular && d.label != BeatLabel::Ventricular) {
        m_rhythm.push_back(d.previousRr);
        if (int(m_rhythm.size()) > RhythmIntervals)
            m_rhythm.pop_front();
    }
    m_previousLabel = d.label;
    m_previousBeat = index;
    m_decided.push_back(d);
}
