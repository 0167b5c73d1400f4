#include "alarms/alarmsound.h"

#include <QtEndian>

#include <cmath>

namespace AlarmSound {

namespace {

constexpr double Pi = 3.14159265358979323846;
// Loud enough to be heard across a room, with headroom for the harmonics.
constexpr double PeakLevel = 0.6 * 32767.0;

// The sum of the harmonics peaks a little below the sum of their amplitudes;
// scaling by that sum keeps every pulse inside PeakLevel.
double amplitudeSum()
{
    double sum = 0.0;
    for (double a : HarmonicAmplitudes)
        sum += a;
    return sum;
}

// Raised-cosine rise and fall over RampShare of the pulse at each end.
double envelope(double t, double length)
{
    const double ramp = RampShare * length;
    if (t < ramp)
        return 0.5 - 0.5 * std::cos(Pi * t / ramp);
    if (t > length - ramp)
        return 0.5 - 0.5 * std::cos(Pi * (length - t) / ramp);
    return 1.0;
}

void addPulse(std::vector<qint16> &out, int startSample, int lengthSamples, double fundamentalHz)
{
    const double scale = PeakLevel / amplitudeSum();
    for (int i = 0; i < lengthSamples && startSample + i < int(out.size()); ++i) {
        const double t = double(i) / SampleRate;
        double value = 0.0;
        int harmonic = 1;
        for (double amplitude : HarmonicAmplitudes)
            value += amplitude * std::sin(2.0 * Pi * fundamentalHz * harmonic++ * t);
        out[size_t(startSample + i)] = qint16(std::lround(scale * envelope(i, lengthSamples) * value));
    }
}

} // namespace

AlarmSoundPattern pattern(AlarmPriority priority)
{
    switch (priority) {
    case AlarmPriority::High:
        // x-x-x---x-x, a pause, x-x-x---x-x: 150-ms pulses 90 ms apart, the
        // fourth after a gap of two spacings and a pulse.
        return {600.0, 150, {0, 240, 480, 960, 1200, 1850, 2090, 2330, 2810, 3050}, 8000};
    case AlarmPriority::Medium:
        return {480.0, 200, {0, 350, 700}, 15000};
    case AlarmPriority::Low:
        return {400.0, 200, {0}, 30000};
    case AlarmPriority::None:
        break;
    }
    return {};
}

std::vector<qint16> waveform(AlarmPriority priority)
{
    const AlarmSoundPattern p = pattern(priority);
    std::vector<qint16> out(size_t(qint64(p.periodMs) * SampleRate / 1000), 0);
    const int pulseSamples = p.pulseMs * SampleRate / 1000;
    for (int start : p.pulseStartsMs)
        addPulse(out, int(qint64(start) * SampleRate / 1000), pulseSamples, p.fundamentalHz);
    return out;
}

QByteArray wavFile(const std::vector<qint16> &samples, int sampleRate)
{
    const quint32 dataBytes = quint32(samples.size() * 2);
    QByteArray file;
    file.reserve(int(44 + dataBytes));
    auto u32 = [&file](quint32 v) {
        char b[4];
        qToLittleEndian(v, b);
        file.append(b, 4);
    };
    auto u16 = [&file](quint16 v) {
        char b[2];
        qToLittleEndian(v, b);
        file.append(b, 2);
    };
    file.append("RIFF", 4);
    u32(36 + dataBytes);
    file.append("WAVEfmt ", 8);
    u32(16);                          // format chunk size
    u16(1);                           // PCM
    u16(1);                           // mono
    u32(quint32(sampleRate));
    u32(quint32(sampleRate) * 2);     // bytes per second
    u16(2);                           // bytes per frame
    u16(16);                          // bits per sample
    file.append("data", 4);
    u32(dataBytes);
    for (qint16 sample : samples)
        u16(quint16(sample));
    return file;
}

} // namespace AlarmSound
