#pragma once

#include <QtGlobal>

#include <array>

// Judges, second by second, whether one patient's ECG can be analysed, from
// the samples and the beats the detector finds in them. A stretch cannot be
// analysed when its trace has lost the sharp QRS slopes that stand out from
// everything else in a clean ECG (motion and muscle noise bury them) and the
// detector's beats there are not a steady rhythm either (a real rhythm keeps
// its intervals and amplitudes, noise does not). A quiet trace (a flat line
// with a little body noise) is no noise: its pause must still be timed.
// Causal and cheap: a subtraction, two sums and a ring write per sample, a
// few dozen operations per beat and per second. QtCore only.
class EcgQuality
{
public:
    static constexpr int SampleRate = 250;
    static constexpr int BlockSamples = 250;   // one judgement a second
    // The judgement of each second looks at the last two.
    static constexpr int WindowBlocks = 2;
    // Judgements kept, for beats decided late: 16 s.
    static constexpr int HistoryBlocks = 16;
    // Sharpness below which a second holds no clean QRS slope: the largest
    // 16-ms slope against the mean one. A clean ECG reaches 12 to 25, noise
    // at the QRS's own power 6 to 10, a sine 1.6.
    static constexpr double NoisySharpness = 8.0;
    // Peak-to-peak below this (0.2 mV in station counts) the trace is quiet.
    static constexpr int QuietCounts = 9;
    // Beats are steady when at least this many of the last few seconds keep
    // their intervals and their amplitudes close to the mean.
    static constexpr int SteadyBeats = 4;
    static constexpr double SteadyIntervalSpread = 0.2;
    static constexpr double SteadyAmplitudeSpread = 0.5;

    // The sharpness of `count` samples: the largest |x[n] - x[n-4]| over the
    // mean of them; 0 for fewer than five samples or a flat trace.
    static double sharpness(const short *samples, int count);
    // Whether the beats (sample indices, ascending) with their peak-to-peak
    // amplitudes make a steady rhythm.
    static bool steadyBeats(const qint64 *indices, const int *amplitudes, int count);

    void reset() { *this = EcgQuality(); }
    void addSample(int sample);
    // A beat the detector confirmed, at sample `index` (counted like the
    // samples fed, from 0); its amplitude is measured from the samples kept.
    void addBeat(qint64 index);

    qint64 samplesFed() const { return m_fed; }
    // The judgement of the last whole second; true before the first.
    bool analysable() const { return m_judged == 0 || m_history[size_t((m_judged - 1) % HistoryBlocks)]; }
    // Whether the stretch around sample `index` can be analysed: its own
    // second and the one after when judged already. Older than the history
    // kept or not yet judged: analysable.
    bool analysableAt(qint64 index) const;
    // Seconds judged unanalysable among the last `blocks`.
    int noisyBlocks(int blocks) const;
    // Peak-to-peak amplitude in counts around a recent sample (100 ms either
    // side), -1 when the samples are no longer kept.
    int amplitudeAt(qint64 index) const;

private:
    static constexpr int Ring = 1024;
    static constexpr int KeptBeats = 8;
    bool blockJudgement(qint64 blockEnd) const;

    std::array<short, Ring> m_ring{};
    qint64 m_fed = 0;
    // Per block: the sum and the largest of the 16-ms slopes, and the range.
    std::array<qint64, WindowBlocks> m_slopeSum{};
    std::array<int, WindowBlocks> m_slopeMax{};
    std::array<int, WindowBlocks> m_low{}, m_high{};
    qint64 m_judged = 0;   // blocks judged
    std::array<bool, HistoryBlocks> m_history{};
    std::array<qint64, KeptBeats> m_beatIndex{};
    std::array<int, KeptBeats> m_beatAmplitude{};
    int m_beats = 0;       // beats kept, newest last in ring order
};
