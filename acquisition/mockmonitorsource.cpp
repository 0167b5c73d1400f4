#include "acquisition/mockmonitorsource.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>

const char *const MockMonitorSource::ReplayFileName = "ecg250-1.dat";

MockMonitorSource::MockMonitorSource(QObject *parent)
    : QObject(parent)
{
    sampleTimer.setInterval(50);
    vitalTimer.setInterval(1000);
    connect(&sampleTimer, &QTimer::timeout, this, &MockMonitorSource::onSampleTick);
    connect(&vitalTimer, &QTimer::timeout, this, &MockMonitorSource::onVitalTick);
    const QString path = findReplayFile();
    if (!path.isEmpty())
        file = fopen(QFile::encodeName(path).constData(), "rb");
}

MockMonitorSource::~MockMonitorSource()
{
    if (file)
        fclose(file);
}

QString MockMonitorSource::findReplayFile()
{
    const QString name = QString::fromLatin1(ReplayFileName);
    if (QFileInfo(name).isFile())
        return name;
    // A station started from a desktop icon has another working directory.
    if (QCoreApplication::instance()) {
        const QString beside = QDir(QCoreApplication::applicationDirPath()).filePath(name);
        if (QFileInfo(beside).isFile())
            return beside;
    }
    return QString();
}

void MockMonitorSource::start()
{
    startCountdown = 2;
    running = false;
    // The replay is paced from the start: the samples of the two seconds the
    // link takes to come up are queued when it does, so that the source
    // delivers as much ECG as time passes.
    clock.start();
    delivered = 0;
    sampleTimer.start();
    vitalTimer.start();
}

void MockMonitorSource::stop()
{
    // The samples due up to now are queued before the stream ends.
    onSampleTick();
    sampleTimer.stop();
    vitalTimer.stop();
}

int MockMonitorSource::readSamples(short *buffer, int maxCount)
{
    const int n = std::min(maxCount, ecgQueue.size());
    for (int i = 0; i < n; ++i)
        buffer[i] = ecgQueue.takeFirst();
    return std::max(n, 0);
}

int MockMonitorSource::readSpo2()
{
    return spo2Queue.isEmpty() ? NoSpo2Reading : spo2Queue.takeFirst();
}

double MockMonitorSource::readTemperature()
{
    return temperatureQueue.isEmpty() ? NoTemperatureReading : temperatureQueue.takeFirst();
}

int MockMonitorSource::nextSpo2(int spo2, double u)
{
    const int value = int(spo2 + 2.0 * u);
    if (value > 100)
        return 100;
    if (value < 90)
        return 90;
    return value;
}

double MockMonitorSource::nextTemperature(double temperature, double u)
{
    const double value = temperature + 0.1 * u;
    if (value > 37.5)
        return 37.5;
    if (value < 35.5)
        return 35.5;
    return value;
}

double MockMonitorSource::drawUniform()
{
    const quint32 r = random();
    return rangeLow + (rangeHigh - rangeLow) * (double(r) / 4294967296.0);
}

void MockMonitorSource::onVitalTick()
{
    if (startCountdown > 0) {
        --startCountdown;
        if (startCountdown > 0)
            return;
        running = true;
    }
    spo2 = nextSpo2(spo2, drawUniform());
    spo2Queue.append(spo2);
    temperature = nextTemperature(temperature, drawUniform());
    temperatureQueue.append(temperature);
}

bool MockMonitorSource::readReplaySample(short &sample)
{
    unsigned char bytes[2];
    if (fread(bytes, 1, 2, file) != 2) {
        // End of file (a trailing half sample is dropped): play it again from the start.
        rewind(file);
        if (fread(bytes, 1, 2, file) != 2)
            return false;
    }
    sample = short(quint16(bytes[0] | (bytes[1] << 8)));
    return true;
}

void MockMonitorSource::onSampleTick()
{
    if (!running)
        return;
    const qint64 due = qint64(clock.elapsed() * 0.001 * 250.0);
    if (!file) {
        // No replay file: vitals still flow, no ECG.
        delivered = due;
        return;
    }
    short sample = 0;
    while (delivered < due) {
        if (!readReplaySample(sample)) {
            // A file too short to hold one sample has nothing to play.
            fclose(file);
            file = nullptr;
            delivered = due;
            return;
        }
        ecgQueue.append(sample);
        ++delivered;
    }
}
