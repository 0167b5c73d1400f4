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

// Four running sums, so that the additions do not wait on each other.
float dot(const float *a, const float *b, int n)
{
    float s0 = 0.0f, s1 = 0.0f, s2 = 0.0f, s3 = 0.0f;
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += a[i] * b[i];
        s1 += a[i + 1] * b[i + 1];
        s2 += a[i + 2] * b[i + 2];
        s3 += a[i + 3] * b[i + 3];
    }
    for (; i < n; ++i)
        s0 += a[i] * b[i];
    return (s0 + s1) + (s2 + s3);
}

} // namespace

float TBeatWindow::steepWidthAt(int lag) const
{
    float &w = width[lag + TBeatFamilies::MaximumLag];
    if (w <= 0.0f)
        w = steepWidth(x, centre - TBeatFamilies::Before + lag, TBeatFamilies::QrsLength);
    return w;
}

void TBeatWindow::prepare(int qrsCentre)
{
    centre = qrsCentre;
    std::fill(std::begin(width), std::end(width), 0.0f);
    constexpr int n = TBeatFamilies::QrsLength;
    int from = centre - TBeatFamilies::Before - TBeatFamilies::MaximumLag;
    double sum = 0.0, squares = 0.0;
    for (int i = from; i < from + n; ++i) {
        sum += x[size_t(i)];
        squares += double(x[size_t(i)]) * x[size_t(i)];
    }
    for (int lag = 0; lag <= 2 * TBeatFamilies::MaximumLag; ++lag, ++from) {
        if (lag > 0) {
            const double out = x[size_t(from - 1)], in = x[size_t(from + n - 1)];
            sum += in - out;
            squares += in * in - out * out;
        }
        energy[lag] = std::max(squares - sum * sum / n, 0.0);
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
    const float m = mean(f.shape, 0, QrsLength);
    f.qrs.resize(QrsLength);
    double energy = 0.0;
    for (int i = 0; i < QrsLength; ++i) {
        f.qrs[size_t(i)] = f.shape[size_t(i)] - m;
        energy += double(f.qrs[size_t(i)]) * f.qrs[size_t(i)];
    }
    f.qrsNorm = float(std::sqrt(energy));
    f.steepWidth = steepWidth(f.shape, 0, QrsLength, &f.qrsAmplitude);
}

TBeatFamilies::Match TBeatFamilies::compare(const TBeatWindow &window, int family) const
{
    const int centre = window.centre;
    const Family &f = m_families[size_t(family)];
    Match best;
    best.correlation = -2.0f;
    double bestEnergy = 0.0;
    for (int lag = -MaximumLag; lag <= MaximumLag; ++lag) {
        const int from = centre - Before + lag;
        const double energy = window.energy[lag + MaximumLag];
        // The template is centred, so the window's own mean drops out of the dot product.
        const double scale = std::sqrt(energy) * f.qrsNorm;
        const float c = scale > 0.0 ? float(dot(&window.x[size_t(from)], f.qrs.data(), QrsLength) / scale) : 0.0f;
        if (c > best.correlation) {
            best.correlation = c;
            best.lag = lag;
            bestEnergy = energy;
        }
    }
    best.amplitudeRatio = f.qrsNorm > 0.0f ? float(std::sqrt(bestEnergy)) / f.qrsNorm : 0.0f;
    best.widthRatio = f.steepWidth > 0.0f ? window.steepWidthAt(best.lag) / f.steepWidth : 0.0f;
    return best;
}

int TBeatFamilies::assign(const TBeatWindow &window, bool premature)
{
    const int centre = window.centre;
    m_matches.assign(size_t(count()), Match{});
    m_compared.assign(size_t(count()), false);
    Match match;
    // The heaviest family that fits: try them from the heaviest down.
    std::array<int, Capacity> order{};
    const int n = count();
    for (int k = 0; k < n; ++k) {
        int i = k;
        for (; i > 0 && m_families[size_t(order[size_t(i - 1)])].weight < m_families[size_t(k)].weight; --i)
            order[size_t(i)] = order[size_t(i - 1)];
        order[size_t(i)] = k;
    }
    int family = -1;
    for (int i = 0; i < n && family < 0; ++i) {
        const int k = order[size_t(i)];
        m_matches[size_t(k)] = compare(window, k);
        m_compared[size_t(k)] = true;
        if (fits(m_matches[size_t(k)])) {
            family = k;
            match = m_matches[size_t(k)];
        }
    }

    if (family < 0) {
        Family created;
        created.shape.assign(window.x.begin() + (centre - Before), window.x.begin() + (centre - Before + Length));
        if (count() < Capacity) {
            m_families.push_back(created);
            family = count() - 1;
        } else {
            family = int(std::min_element(m_families.begin(), m_families.end(),
                                          [](const Family &a, const Family &b) { return a.weight < b.weight; })
                         - m_families.begin());
            m_families[size_t(family)] = created;
        }
        m_matches.resize(size_t(count()));
        m_compared.resize(size_t(count()));
        m_matches[size_t(family)] = Match{1.0f, 1.0f, 1.0f, 0};
        m_compared[size_t(family)] = true;
    } else {
        Family &f = m_families[size_t(family)];
        const float rate = 1.0f / float(std::min(f.beats + 1, AveragedBeats));
        const float *x = &window.x[size_t(centre - Before + match.lag)];
        for (int i = 0; i < Length; ++i)
            f.shape[size_t(i)] += rate * (x[i] - f.shape[size_t(i)]);
    }
    refresh(m_families[size_t(family)]);

    for (Family &f : m_families)
        f.weight *= WeightFading;
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
        m.correlation = dot(a.qrs.data(), b.qrs.data(), QrsLength) / (a.qrsNorm * b.qrsNorm);
        m.amplitudeRatio = a.qrsNorm / b.qrsNorm;
        m.widthRatio = a.steepWidth / b.steepWidth;
        if (!fits(m))
            continue;
        const int keep = a.weight >= b.weight ? family : k;
        const int drop = keep == family ? k : family;
        Family &kept = m_families[size_t(keep)];
        kept.weight += m_families[size_t(drop)].weight;
        kept.beats += m_families[size_t(drop)].beats;
        kept.ventricular += m_families[size_t(drop)].ventricular;
        m_families.erase(m_families.begin() + drop);
        m_matches.erase(m_matches.begin() + drop);
        m_compared.erase(m_compared.begin() + drop);
        m_compared[size_t(keep > drop ? keep - 1 : keep)] = false;   // its template is another one now
        family = keep > drop ? keep - 1 : keep;
        k = -1;   // the merged template may now match another family
    }
    return family;
}

TBeatFamilies::Match TBeatFamilies::lastMatch(const TBeatWindow &window, int family) const
{
    if (size_t(family) < m_compared.size() && m_compared[size_t(family)])
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
