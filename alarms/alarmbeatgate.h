#pragma once

#include <QtGlobal>

#include <array>

// Decides which of the detector's beats show ventricular activity, so that
// the asystole timer is not reset by the noise of a flat trace. After a few
// seconds without beats the detector lowers its thresholds until it calls
// noise peaks beats; those are far smaller than the patient's QRS complexes.
// A beat counts when its peak-to-peak amplitude reaches 0.15 mV (smaller
// deflections are not QRS complexes) and a third of the mean of the last
// beats that counted. A QRS that really became small (an electrode moved)
// is learned again once eight beats in a row have come with steady
// amplitudes at a steady rate, which noise does not do.
class BeatAmplitudeGate
{
public:
    // 0.15 mV in station counts (12/512 mV each), rounded up.
    static constexpr int FloorCounts = 7;
    static constexpr int Remembered = 8;

    // The amplitude (counts, peak to peak around the beat) of a beat at
    // `time` (ms); true when it counts.
    bool accept(int amplitude, qint64 time);
    void reset() { *this = BeatAmplitudeGate(); }

private:
    bool steadyRejectedRun() const;

    std::array<int, Remembered> m_accepted{};
    int m_acceptedCount = 0;
    std::array<int, Remembered> m_rejectedAmplitudes{};
    std::array<qint64, Remembered> m_rejectedTimes{};
    int m_rejectedRun = 0;
};
