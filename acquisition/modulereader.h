#pragma once

#include <QByteArray>
#include <QString>
#include <QThread>

#include <atomic>

struct SampleBuffer;
class ComPort;

// The reader thread of one module: opens the port, starts the module, then
// reads frames byte by byte into the sample buffer until it is interrupted
// or the link fails. Each run() is a fresh pass over the same buffer. Only
// frames that pass FrameParser's checks give samples; the samples of bad
// ones are marked in the buffer as lost.
class ModuleReader : public QThread
{
public:
    static constexpr int FramesPerKeepAlive = 30000;
    static constexpr unsigned char FrameSync = 0xA0;
    static constexpr int FrameSize = 6;
    // The longest a single port read waits, and so the longest a stop waits
    // for a silent module.
    static constexpr int ReadSliceMs = 100;

    ModuleReader(SampleBuffer *buffer, const QByteArray &portName, int baudRate, int readTimeoutMs);
    ~ModuleReader() override;

    bool isLinkConnected() const { return connected; }
    double batteryVoltage() const { return battery; }
    // The error text of the last pass, empty when there is none. Safe from any thread.
    QString errorText() const;
    // Bad frames skipped since construction, over every pass.
    qint64 badFrameCount() const { return badFrames; }

    // Frame decoding: the 10-bit value of bytes 1 (low two bits) and 2, less 256.
    static short decodeSample(unsigned char byte1, unsigned char byte2);
    static double decodeBattery(unsigned char byte3) { return byte3 * 0.013; }

protected:
    void run() override;

private:
    enum class PassEnd { Stopped, ReadError };
    PassEnd readFrames(ComPort &port);
    void setErrorText(const QString &text);

    SampleBuffer *buffer;
    QString portName;
    int baudRate;
    int readTimeoutMs;
    std::atomic<bool> connected{false};
    // Written by this thread, read by the GUI thread under the buffer's mutex.
    QString error;
    std::atomic<double> battery{0.0};
    std::atomic<qint64> badFrames{0};
};
