#pragma once

#include "dsp/stationrate.h"

#include <array>
#include <cstddef>
#include <vector>

// The QRS morphologies one patient has shown so far. Beats of the same shape
// form a family with an averaged template; the family whose beats come on
// time and that keeps most of the recent beats is the patient's normal
// conduction, against which every beat is compared. Templates adapt slowly,
// so gradual changes (rate, posture, electrode drift) follow along.
//
// Templates cover 100 ms before the QRS centre to 400 ms after it (the QRS,
// ST segment and T wave). Windows handed in must hold
// Before + MaximumLag samples before the centre and Length - Before +
// MaximumLag from it on.
// The smoothed samples around one beat, with the spread about its mean of
// the QRS window at each alignment tried, so that comparing it with a
// template costs one dot product per alignment.
struct TBeatWindow
{
    std::vector<float> x;
    int centre = 0;
    static constexpr int Lags = 7;    // alignments tried: MaximumLag either side of the centre
    double norm[Lags] = {};           // root of the sum of (x - mean)^2 of the QRS window at each alignment
    mutable float width[Lags] = {};   // its steep width, once asked for (0: not yet)

    void prepare(int qrsCentre);   // after x has been filled
    float steepWidthAt(int lag) const;
};

class TBeatFamilies
{
public:
    static constexpr int Capacity = 8;
    static constexpr int Before = samplesIn(100);                 // before the QRS centre
    static constexpr int QrsLength = Before + samplesIn(148) + 1;   // -100 .. +148 ms: the QRS window
    static constexpr int Length = Before + samplesIn(400) + 1;      // -100 .. +400 ms: with the T wave
    static constexpr int MaximumLag = samplesIn(12);              // how far centres may be off
    static_assert(2 * MaximumLag + 1 == TBeatWindow::Lags, "a window holds every alignment");

    struct Family
    {
        std::array<float, Length> shape{};
        std::array<float, QrsLength> qrs{};   // the QRS window of the shape minus its mean
        float qrsNorm = 0.0f;       // root of the sum of squares of qrs
        float steepWidth = 0.0f;    // of the QRS window
        float qrsAmplitude = 0.0f;  // peak to peak of the QRS window
        int beats = 0;
        int ventricular = 0;        // beats of the family labelled ventricular
        double weight = 0.0;        // beat count fading by half over about 140 beats
        float premature = 0.0f;     // recent share of its beats that came early
        bool normalShape = false;   // normal conduction at another amplitude (see normalLike())
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

    Match compare(const TBeatWindow &window, int family) const;

    // Puts the beat into the heaviest family it fits, or
    // into a new one (replacing the lightest when all places are taken),
    // updates that family, then merges families that have grown alike.
    // Returns the beat's family. `premature`: the beat came clearly before
    // the next one would suggest. The comparisons made on the way are kept
    // for lastMatch().
    int assign(const TBeatWindow &window, bool premature);

    // How the beat last assigned compared with `family` (a template as it
    // was before that beat joined it); compares now when it was not
    // compared on the way.
    Match lastMatch(const TBeatWindow &window, int family) const;

    // The patient's normal conduction: the heaviest family whose beats mostly
    // come on time, preferring families of 100 beats or more (the heaviest of
    // all when none comes on time); -1 before any beat.
    int normal() const;

    int count() const { return m_count; }
    const Family &family(int index) const { return m_families[std::size_t(index)]; }
    void countVentricular(int index) { ++m_families[std::size_t(index)].ventricular; }

    // Whether family `k` is the normal conduction seen at another amplitude
    // (breathing and posture change the QRS size, not its shape or width):
    // established, on time, rarely ventricular, and of the shape and width
    // of the `normal` family. Looked at again every few beats of the family.
    bool normalLike(int k, int normal);

    // Whether a beat with this match belongs to the family: same shape, and
    // within a quarter of its amplitude and width.
    static bool fits(const Match &match)
    {
        return match.correlation >= JoinCorrelation && within(match.amplitudeRatio) && within(match.widthRatio);
    }

private:
    bool couldFit(const TBeatWindow &window, int family) const;
    static constexpr float JoinCorrelation = 0.94f;
    static constexpr float LowestRatio = 0.8f;
    static constexpr float HighestRatio = 1.25f;
    static bool within(float ratio) { return ratio > LowestRatio && ratio < HighestRatio; }
    static void refresh(Family &family);
    int mergeAlike(int family);

    std::array<Family, Capacity> m_families;
    int m_count = 0;
    std::array<Match, Capacity> m_matches;   // per family: the last beat's comparison
    std::array<bool, Capacity> m_compared{};
};
