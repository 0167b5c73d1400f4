#include "dsp/tbeatfamilies.h"

#include "dsp/tbeatmorphology.h"

#include <algorithm>

using namespace BeatMorphology;

namespace {

constexpr float JoinCorrelation = 0.94f;
constexpr float LowestRatio = 0.8f;
constexpr float HighestRatio = 1.25f;
constexpr double WeightFading = 0.995;     // per beat
constexpr int AveragedBeats = 16;          // templates and shares follow the last ~16 beats
constexpr float MostlyOnTime = 0.5f;

bool within(float ratio)
{
    return ratio > LowestRatio && ratio < HighestRatio;
}

} // namespace

bool TBeatFamilies::fits(const Match &match)
{
    return match.correlation >= JoinCorrelation && within(match.amplitudeRatio) && within(match.widthRatio);
}

TBeatFamilies::Match TBeatFamilies::compare(const std::vector<float> &window, int centre, int family) const
{
    const std::vector<float> &shape = m_families[size_t(family)].shape;
    Match best;
    best.correlation = -2.0f;
    for (int lag = -MaximumLag; lag <= MaximumLag; ++lag) {
        const float c = correlation(window, centre - Before + lag, shape, 0, QrsLength);
        if (c > best.correlation) {
            best.correlation = c;
            best.lag = lag;
        }
    }
    const int from = centre - Before + best.lag;
    const float shapeSpread = spread(shape, 0, QrsLength);
    const float shapeWidth = steepWidth(shape, 0, QrsLength);
    best.amplitudeRatio = shapeSpread > 0.0f ? spread(window, from, QrsLength) / shapeSpread : 0.0f;
    best.widthRatio = shapeWidth > 0.0f ? steepWidth(window, from, QrsLength) / shapeWidth : 0.0f;
    return best;
}

int TBeatFamilies::assign(const std::vector<float> &window, int centre, bool premature)
{
    int family = -1;
    Match joined;
    for (int k = 0; k < count(); ++k) {
        const Match m = compare(window, centre, k);
        if (fits(m) && (family < 0 || m_families[size_t(k)].weight > m_families[size_t(family)].weight)) {
            family = k;
            joined = m;
        }
    }

    if (family < 0) {
        Family created;
        created.shape.assign(window.begin() + (centre - Before), window.begin() + (centre - Before + Length));
        if (count() < Capacity) {
            m_families.push_back(created);
            family = count() - 1;
        } else {
            family = int(std::min_element(m_families.begin(), m_families.end(),
                                          [](const Family &a, const Family &b) { return a.weight < b.weight; })
                         - m_families.begin());
            m_families[size_t(family)] = created;
        }
    } else {
        Family &f = m_families[size_t(family)];
        const float rate = 1.0f / float(std::min(f.beats + 1, AveragedBeats));
        const int from = centre - Before + joined.lag;
        for (int i = 0; i < Length; ++i)
            f.shape[size_t(i)] += rate * (window[size_t(from + i)] - f.shape[size_t(i)]);
    }

    for (Family &f : m_families)
        f.weight *= WeightFading;
    Family &f = m_families[size_t(family)];
    f.weight += 1.0;
    ++f.beats;
    const float early = premature ? 1.0f : 0.0f;
    f.premature += (early - f.premature) / float(std::min(f.beats, AveragedBeats));
    return mergeAlike(family);
}

int TBeatFamilies::mergeAlike(int family)
{
    for (int k = 0; k < count(); ++k) {
        if (k == family)
            continue;
        const Family &a = m_families[size_t(family)];
        const Family &b = m_families[size_t(k)];
        const float spreadB = spread(b.shape, 0, QrsLength);
        const float widthB = steepWidth(b.shape, 0, QrsLength);
        if (spreadB <= 0.0f || widthB <= 0.0f)
            continue;
        Match m;
        m.correlation = correlation(a.shape, 0, b.shape, 0, QrsLength);
        m.amplitudeRatio = spread(a.shape, 0, QrsLength) / spreadB;
        m.widthRatio = steepWidth(a.shape, 0, QrsLength) / widthB;
        if (!fits(m))
            continue;
        const int keep = a.weight >= b.weight ? family : k;
        const int drop = keep == family ? k : family;
        Family &kept = m_families[size_t(keep)];
        kept.weight += m_families[size_t(drop)].weight;
        kept.beats += m_families[size_t(drop)].beats;
        kept.ventricular += m_families[size_t(drop)].ventricular;
        m_families.erase(m_families.begin() + drop);
        family = keep > drop ? keep - 1 : keep;
        k = -1;   // the merged template may now match another family
    }
    return family;
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
