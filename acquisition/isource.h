#pragma once

#include <QtGlobal>

// A pull-based source of one ECG channel plus, where available, SpO2 and
// temperature readings. Sources never call out: consumers poll them.
class ISource
{
public:
    virtual ~ISource() = default;
    // ECG samples per second (250).
    virtual int samplingRate() = 0;
    // Sample resolution in bits (9): one count is 12/512 mV.
    virtual int resolution() = 0;
    // Full-scale value in mV (6.0); the scale runs from -gainMax to +gainMax.
    virtual double gainMax() = 0;
    // Begins (or begins again) acquisition and returns at once.
    virtual void start() = 0;
    // Ends acquisition; afterwards nothing writes into the source's buffers.
    virtual void stop() = 0;
    // True while data can arrive.
    virtual bool isConnected() = 0;
    // Number of queued ECG samples.
    virtual int availableSamples() = 0;
    // Moves up to maxCount queued samples, oldest first; returns how many moved.
    virtual int readSamples(short *buffer, int maxCount) = 0;
    // Oldest queued SpO2 reading in percent, or -999 when none is queued.
    virtual int readSpo2() = 0;
    // Oldest queued temperature in degrees Celsius, or -999.0 when none is queued.
    virtual double readTemperature() = 0;
    // The last error text, empty when there is none. Valid until the next call.
    virtual const char *errorString() = 0;
    // The module's battery voltage in volts.
    virtual double batteryVoltage() = 0;
    // Samples the source knows it lost just before the next queued sample
    // (bad frames on a link), 0 when none; taking them clears the count.
    // readSamples() never moves samples from beyond such a loss before it
    // has been taken.
    virtual qint64 takeLostSamples() { return 0; }
    // Bad frames the source has skipped since it was created.
    virtual qint64 badFrameCount() { return 0; }
};

// Sentinels of the vital-sign reads.
constexpr int NoSpo2Reading = -999;
constexpr double NoTemperatureReading = -999.0;
