#pragma once

#include "acquisition/isource.h"

#include <QByteArray>

#include <memory>

class ModuleReader;
struct SampleBuffer;

// A wireless acquisition module on a serial port. Its reader thread fills the
// sample buffer; every ISource operation runs on the GUI thread. Modules
// deliver ECG and battery voltage only.
class ModuleSource : public ISource
{
public:
    explicit ModuleSource(const QByteArray &port, int readTimeoutMs = 10000);
    ~ModuleSource() override;

    int samplingRate() override { return 250; }
    int resolution() override { return 9; }
    double gainMax() override { return 6.0; }
    void start() override;
    // Joins the reader thread: may block up to the read time-out.
    void stop() override;
    bool isConnected() override;
    int availableSamples() override;
    int readSamples(short *buffer, int maxCount) override;
    int readSpo2() override { return NoSpo2Reading; }
    double readTemperature() override { return NoTemperatureReading; }
    const char *errorString() override;
    double batteryVoltage() override;
    qint64 takeLostSamples() override;
    qint64 badFrameCount() override;

private:
    std::unique_ptr<SampleBuffer> buffer;
    std::unique_ptr<ModuleReader> reader;
    QByteArray errorCopy;
};
