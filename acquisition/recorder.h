#pragma once

#include <QObject>
#include <QTimer>

#include <array>
#include <map>
#include <memory>
#include <vector>

class ISource;
class MonitorSession;
class TBeatDetector;

// The samples one poll moved out of a source, and the beats its detector
// confirmed while taking them, as the detector's own sample indices (counted
// from the source's addSource()), with the position in `samples` of the
// sample whose feed confirmed each. Valid only during the signal.
// The samples sit in the session's recording from firstSample on. When
// gapBefore is above 0, a gap of that many samples lies just before them:
// the detector was not fed across it (a short gap is instead bridged with
// the last sample, and then these are those bridging samples).
struct PolledSamples
{
    const short *samples = nullptr;
    int count = 0;
    const int *beats = nullptr;
    int beatCount = 0;
    const int *beatPositions = nullptr;
    qint64 firstSample = 0;
    qint64 gapBefore = 0;
};

// The pump of live monitoring: every 40 ms it moves the queued ECG of every
// running source into its session's recording and through the source's beat
// detector; every second it appends heart rate, SpO2 and temperature to the
// session's trends, or restarts a source that reports an error, and tries
// again to write a recording that could not be written.
//
// The recording and the trends keep the session's time: sample i of the
// recording is i/250 s and trend entry n is second n after the session's
// start (for a session with its own clock). Whatever did not arrive (the link coming up, lost, stalled or
// restarted, bad frames) becomes a gap in the recording, placed where the
// session's clock says the next samples belong, and seconds without a
// reading get zero trend entries.
class Recorder : public QObject
{
    Q_OBJECT

public:
    static constexpr int PollInterval = 40;
    static constexpr int TrendInterval = 1000;
    static constexpr int MaxSamplesPerPoll = 1000;
    // 1000 samples are 4 s; the detector finds at most one beat in 200 ms.
    static constexpr int MaxBeatsPerPoll = 32;
    // A source just started (or restarted) whose first samples are this far
    // behind the session's clock starts after a gap; less is the link's own
    // delay and stays unmarked.
    static constexpr int StartSlack = 125;
    // A running source this far behind the session's clock lost samples:
    // more than the bursts a wireless link delivers in.
    static constexpr int DropoutSlack = 250;
    // Gaps up to this long are bridged for the beat detector and the alarms
    // with the last sample; longer ones are not fed to them.
    static constexpr int BridgedGap = 125;

    explicit Recorder(QObject *parent = nullptr);
    ~Recorder() override;

    void start();
    // Pairs the source (not owned) with its session (not owned) and starts it.
    void addSource(ISource *source, MonitorSession *session);
    // Stops the source, records what it still held and forgets it.
    void removeSource(ISource *source);
    // Stops every source, records what they still held, adds "Stop
    // monitoring" to each session, forgets them all and stops the timers.
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
    // Moves what the source holds into its session.
    void pollSource(ISource *source, MonitorSession *session, std::vector<MonitorSession *> &failed);
    void recordGap(ISource *source, MonitorSession *session, qint64 length);
    void recordSilenceUntilNow(MonitorSession *session);
    void feed(ISource *source, MonitorSession *session, const short *samples, int n, qint64 first, qint64 gapBefore);

    std::map<ISource *, MonitorSession *> sessions;
    // Per source: its next samples start after a (re)start, and the last
    // sample fed, which bridges short gaps.
    struct Timeline
    {
        bool starting = true;
        short last = 0;
    };
    std::map<ISource *, Timeline> timelines;
    std::map<ISource *, std::unique_ptr<TBeatDetector>> detectors;
    QTimer pollTimer;
    QTimer trendTimer;
    std::array<short, MaxSamplesPerPoll> buffer{};
    std::array<int, MaxBeatsPerPoll> beats{};
    std::array<int, MaxBeatsPerPoll> beatPositions{};
};
