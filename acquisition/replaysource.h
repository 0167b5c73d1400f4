#pragma once

#include "acquisition/isource.h"

#include <QtGlobal>

#include <functional>
#include <vector>

// Plays a recording of station samples (250/s) as one patient's module would
// send it. The pace comes from a clock in milliseconds: by default the
// monotonic clock, so the recording plays in real time; a clock that the
// caller advances plays it as fast as the caller wants. The link is up from
// start() on; the recording plays once, or in a loop.
class ReplaySource : public ISource
{
public:
    using Clock = std::function<qint64()>;

    explicit ReplaySource(std::vector<qint16> samples, Clock clock = Clock(), bool loop = false);

    int samplingRate() override { return 250; }
    int resolution() override { return 9; }
    double gainMax() override { return 6.0; }
    // Plays on from where the last stop() left it.
    void start() override;
    void stop() override;
    bool isConnected() override { return m_running; }
    int availableSamples() override;
    int readSamples(short *buffer, int maxCount) override;
    int readSpo2() override { return NoSpo2Reading; }
    double readTemperature() override { return NoTemperatureReading; }
    const char *errorString() override { return ""; }
    // A module with a healthy battery.
    double batteryVoltage() override { return 2.6; }

    // Samples played so far; true once a recording played once is over.
    qint64 played() const { return m_played; }
    bool isFinished() const { return !m_loop && m_played >= qint64(m_samples.size()); }

private:
    qint64 due() const;

    std::vector<qint16> m_samples;
    Clock m_clock;
    bool m_loop;
    bool m_running = false;
    qint64 m_played = 0;
    qint64 m_startTime = 0;
    qint64 m_playedAtStart = 0;
};
