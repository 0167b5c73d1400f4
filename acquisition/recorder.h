#pragma once

#include <QObject>
#include <QTimer>

#include <array>
#include <map>
#include <memory>

class ISource;
class MonitorSession;
class TBeatDetector;

// The samples one poll moved out of a source, and the beats its detector
// confirmed while taking them, as the detector's own sample indices (counted
// from the source's addSource()). Valid only during the signal.
struct PolledSamples
{
    const short *samples = nullptr;
    int count = 0;
    const int *beats = nullptr;
    int beatCount = 0;
};

// The pump of live monitoring: every 40 ms it moves the queued ECG of every
// running source into its session's recording and through the source's beat
// detector; every second it appends heart rate, SpO2 and temperature to the
// session's trends, or restarts a source that reports an error, and tries
// again to write a recording that could not be written.
class Recorder : public QObject
{
    Q_OBJECT

public:
    static constexpr int PollInterval = 40;
    static constexpr int TrendInterval = 1000;
    static constexpr int MaxSamplesPerPoll = 1000;
    // 1000 samples are 4 s; the detector finds at most one beat in 200 ms.
    static constexpr int MaxBeatsPerPoll = 32;

    explicit Recorder(QObject *parent = nullptr);
    ~Recorder() override;

    void start();
    // Pairs the source (not owned) with its session (not owned) and starts it.
    void addSource(ISource *source, MonitorSession *session);
    // Stops the source and forgets it.
    void removeSource(ISource *source);
    // Stops every source, adds "Stop monitoring" to each session, forgets
    // them all and stops the timers.
    void stopAll();

    int sourceCount() const { return int(sessions.size()); }
    bool isActive() const { return pollTimer.isActive(); }

    // One poll tick and one trend tick; the timers call these.
    void pollSources();
    void updateTrends();

    // Drains a vital-sign queue: the last non-negative reading, or 0 when none.
    static int lastSpo2(ISource &source);
    static double lastTemperature(ISource &source);

signals:
    // The session's recording could not be written (disk full): its file
    // keeps what reached it, acquisition and the trends go on, and the write
    // is tried again every second. Told once per failure.
    void recordingFailed(MonitorSession *session);
    // Told for every poll that moved samples, in the middle of the poll:
    // receivers only read, they add or remove no source.
    void samplesPolled(MonitorSession *session, const PolledSamples &polled);
    // The recording takes frames again; those held meanwhile are written.
    void recordingResumed(MonitorSession *session);

private:
    std::map<ISource *, MonitorSession *> sessions;
    std::map<ISource *, std::unique_ptr<TBeatDetector>> detectors;
    QTimer pollTimer;
    QTimer trendTimer;
    std::array<short, MaxSamplesPerPoll> buffer{};
    std::array<int, MaxBeatsPerPoll> beats{};
};
