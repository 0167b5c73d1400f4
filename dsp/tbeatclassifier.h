#pragma once

#include "dsp/tbeatevidence.h"
#include "dsp/tbeatfamilies.h"

#include <array>
#include <cstddef>
#include <deque>
#include <vector>

// One decided beat: the detector's beat index, its label, and what the label
// rests on.
struct TBeatDecision
{
    int index = 0;
    BeatLabel label = BeatLabel::Unclassified;
    int centre = 0;               // sample index of the QRS centre found near `index`
    int previousRr = 0;           // samples from the previous beat (0: none)
    int nextRr = 0;               // samples to the next beat, or at least this many (0: unknown)
    int normalRr = 0;             // the patient's recent interval between non-ventricular beats
    TBeatEvidence evidence;
};

// Labels each beat the beat detector finds as normal, ventricular or not
// classified, in real time and for one patient at a time, learning the
// patient's own normal beats as it goes.
//
// Feed it every raw sample (station counts, 250 samples/s; any scale works,
// since every measure is relative to the patient's own beats) with addSample()
// and each beat the detector reports with addBeat(), in the order they come;
// decisions come out of takeDecision() in beat order. A beat is decided once
// its next beat has been reported, or 1.5 s after the beat when no beat
// follows in time (the pause is then known to be at least that long). Each
// sample costs a store and a comparison; the shape work is done once per beat.
// The first beats only teach the classifier the patient and come out as not
// classified.
class TBeatClassifier
{
public:
    static constexpr int MaximumWait = 375;     // 1.5 s from the beat to its decision
    static constexpr int LearningBeats = 20;

    TBeatClassifier();

    // Both return whether decisions are waiting to be taken; callers that
    // take them all whenever told need not look after every sample.
    bool addSample(int sample)
    {
        m_ring[std::size_t(m_samples & (RingLength - 1))] = float(sample);
        return ++m_samples >= m_due && decideReady();
    }
    // `index` as TBeatDetector::feed() returns it, after the sample whose
    // feed reported it was added here. Beats at or before the previous one
    // are ignored.
    bool addBeat(int index);
    // End of the signal: decides the beats still waiting.
    void finish();
    bool takeDecision(TBeatDecision &decision)
    {
        if (m_decided.empty())
            return false;
        decision = m_decided.front();
        m_decided.pop_front();
        return true;
    }

private:
    static constexpr int Reach = 150;            // window of +-600 ms around the beat
    static constexpr int RingLength = 2048;      // 8 s of samples (a power of two)
    static constexpr int DetectorDelay = 96;     // a beat is reported this late at the soonest
    static constexpr int RhythmIntervals = 8;
    // The part of the window smoothed for every beat: the centre search and
    // the templates at every alignment.
    static constexpr int SmoothedFrom = Reach - 64;
    static constexpr int SmoothedTo = Reach + 128;

    bool decideReady();
    void decide(int index, int nextIndex);
    void fillWindow(int index);
    void measureOthers(TBeatDecision &decision, int centre, int lag, const TBeatFamilies::Family &reference);
    int normalRr() const;

    std::vector<float> m_ring;
    int m_samples = 0;
    int m_due;                                   // sample count at which the first waiting beat is decided
    std::vector<float> m_raw;                    // the samples around the beat being decided
    TBeatWindow m_window;                        // the same, smoothed
    std::deque<int> m_pending;
    std::deque<TBeatDecision> m_decided;
    TBeatFamilies m_families;
    std::array<int, RhythmIntervals> m_rhythm{}; // recent intervals between non-ventricular beats, a ring
    int m_rhythmCount = 0;
    int m_rhythmNext = 0;
    int m_previousBeat = -1;
    BeatLabel m_previousLabel = BeatLabel::Normal;
    int m_beatsSeen = 0;
};
