#pragma once

#include "alarms/alarmconditions.h"

#include <QByteArray>

#include <vector>

// The alarm sound of each priority, generated at start from this description:
// pulses of a fundamental with four harmonics, smooth rise and fall, grouped
// as a burst that repeats.
struct AlarmSoundPattern
{
    double fundamentalHz = 0.0;
    int pulseMs = 0;
    std::vector<int> pulseStartsMs;   // within one repetition
    int periodMs = 0;                 // one full repetition, silence included
};

namespace AlarmSound {

constexpr int SampleRate = 22050;
// Pulse edges: each raised-cosine ramp takes this share of the pulse, so
// that its 10-90 % rise also stays above a tenth of the pulse.
constexpr double RampShare = 0.19;
// Relative amplitudes of the fundamental and the harmonics 2 to 5 (0 to -8 dB).
constexpr double HarmonicAmplitudes[] = {1.0, 0.79, 0.63, 0.5, 0.4};

// High: a burst of ten pulses every 8 s. Medium: three pulses every 15 s.
// Low: one pulse every 30 s. None: empty.
AlarmSoundPattern pattern(AlarmPriority priority);

// Mono 16-bit samples at SampleRate of one full repetition period.
std::vector<qint16> waveform(AlarmPriority priority);

// The samples as a RIFF/WAVE file (PCM, mono, 16-bit little-endian).
QByteArray wavFile(const std::vector<qint16> &samples, int sampleRate = SampleRate);

} // namespace AlarmSound
