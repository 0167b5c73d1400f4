#pragma once

#include <cstddef>
#include <vector>

// The QRS morphologies one patient has shown so far. Beats of the same shape
// form a family with an averaged template; the family whose beats come on
// time and that keeps most of the recent beats is the patient's normal
// conduction, against which every beat is compared. Templates adapt slowly,
// so gradual changes (rate, posture, electrode drift) follow along.
//
// Templates cover 100 ms before the QRS centre to 400 ms after it (the QRS,
// ST segment and T wave) at 250 samples/s. Windows handed in must hold
// Before + MaximumLag samples before the centre and Length - Before +
// MaximumLag from it on.
class TBeatFamilies
{
public:
    static constexpr int Capacity = 8;
    static constexpr int Before = 25;      // 100 ms before the QRS centre
    static constexpr int QrsLength = 63;   // -100 .. +148 ms: the QRS window
    static constexpr int Length = 126;     // -100 .. +400 ms: with the T wave
    static constexpr int MaximumLag = 3;   // centres may be off by 12 ms

    struct Family
    {
        std::vector<float> shape;   // Length samples
        int beats = 0;
        int ventricular = 0;        // beats of the family labelled ventricular
        double weight = 0.0;        // beat count fading by half over about 140 beats
        float premature = 0.0f;     // recent share of its beats that came early
    };

    // How a beat compares with one family's template, at the best of the
    // alignments within MaximumLag.
    struct Match
    {
        float correlation = 0.0f;     // over the QRS window
        float amplitudeRatio = 0.0f;  // beat spread over template spread, QRS window
        float widthRatio = 0.0f;      // beat steep width over template steep width
        int lag = 0;
    };

    Match compare(const std::vector<float> &window, int centre, int family) const;

    // Puts the beat centred at `centre` into the heaviest family it fits, or
    // into a new one (replacing the lightest when all places are taken),
    // updates that family, then merges families that have grown alike.
    // Returns the beat's family. `premature`: the beat came clearly before
    // the next one would suggest.
    int assign(const std::vector<float> &window, int centre, bool premature);

    // The patient's normal conduction: the heaviest family whose beats mostly
    // come on time (the heaviest of all when none does); -1 before any beat.
    int normal() const;

    int count() const { return int(m_families.size()); }
    const Family &family(int index) const { return m_families[std::size_t(index)]; }
    void countVentricular(int index) { ++m_families[std::size_t(index)].ventricular; }

    // Whether a beat with this match belongs to the family: same shape, and
    // within a quarter of its amplitude and width.
    static bool fits(const Match &match);

private:
    int mergeAlike(int family);

    std::vector<Family> m_families;
};
