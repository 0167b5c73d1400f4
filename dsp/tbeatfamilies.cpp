#include "dsp/tbeatfamilies.h"

#include "dsp/tbeatmorphology.h"

#include <algorithm>
#include <array>
#include <cmath>

using namespace BeatMorphology;

namespace {

constexpr float JoinCorrelation = 0.94f;
constexpr float LowestRatio = 0.8f;
constexpr float HighestRatio = 1.25f;
constexpr double WeightFading = 0.995;     // per beat
constexpr int AveragedBeats = 16;          // templates and shares follow the last ~16 beats
constexpr float MostlyOnTime = 0.5f;
constexpr int MergeCheckEvery = 4;         // beats of a family between checks for alike families

bool within(float ratio)
{
    return ratio > LowestRatio && ratio < HighestRatio;
}

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
    double sum = BeatMorphology::sum(&x[size_t(from)], n) - double(about) * n;
    double squares = sumOfSquares(&x[size_t(from)], n, about);
    for (int lag = 0; lag <= 2 * TBeatFamilies::MaximumLag; ++lag, ++from) {
        if (lag > 0) {
            const double out = x[size_t(from - 1)] - about, in = x[size_t(from + n - 1)] - about;
            sum += in - out;
            squares += in * in - out * out;
        }
        norm[lag] = std::sqrt(std::max(squares - sum * sum / n, 0.0));
    }
}

bool TBeatFamilies::fits(const Match &match)
{
    return match.correlation >= JoinCorrelation && within(match.amplitudeRatio) && within(match.widthRatio);
}

// The template's QRS window with its mean taken off, its norm and width: what
// every comparison needs, kept up to date whenever the shape changes.
void TBeatFamilies::refresh(Family &f)
{
    f.qrsNorm = centred(f.shape.data(), f.qrs.data(), QrsLength);
    f.steepWidth = steepWidth(f.shape.data(), QrsLength, &f.qrsAmplitude);
}

TBeatFamilies::Match TBeatFamilies::compare(const TBeatWindow &window, int family) const
{
    static_assert(LagCount == 2 * MaximumLag + 1, "one dot product per alignment");
    const Family &f = m_families[size_t(family)];
    // The template is centred, so the window's own mean drops out of the dot products.
    float dots[LagCount];
    dotsAtLags(&window.x[size_t(window.centre - Before - MaximumLag)], f.qrs.data(), QrsLength, dots);
    Match best;
    best.correlation = -2.0f;
    double bestNorm = 0.0;
    for (int lag = -MaximumLag; lag <= MaximumLag; ++lag) {
        const double scale = window.norm[lag + MaximumLag] * f.qrsNorm;
        const float c = scale > 0.0 ? float(dots[lag + MaximumLag] / scale) : 0.0f;
        if (c > best.correlation) {
            best.correlation = c;
            best.lag = lag;
            bestNorm = window.norm[lag + MaximumLag];
        }
    }
    best.amplitudeRatio = f.qrsNorm > 0.0f ? float(bestNorm) / f.qrsNorm : 0.0f;
    best.widthRatio = f.steepWidth > 0.0f ? window.steepWidthAt(best.lag) / f.steepWidth : 0.0f;
    return best;
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
        int k = -1;
        for (int j = 0; j < n; ++j) {
            if (!m_compared[size_t(j)] && (k < 0 || m_families[size_t(j)].weight > m_families[size_t(k)].weight))
                k = j;
        }
        m_matches[size_t(k)] = compare(window, k);
        m_compared[size_t(k)] = true;
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
    if (family >= 0 && family < count() && m_compared[size_t(family)])
        return m_matches[size_t(family)];
    return compare(window, family);
}

int TBeatFamilies::normal() const
{
    int best = -1;
    int heaviest = -1;
    for (int k = 0; k < count(); ++k) {
        const Family &f = m_families[size_t(k)];
        if (heaviest < 0 || f.weight > m_families[size_t(heaviest)].weight)
            heaviest = k;
        if (f.premature < MostlyOnTime && (best < 0 || f.weight > m_families[size_t(best)].weight))
            best = k;
    }
    return best >= 0 ? best : heaviest;
}
