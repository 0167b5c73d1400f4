#include "acquisition/modulesource.h"

#include "acquisition/modulereader.h"
#include "acquisition/samplebuffer.h"


// The buffer is declared first so that it outlives the reader, which is
// destroyed (and joined) before it.
ModuleSource::ModuleSource(const QByteArray &port, int readTimeoutMs)
    : buffer(std::make_unique<SampleBuffer>()),
      reader(std::make_unique<ModuleReader>(buffer.get(), port, 115200, readTimeoutMs))
{
}

ModuleSource::~ModuleSource()
{
    reader.reset();
    buffer.reset();
}

void ModuleSource::start()
{
    reader->start();
}

void ModuleSource::stop()
{
    reader->requestInterruption();
    reader->wait();
}

bool ModuleSource::isConnected()
{
    return reader->isLinkConnected();
}

int ModuleSource::availableSamples()
{
    return buffer->sampleCount();
}

int ModuleSource::readSamples(short *samples, int maxCount)
{
    return buffer->takeSamples(samples, maxCount);
}

const char *ModuleSource::errorString()
{
    errorCopy = reader->errorText().toLocal8Bit();
    return errorCopy.constData();
}

double ModuleSource::batteryVoltage()
{
    return reader->batteryVoltage();
}

qint64 ModuleSource::takeLostSamples()
{
    return buffer->takeGap();
}

qint64 ModuleSource::badFrameCount()
{
    return reader->badFrameCount();
}
