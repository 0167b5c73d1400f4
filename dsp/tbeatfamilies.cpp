#include "dsp/tbeatfamilies.h"

#include "dsp/tbeatmorphology.h"

#include <algorithm>
#include <array>
#include <cmath>

using namespace BeatMorphology;

namespace {

constexpr double WeightFading = 0.995;     // per beat
constexpr float NotCompared = -3.0f;       // below any correlation
constexpr int AveragedBeats = 16;          // templates and shares follow the last ~16 beats
constexpr float MostlyOnTime = 0.5f;
// Beats a morphology needs before it can take over as the patient's normal
// conduction (about a minute and a half at rest): a run of ventricular beats
// at the normal rate, such as an idioventricular rhythm, stays ventricular
// even when it outlasts the fading weight of the normal beats before it.
constexpr int EstablishedNormal = 100;
constexpr int MergeCheckEvery = 4;         // beats of a family between checks for alike families
// A family of the normal shape at another amplitude: 20 beats or more, fewer
// than a tenth of them ventricular, correlating 0.9 with the normal template.
constexpr int NormalShapeCheckEvery = 8;
constexpr int EstablishedBeats = 20;
constexpr float RarelyVentricular = 0.1f;
constexpr float NormalShapeCorrelation = 0.9f;

} // namespace

float TBeatWindow::steepWidthAt(int lag) const
{
    float &w = width[lag + TBeatFamilies::MaximumLag];
    if (w <= 0.0f)
        w = steepWidth(&x[size_t(centre - TBeatFamilies::Before + lag)], TBeatFamilies::QrsLength);
    return w;
}

void TBeatWindow::prepare(int qrsCentre)
{
    centre = qrsCentre;
    std::fill(std::begin(width), std::end(width), 0.0f);
    constexpr int n = TBeatFamilies::QrsLength;
    int from = centre - TBeatFamilies::Before - TBeatFamilies::MaximumLag;
    // Sums about the sample at the centre, where the QRS is.
    const float about = x[size_t(centre)];
    double sum = 0.0, squares = 0.0;
    sumsAbout(&x[size_t(from)], n, about, sum, squares);
    // Sums at every alignment, then their spreads.
    double sums[TBeatWindow::Lags], squareSums[TBeatWindow::Lags];
    for (int lag = 0; lag < TBeatWindow::Lags; ++lag, ++from) {
        if (lag > 0) {
            const double out = x[size_t(from - 1)] - about, in = x[size_t(from + n - 1)] - about;
            sum += in - out;
            squares += in * in - out * out;
        }
        sums[lag] = sum;
        squareSums[lag] = squares;
    }
    for (int lag = 0; lag < TBeatWindow::Lags; ++lag)
        norm[lag] = std::sqrt(std::max(squareSums[lag] - sums[lag] * sums[lag] / double(n), 0.0));
}

// The template's QRS window with its mean taken off, its norm and width: what
// every comparison needs, kept up to date whenever the shape changes.
void TBeatFamilies::refresh(Family &f)
{
    const TemplateMeasures m = measureTemplate(f.shape.data(), f.qrs.data(), QrsLength);
    f.qrsNorm = m.norm;
    f.steepWidth = m.steepWidth;
    f.qrsAmplitude = m.amplitude;
}

TBeatFamilies::Match TBeatFamilies::compare(const TBeatWindow &window, int family) const
{
    static_assert(LagCount == 2 * MaximumLag + 1, "one dot product per alignment");
    const Family &f = m_families[size_t(family)];
    // The template is centred, so the window's own mean drops out of the dot products.
    float dots[LagCount];
    dotsAtLags(&window.x[size_t(window.centre - Before - MaximumLag)], f.qrs.data(), QrsLength, dots);
    // The best alignment: the first of the highest correlations.
    int bestK = 0;
    float bestCorrelation = 0.0f;
    for (int k = 0; k < LagCount; ++k) {
        const double scale = window.norm[k] * double(f.qrsNorm);
        const float correlation = scale > 0.0 ? float(double(dots[k]) / scale) : 0.0f;
        if (k == 0 || correlation > bestCorrelation) {
            bestK = k;
            bestCorrelation = correlation;
        }
    }
    Match best;
    best.correlation = bestCorrelation;
    best.lag = bestK - MaximumLag;
    const double bestNorm = window.norm[bestK];
    best.amplitudeRatio = f.qrsNorm > 0.0f ? float(bestNorm) / f.qrsNorm : 0.0f;
    best.widthRatio = f.steepWidth > 0.0f ? window.steepWidthAt(best.lag) / f.steepWidth : 0.0f;
    return best;
}

// Whether the beat is within the family's amplitude range at one alignment
// at least: one that is not cannot fit, whatever its shape.
bool TBeatFamilies::couldFit(const TBeatWindow &window, int family) const
{
    const float norm = m_families[size_t(family)].qrsNorm;
    if (norm <= 0.0f)
        return true;
    for (int k = 0; k < LagCount; ++k)
        if (within(float(window.norm[k]) / norm))
            return true;
    return false;
}

int TBeatFamilies::assign(const TBeatWindow &window, bool premature)
{
    const int centre = window.centre;
    m_compared.fill(false);
    Match match;
    // The heaviest family that fits: try them from the heaviest down (the
    // first of equal weights first). Most beats fit the first one tried.
    const int n = count();
    int family = -1;
    for (int tried = 0; tried < n && family < 0; ++tried) {
        // The leading weight is kept alongside its index, as in normal().
        int k = -1;
        double heaviest = 0.0;
        for (int j = 0; j < n; ++j) {
            const double w = m_families[size_t(j)].weight;
            if (!m_compared[size_t(j)] && (k < 0 || w > heaviest)) {
                k = j;
                heaviest = w;
            }
        }
        m_compared[size_t(k)] = true;
        if (!couldFit(window, k)) {
            m_matches[size_t(k)].correlation = NotCompared;   // compared only when asked for
            continue;
        }
        m_matches[size_t(k)] = compare(window, k);
        if (fits(m_matches[size_t(k)])) {
            family = k;
            match = m_matches[size_t(k)];
        }
    }

    if (family < 0) {
        if (count() < Capacity) {
            family = m_count++;
        } else {
            family = int(std::min_element(m_families.begin(), m_families.end(),
                                          [](const Family &a, const Family &b) { return a.weight < b.weight; })
                         - m_families.begin());
        }
        Family &created = m_families[size_t(family)];
        created = Family{};
        std::copy_n(&window.x[size_t(centre - Before)], Length, created.shape.begin());
        m_matches[size_t(family)] = Match{1.0f, 1.0f, 1.0f, 0};
        m_compared[size_t(family)] = true;
    } else {
        Family &f = m_families[size_t(family)];
        const float rate = 1.0f / float(std::min(f.beats + 1, AveragedBeats));
        follow(f.shape.data(), &window.x[size_t(centre - Before + match.lag)], Length, rate);
    }
    refresh(m_families[size_t(family)]);

    for (int k = 0; k < n; ++k)
        m_families[size_t(k)].weight *= WeightFading;
    Family &f = m_families[size_t(family)];
    f.weight += 1.0;
    ++f.beats;
    const float early = premature ? 1.0f : 0.0f;
    f.premature += (early - f.premature) / float(std::min(f.beats, AveragedBeats));
    // Templates drift together slowly: looking every few beats is enough.
    return f.beats % MergeCheckEvery == 1 ? mergeAlike(family) : family;
}

int TBeatFamilies::mergeAlike(int family)
{
    for (int k = 0; k < count(); ++k) {
        if (k == family)
            continue;
        const Family &a = m_families[size_t(family)];
        const Family &b = m_families[size_t(k)];
        if (a.qrsNorm <= 0.0f || b.qrsNorm <= 0.0f || b.steepWidth <= 0.0f)
            continue;
        Match m;
        m.amplitudeRatio = a.qrsNorm / b.qrsNorm;
        m.widthRatio = a.steepWidth / b.steepWidth;
        m.correlation = 1.0f;
        if (!fits(m))
            continue;   // unlike in size or width, whatever the shape
        m.correlation = dot(a.qrs.data(), b.qrs.data(), QrsLength) / (a.qrsNorm * b.qrsNorm);
        if (!fits(m))
            continue;
        const int keep = a.weight >= b.weight ? family : k;
        const int drop = keep == family ? k : family;
        Family &kept = m_families[size_t(keep)];
        kept.weight += m_families[size_t(drop)].weight;
        kept.beats += m_families[size_t(drop)].beats;
        kept.ventricular += m_families[size_t(drop)].ventricular;
        std::move(m_families.begin() + drop + 1, m_families.begin() + m_count, m_families.begin() + drop);
        --m_count;
        std::move(m_matches.begin() + drop + 1, m_matches.end(), m_matches.begin() + drop);
        std::move(m_compared.begin() + drop + 1, m_compared.end(), m_compared.begin() + drop);
        m_compared.back() = false;
        m_compared[size_t(keep > drop ? keep - 1 : keep)] = false;   // its template is another one now
        family = keep > drop ? keep - 1 : keep;
        k = -1;   // the merged template may now match another family
    }
    return family;
}

TBeatFamilies::Match TBeatFamilies::lastMatch(const TBeatWindow &window, int family) const
{
    if (family >= 0 && family < count() && m_compared[size_t(family)]
        && m_matches[size_t(family)].correlation != NotCompared)
        return m_matches[size_t(family)];
    return compare(window, family);
}

bool TBeatFamilies::normalLike(int k, int normal)
{
    Family &f = m_families[size_t(k)];
    if (k == normal || f.beats % NormalShapeCheckEvery != 0)
        return f.normalShape;
    const Family &n = m_families[size_t(normal)];
    f.normalShape = f.premature < MostlyOnTime && f.beats >= EstablishedBeats
        && float(f.ventricular) < RarelyVentricular * float(f.beats) && f.qrsNorm > 0.0f && n.qrsNorm > 0.0f
        && n.steepWidth > 0.0f && within(f.steepWidth / n.steepWidth)
        && dot(f.qrs.data(), n.qrs.data(), QrsLength) / (f.qrsNorm * n.qrsNorm) >= NormalShapeCorrelation;
    return f.normalShape;
}

int TBeatFamilies::normal() const
{
    // The heaviest on-time family among those established long enough, else
    // the heaviest on-time one, else the heaviest (the first of equal weights).
    // The leading weights are kept alongside their indexes, so that each
    // family is compared without loading the leader's weight again.
    int established = -1, onTime = -1, heaviest = 0;
    double establishedWeight = 0.0, onTimeWeight = 0.0, heaviestWeight = m_families[0].weight;
    for (int k = 0; k < count(); ++k) {
        const Family &f = m_families[size_t(k)];
        const double w = f.weight;
        if (w > heaviestWeight) {
            heaviest = k;
            heaviestWeight = w;
        }
        if (f.premature >= MostlyOnTime)
            continue;
        if (onTime < 0 || w > onTimeWeight) {
            onTime = k;
            onTimeWeight = w;
        }
        if (f.beats >= EstablishedNormal && (established < 0 || w > establishedWeight)) {
            established = k;
            establishedWeight = w;
        }
    }
    return count() == 0 ? -1 : established >= 0 ? established : onTime >= 0 ? onTime : heaviest;
}
