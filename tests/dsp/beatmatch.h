#pragma once

#include <algorithm>
#include <cstdlib>
#include <vector>

// Scores detected beats against reference beats (sample indexes, ascending):
// the detector's constant delay (the median offset of each detection to its
// nearest reference) is removed, then each detection is matched to at most one
// unmatched reference within `tolerance` samples. Beats before `from` or after
// `to` are left out (learning at the start, a half-seen beat at the end).
struct BeatScore
{
    int delay = 0;
    int truePositives = 0;
    int falsePositives = 0;
    int falseNegatives = 0;
};

inline BeatScore scoreBeats(const std::vector<int> &detected, const std::vector<int> &reference, int from, int to,
                            int tolerance = 37)
{
    BeatScore score;
    std::vector<int> offsets;
    for (int d : detected) {
        const auto it = std::lower_bound(reference.begin(), reference.end(), d);
        int best = it != reference.end() ? *it - d : 1 << 30;
        if (it != reference.begin() && d - *(it - 1) < std::abs(best))
            best = *(it - 1) - d;
        offsets.push_back(-best);
    }
    if (!offsets.empty()) {
        std::nth_element(offsets.begin(), offsets.begin() + long(offsets.size() / 2), offsets.end());
        score.delay = offsets[offsets.size() / 2];
    }
    std::vector<bool> used(reference.size(), false);
    for (int d : detected) {
        const int t = d - score.delay;
        if (t < from || t > to)
            continue;
        auto r = std::lower_bound(reference.begin(), reference.end(), t - tolerance) - reference.begin();
        while (r < long(reference.size()) && reference[size_t(r)] <= t + tolerance && used[size_t(r)])
            ++r;
        const bool matched = r < long(reference.size()) && reference[size_t(r)] <= t + tolerance;
        if (matched)
            used[size_t(r)] = true;
        matched ? ++score.truePositives : ++score.falsePositives;
    }
    for (size_t r = 0; r < reference.size(); ++r)
        score.falseNegatives += reference[r] >= from && reference[r] <= to && !used[r];
    return score;
}
