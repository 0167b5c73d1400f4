#pragma once

#include <algorithm>
#include <cstdlib>
#include <vector>

// Scores detected beats against reference beats (sample indexes, both
// ascending): the detector's constant delay (median offset of each detection
// to its nearest reference) is removed, then every detection is matched to at
// most one unmatched reference within `tolerance` samples. Beats before `from`
// or after `to` are left out (learning at the start, a half-seen beat at the end).
struct BeatScore
{
    int delay = 0;
    int truePositives = 0;
    int falsePositives = 0;
    int falseNegatives = 0;
    double sensitivity() const { return 100.0 * truePositives / std::max(1, truePositives + falseNegatives); }
    double positivePredictivity() const { return 100.0 * truePositives / std::max(1, truePositives + falsePositives); }
};

inline BeatScore scoreBeats(const std::vector<int> &detected, const std::vector<int> &reference, int from, int to,
                            int tolerance = 37)
{
    BeatScore score;
    std::vector<int> offsets;
    for (int d : detected) {
        const auto it = std::lower_bound(reference.begin(), reference.end(), d);
        int best = 1 << 30;
        if (it != reference.end())
            best = d - *it;
        if (it != reference.begin() && std::abs(d - *(it - 1)) < std::abs(best))
            best = d - *(it - 1);
        offsets.push_back(best);
    }
    if (!offsets.empty()) {
        std::nth_element(offsets.begin(), offsets.begin() + offsets.size() / 2, offsets.end());
        score.delay = offsets[offsets.size() / 2];
    }

    std::vector<bool> used(reference.size(), false);
    size_t first = 0;
    for (int d : detected) {
        const int t = d - score.delay;
        if (t < from || t > to)
            continue;
        while (first < reference.size() && reference[first] < t - tolerance)
            ++first;
        bool matched = false;
        for (size_t r = first; r < reference.size() && reference[r] <= t + tolerance; ++r) {
            if (!used[r]) {
                used[r] = matched = true;
                break;
            }
        }
        matched ? ++score.truePositives : ++score.falsePositives;
    }
    for (size_t r = 0; r < reference.size(); ++r) {
        if (reference[r] >= from && reference[r] <= to && !used[r])
            ++score.falseNegatives;
    }
    return score;
}
