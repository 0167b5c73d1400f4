#pragma once

// The rate every ECG source of the station delivers (the wireless modules
// and the simulated source): samples per second. Filters, detectors and the
// beat classifier are designed for it; durations they use are written in
// milliseconds and turned into samples with samplesIn().
constexpr int StationSampleRate = 250;

// Samples in `milliseconds` at the station rate, rounded down.
constexpr int samplesIn(int milliseconds)
{
    return milliseconds * StationSampleRate / 1000;
}
