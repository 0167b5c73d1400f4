#include "acquisition/modulereader.h"

#include "acquisition/comport.h"
#include "acquisition/frameparser.h"
#include "acquisition/samplebuffer.h"

#include <QElapsedTimer>
#include <QMutexLocker>

#include <algorithm>
#include <exception>

ModuleReader::ModuleReader(SampleBuffer *buffer, const QByteArray &portName, int baudRate, int readTimeoutMs)
    : buffer(buffer), portName(QString::fromLocal8Bit(portName)), baudRate(baudRate), readTimeoutMs(readTimeoutMs)
{
}

ModuleReader::~ModuleReader()
{
    requestInterruption();
    wait();
}

QString ModuleReader::errorText() const
{
    QMutexLocker locker(&buffer->mutex);
    return error;
}

void ModuleReader::setErrorText(const QString &text)
{
    QMutexLocker locker(&buffer->mutex);
    error = text;
}

short ModuleReader::decodeSample(unsigned char byte1, unsigned char byte2)
{
    const int value = ((byte1 & 0x03) << 8) | byte2;
    return short(value - 256);
}

void ModuleReader::run()
{
    connected = false;
    setErrorText(QString());
    try {
        ComPort port(portName.toLocal8Bit().toStdString(), baudRate, std::min(readTimeoutMs, ReadSliceMs));
        if (!port.isOpen()) {
            setErrorText(QString::fromStdString(port.errorText()));
            return;
        }
        connected = true;
        port.sendStart();
        msleep(100);
        port.sendStart();
        port.sendCommand(ComPort::CommandKeepAlive);
        const PassEnd end = readFrames(port);
        connected = false;
        if (end == PassEnd::ReadError)
            setErrorText(QStringLiteral("Device read error"));
    } catch (...) {
        connected = false;
        setErrorText(QStringLiteral("Unexpected error"));
    }
}

ModuleReader::PassEnd ModuleReader::readFrames(ComPort &port)
{
    int countdown = FramesPerKeepAlive;
    // Each pass finds framing afresh; the bad frames add up over the passes.
    FrameParser parser;
    const qint64 badBefore = badFrames;
    unsigned char byte = 0;
    QElapsedTimer sinceByte;
    sinceByte.start();
    for (;;) {
        if (isInterruptionRequested()) {
            port.sendCommand(ComPort::CommandStop);
            msleep(100);
            port.sendCommand(ComPort::CommandStop);
            return PassEnd::Stopped;
        }
        // The port waits one slice at a time, so that a stop is seen within
        // a slice even when the module has fallen silent; silence for the
        // whole read time-out is a lost link.
        const int read = port.read(&byte, 1);
        if (read < 0)
            return PassEnd::ReadError;
        if (read == 0) {
            if (sinceByte.elapsed() >= readTimeoutMs)
                return PassEnd::ReadError;
            continue;
        }
        sinceByte.restart();
        if (!parser.push(byte))
            continue;
        // Nothing of a bad frame is taken: its samples become a gap and its
        // battery byte is not believed.
        badFrames = badBefore + parser.badFrames();
        buffer->appendGap(parser.missingBefore());
        battery = decodeBattery(parser.batteryByte());
        buffer->appendSample(parser.sample());
        if (--countdown == 0) {
            port.sendCommand(ComPort::CommandKeepAlive);
            countdown = FramesPerKeepAlive;
        }
    }
}
