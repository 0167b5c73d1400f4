#pragma once

#ifndef _WIN32

#include <QByteArray>
#include <QString>

#include <atomic>
#include <thread>
#include <vector>

struct ModuleSimulatorOptions
{
    // Identification answered to 0x0C: the name padded with zero bytes to 10.
    QByteArray name = "NVR1";
    // ECG in station units, streamed in a loop (a flat line when empty).
    std::vector<short> ecg;
    double batteryVolts = 2.6;
    // Seconds of streaming after which frames stop (once; the next start
    // command streams again). Negative: never.
    double stallAfter = -1.0;
    // Seconds of streaming after which the terminal is closed. Negative: never.
    double hangupAfter = -1.0;
    // Random bytes, some of them sync bytes, between frames.
    bool garbage = false;
    // Frames as fast as the terminal takes them instead of 250 per second.
    bool fast = false;
    // Frames sent after a start command before the module falls silent; 0: no limit.
    long frameLimit = 0;
    // Quiet time between a start command and the first frame, in ms.
    int streamDelayMs = 0;
    // Plays the ECG once instead of in a loop: each start command plays it
    // from its beginning, and after its last sample the module falls silent
    // until the next start command.
    bool playOnce = false;
};

// A module behind a pseudo-terminal: answers the identification request,
// streams 6-byte frames after the start command, counts keep-alive commands
// and stops on the stop command. The host opens devicePath() as its port.
class ModuleSimulator
{
public:
    explicit ModuleSimulator(const ModuleSimulatorOptions &options);
    ~ModuleSimulator();
    ModuleSimulator(const ModuleSimulator &) = delete;
    ModuleSimulator &operator=(const ModuleSimulator &) = delete;

    // Creates the pseudo-terminal; false with *error set when that fails.
    bool open(QString *error = nullptr);
    QString devicePath() const { return path; }

    // Serves the terminal on a thread of its own until stop() or destruction.
    void start();
    void stop();
    // Serves the terminal on the calling thread until quit is set or the
    // terminal is hung up.
    void serve(const std::atomic<bool> &quit);

    int startCommands() const { return starts; }
    int keepAliveCommands() const { return keepAlives; }
    int stopCommands() const { return stops; }
    int identificationRequests() const { return identifications; }
    long framesSent() const { return frames; }
    // Times a recording played once reached its end.
    int playedToEnd() const { return endsReached; }
    bool isStreaming() const { return streaming; }
    bool isHungUp() const { return master < 0; }

    // One frame for an ECG sample in station units (clamped to the +-6 mV range).
    static void encodeFrame(short sample, double batteryVolts, unsigned char frame[6]);

private:
    void handleCommand(unsigned char command);
    bool writeAll(const unsigned char *data, int count, const std::atomic<bool> &quit);
    void closeTerminal();

    ModuleSimulatorOptions options;
    QString path;
    // Read by isHungUp() on other threads while the serving thread may close it.
    std::atomic<int> master{-1};
    int slaveKeeper = -1;
    std::thread worker;
    std::atomic<bool> quitWorker{false};
    std::atomic<int> starts{0}, keepAlives{0}, stops{0}, identifications{0};
    std::atomic<long> frames{0};
    std::atomic<int> endsReached{0};
    std::atomic<bool> streaming{false};
    bool pendingIdentification = false;
    bool stalledOnce = false;
    long streamFrames = 0;
    size_t ecgPosition = 0;
    unsigned int garbageState = 12345;
    qint64 streamStartNs = 0;
    qint64 hangupStartNs = -1;
};

#endif // !_WIN32
