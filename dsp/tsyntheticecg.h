#pragma once

#include <QtGlobal>

#include <vector>

struct TSyntheticEcgOptions
{
    quint32 seed = 1;
    bool baselineWander = false;   // respiratory baseline wander, about 0.25 mV
    bool mainsHum = false;         // 50 Hz
    bool muscleNoise = false;      // band-limited (about 20 to 110 Hz) random noise
};

// A deterministic, realistic single-lead ECG for trying the station without a
// patient: P-QRS-T complexes made of Gaussian waves, R waves of 1.15 to 1.4 mV
// (chosen per seed), QT shortening with rate, respiratory sinus arrhythmia and
// small random beat-to-beat jitter, plus optional baseline wander, 50 Hz hum
// and muscle noise. Random numbers come from std::mt19937 seeded with
// options.seed, so the same seed and course always give the same samples.
class TSyntheticEcg
{
public:
    static constexpr int SampleRate = 250;
    // Station units: one count is 12/512 mV.
    static constexpr double CountsPerMillivolt = 512.0 / 12.0;

    explicit TSyntheticEcg(const TSyntheticEcgOptions &options = {});

    // 250 samples/s station samples (12/512 mV per count), one second of ECG
    // per entry of the heart-rate course (beats per minute, held between 20
    // and 250; a value that is not a number counts as 60). Deterministic for a
    // given seed and course.
    std::vector<qint16> generate(const std::vector<double> &heartRatePerSecond);

    // R-peak sample indexes of the last generate() call.
    const std::vector<int> &beatPositions() const { return m_beatPositions; }

private:
    TSyntheticEcgOptions m_options;
    std::vector<int> m_beatPositions;
};
