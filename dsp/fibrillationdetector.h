#pragma once

#include <QtGlobal>

#include <array>

// Recognises ventricular fibrillation and flutter in one ECG channel at 250
// samples/s, whether or not a beat detector still finds "beats" in it. Each
// second it looks at the last four: a fibrillating or fluttering ventricle
// draws an undulating wave whose power gathers around one rate of 150 to
// 480 a minute (2.5 to 8 Hz), with none of the sharp QRS slopes of an
// organised rhythm and a visible amplitude. Sinus rhythm, however fast, keeps
// its sharp slopes; motion noise spreads its power below 2.5 Hz, muscle
// noise above 12 Hz. Four such seconds in a row are fibrillation.
// Causal and cheap: a sum per sample; a 47-bin spectrum of 200 points once
// a second. QtCore only.
class FibrillationDetector
{
public:
    static constexpr int SampleRate = 250;
    static constexpr int Decimation = 5;                 // the spectrum is taken at 50 samples/s
    static constexpr int WindowSamples = 200;            // 4 s at 50/s: bins 0.25 Hz apart
    static constexpr int LowestBin = 4, HighestBin = 48; // 1 to 12 Hz: the band looked at
    static constexpr int RateLowBin = 10, RateHighBin = 32; // 2.5 to 8 Hz: where its peak must be
    static constexpr int PeakHalfWidth = 3;              // the peak's power: ±0.75 Hz around it
    static constexpr double Concentration = 0.5;         // of the band's power around the peak
    static constexpr double MaximumSharpness = 6.5;      // organised QRS slopes reach 10 and more
    static constexpr int MinimumRangeCounts = 9;         // 0.2 mV peak to peak
    static constexpr int ConfirmSeconds = 4;             // of the last four

    // One second's findings over the last four seconds.
    struct Features
    {
        double peakHz = 0;         // the strongest frequency between 1 and 12 Hz
        double concentration = 0;  // the share of 1-12 Hz power within ±0.75 Hz of the peak
        double sharpness = 0;      // as EcgQuality::sharpness() over the 250/s samples
        int rangeCounts = 0;       // peak to peak
        bool fibrillatory() const;
    };
    // The features of four seconds of samples at 250/s (1000 of them).
    static Features analyse(const short *samples, int count);

    void reset() { *this = FibrillationDetector(); }
    void addSample(int sample);
    // Whether the last seconds show fibrillation or flutter.
    bool fibrillation() const { return m_confirmed; }
    const Features &lastFeatures() const { return m_last; }

private:
    static constexpr int Ring = 1024;
    std::array<short, Ring> m_ring{};
    qint64 m_fed = 0;
    unsigned m_recent = 0;   // a bit per second, newest lowest
    bool m_confirmed = false;
    Features m_last;
};
