#pragma once

#include "dsp/stationrate.h"
#include "dsp/tbeatevidence.h"
#include "dsp/tbeatfamilies.h"

#include <array>
#include <cstddef>
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
// Feed it every raw sample (station counts at the station rate; any scale works,
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
    static constexpr int MaximumWait = samplesIn(1500);   // from the beat to its decision
    static constexpr int LearningBeats = 20;

    TBeatClassifier();

    // Both return whether decisions are waiting to be taken; callers that
    // take them all whenever told need not look after every sample.
    bool addSample(int sample)
    {
        const int n = m_samples;
        m_samples = n + 1;
        m_ring[std::size_t(n & (RingLength - 1))] = sample;
        return n + 1 >= m_due && decideReady();
    }
    // `index` as TBeatDetector::feed() returns it, after the sample whose
    // feed reported it was added here. Beats at or before the previous one
    // are ignored.
    bool addBeat(int index);
    // End of the signal: decides the beats still waiting.
    void finish();
    bool takeDecision(TBeatDecision &decision) { return m_decided.take(decision); }

private:
    // A first-in first-out queue that keeps its storage: taking only moves
    // an index and taken entries are dropped in one go, so a steady flow of
    // beats allocates nothing.
    template <typename T>
    class Queue
    {
    public:
        bool empty() const { return m_first == m_items.size(); }
        std::size_t size() const { return m_items.size() - m_first; }
        const T &front() const { return m_items[m_first]; }
        const T &back() const { return m_items.back(); }
        const T &operator[](std::size_t i) const { return m_items[m_first + i]; }
        void push(const T &item) { pushNew() = item; }
        // Appends a default item to be filled in place.
        T &pushNew()
        {
            if (m_first >= 32) {
                m_items.erase(m_items.begin(), m_items.begin() + std::ptrdiff_t(m_first));
                m_first = 0;
            }
            return m_items.emplace_back();
        }
        bool take(T &item)
        {
            if (empty())
                return false;
            item = m_items[m_first++];
            if (empty()) {
                m_items.clear();
                m_first = 0;
            }
            return true;
        }

    private:
        std::vector<T> m_items;
        std::size_t m_first = 0;
    };

    static constexpr int Reach = samplesIn(600);           // the window around the beat, each side
    static constexpr int WindowLength = 2 * Reach + 1;
    static constexpr int RingLength = 2048;                 // samples held: a power of two
    static_assert(RingLength >= 8 * StationSampleRate, "the ring holds 8 s");
    static_assert((RingLength & (RingLength - 1)) == 0, "the ring's length is a power of two");
    static constexpr int DetectorDelay = samplesIn(384);   // a beat is reported this late at the soonest
    static constexpr int RhythmIntervals = 8;

    bool decideReady();
    void decide(int index, int nextIndex);
    void fillWindow(int index);
    void smoothWindow(int from, int to);
    void measureOthers(TBeatDecision &decision, int centre, int lag, const TBeatFamilies::Family &reference);
    void keepRhythm(int rr);

    std::array<int, RingLength> m_ring{};
    int m_samples = 0;
    int m_due;                                   // sample count at which the first waiting beat is decided
    const int *m_raw = nullptr;                  // the samples around the beat being decided
    std::array<int, WindowLength> m_rawCopy{};   // holds them when the ring cannot
    TBeatWindow m_window;                        // the same, smoothed where asked for
    int m_smoothedFrom = 0;                      // the part of m_window smoothed so far
    int m_smoothedTo = 0;
    Queue<int> m_pending;
    Queue<TBeatDecision> m_decided;
    TBeatFamilies m_families;
    std::array<int, RhythmIntervals> m_rhythm{}; // recent intervals between non-ventricular beats, a ring
    std::array<int, RhythmIntervals> m_sortedRhythm{};   // the same, in increasing order
    int m_rhythmCount = 0;
    int m_rhythmNext = 0;
    int m_previousBeat = -1;
    BeatLabel m_previousLabel = BeatLabel::Normal;
    int m_beatsSeen = 0;
};
