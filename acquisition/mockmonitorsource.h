#pragma once

#include "acquisition/isource.h"

#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdio>
#include <random>

// A simulated module: replays "ecg250-1.dat" in a loop at 250 samples per
// second from start() on and invents SpO2 and temperature readings as
// bounded random walks. The simulated link comes up two vital ticks (about
// 2 s) after start(), and then queues the samples of those seconds at once.
// Lives entirely on the GUI thread.
class MockMonitorSource : public QObject, public ISource
{
public:
    static const char *const ReplayFileName;

    explicit MockMonitorSource(QObject *parent = nullptr);
    ~MockMonitorSource() override;

    int samplingRate() override { return 250; }
    int resolution() override { return 9; }
    double gainMax() override { return 6.0; }
    void start() override;
    void stop() override;
    bool isConnected() override { return running; }
    int availableSamples() override { return ecgQueue.size(); }
    int readSamples(short *buffer, int maxCount) override;
    int readSpo2() override;
    double readTemperature() override;
    const char *errorString() override { return ""; }
    double batteryVoltage() override { return 2.5; }

    // Where the replay file is found: the working directory first, then the
    // folder of the executable. Empty when neither holds it.
    static QString findReplayFile();

    // The random-walk steps, u drawn from [-1, 1).
    static int nextSpo2(int spo2, double u);
    static double nextTemperature(double temperature, double u);

private:
    void onSampleTick();
    void onVitalTick();
    double drawUniform();
    bool readReplaySample(short &sample);

    int spo2 = 98;
    double temperature = 36.5;
    std::random_device random;
    const double rangeLow = -1.0;
    const double rangeHigh = 1.0;
    QTimer sampleTimer;
    QTimer vitalTimer;
    // Monotonic, so a change of the wall clock neither floods nor stops the stream.
    QElapsedTimer clock;
    qint64 delivered = 0;
    QList<short> ecgQueue;
    QList<int> spo2Queue;
    QList<double> temperatureQueue;
    FILE *file = nullptr;
    bool running = false;
    int startCountdown = 0;
};
