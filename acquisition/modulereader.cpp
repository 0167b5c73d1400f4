#include "acquisition/modulereader.h"

#include "acquisition/comport.h"
#include "acquisition/samplebuffer.h"

#include <QMutexLocker>

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
        ComPort port(portName.toLocal8Bit().toStdString(), baudRate, readTimeoutMs);
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
    unsigned char frame[FrameSize];
    for (;;) {
        if (isInterruptionRequested()) {
            port.sendCommand(ComPort::CommandStop);
            msleep(100);
            port.sendCommand(ComPort::CommandStop);
            return PassEnd::Stopped;
        }
        if (port.read(frame, 1) != 1)
            return PassEnd::ReadError;
        // Skipping to the next sync byte is how framing is found and kept.
        if (frame[0] != FrameSync)
            continue;
        for (int i = 1; i < FrameSize; ++i) {
            if (port.read(frame + i, 1) != 1)
                return PassEnd::ReadError;
        }
        battery = decodeBattery(frame[3]);
        buffer->appendSample(decodeSample(frame[1], frame[2]));
        if (--countdown == 0) {
            port.sendCommand(ComPort::CommandKeepAlive);
            countdown = FramesPerKeepAlive;
        }
    }
}
