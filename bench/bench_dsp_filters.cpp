// Speed of the ECG filter chains: the live chain per sample, the stored chain
// over a whole recording and for random 10-second windows.

#include "benchmark.h"

#include "dsp/tlivefilterchain.h"
#include "dsp/tlivesignal.h"
#include "dsp/tmemorysignal.h"
#include "dsp/tstoredfilterchain.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int Rate = 250;
constexpr int BlockLength = 4 * Rate; // as in recording files

// ECG-like test signal: a spiky 72-per-minute waveform, baseline wander,
// 50 Hz hum and a little noise.
std::vector<qint16> testSignal(qint64 n)
{
    std::vector<qint16> v(n);
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0.0, 4.0);
    for (qint64 i = 0; i < n; ++i) {
        const double t = double(i) / Rate;
        const double beat = std::fmod(t, 60.0 / 72.0);
        const double qrs = 1200.0 * std::exp(-std::pow((beat - 0.2) / 0.012, 2));
        const double twave = 250.0 * std::exp(-std::pow((beat - 0.45) / 0.05, 2));
        v[i] = qint16(qrs + twave + 300.0 * std::sin(2 * M_PI * 0.3 * t) + 80.0 * std::sin(2 * M_PI * 50 * t)
                      + noise(random));
    }
    return v;
}

void liveChain(const QString &name, const QString &baselineKind)
{
    const std::vector<qint16> samples = testSignal(20 * 60 * Rate);
    TLiveSignal input(BlockLength, 100 * BlockLength, 1, Rate);
    TLiveFilterChain chain(&input);
    chain.setNotchKind(QStringLiteral("50hz"));
    chain.setLowpassKind(QStringLiteral("25hz"));
    chain.setBaselineKind(baselineKind);
    chain.configure(true, true, true);
    // The station hands over about 50 ms of samples before each process().
    constexpr int Batch = 12;
    QElapsedTimer timer;
    timer.start();
    for (size_t i = 0; i + Batch <= samples.size(); i += Batch) {
        const qint16 *batch[] = {samples.data() + i};
        input.appendChannels(batch, Batch);
        chain.process();
    }
    Benchmarks::report(name, double(timer.nsecsElapsed()) / double(samples.size()), QStringLiteral("ns/sample"));
}

// The heaviest live load: 16 channels at 1000 samples/s with the longest
// tables. Reported as processing time per second of signal.
void liveChainWorstCase()
{
    constexpr int Fast = 1000, Channels = 16, Seconds = 20;
    const std::vector<qint16> samples = testSignal(qint64(Seconds) * Fast);
    TLiveSignal input(4 * Fast, 400 * Fast, Channels, Fast);
    TLiveFilterChain chain(&input);
    chain.setNotchKind(QStringLiteral("50hz"));
    chain.setLowpassKind(QStringLiteral("25hz"));
    chain.setBaselineKind(QStringLiteral("fir"));
    chain.configure(true, true, true);
    constexpr int Batch = 50; // 50 ms
    const qint16 *batch[Channels];
    QElapsedTimer timer;
    timer.start();
    for (size_t i = 0; i + Batch <= samples.size(); i += Batch) {
        for (const qint16 *&c : batch)
            c = samples.data() + i;
        input.appendChannels(batch, Batch);
        chain.process();
    }
    Benchmarks::report(QStringLiteral("dsp.live_chain_16ch_1000_fir_baseline"),
                       double(timer.nsecsElapsed()) / 1e6 / Seconds, QStringLiteral("ms/s"));
}

void runLiveChain()
{
    liveChain(QStringLiteral("dsp.live_chain_all_stages_250"), QStringLiteral("iir"));
    liveChain(QStringLiteral("dsp.live_chain_all_stages_fir_baseline_250"), QStringLiteral("fir"));
    liveChainWorstCase();
}

void runStoredWhole()
{
    TMemorySignal input({testSignal(qint64(3600) * Rate)}, BlockLength, Rate);
    TStoredFilterChain chain(&input);
    chain.setNotchKind(QStringLiteral("50hz"));
    chain.setLowpassKind(QStringLiteral("25hz"));
    QElapsedTimer timer;
    timer.start();
    chain.configure(true, true, true);
    TSignal *head = chain.head();
    std::vector<double> window(BlockLength);
    for (int start = 0; start < head->sampleCount(); start += BlockLength)
        head->readRange(0, start, BlockLength, window.data());
    Benchmarks::report(QStringLiteral("dsp.stored_chain_filter_1h"), double(timer.nsecsElapsed()) / 1e6,
                       QStringLiteral("ms"));
}

void runStoredWindows()
{
    TMemorySignal input({testSignal(qint64(6 * 3600) * Rate)}, BlockLength, Rate);
    TStoredFilterChain chain(&input);
    chain.setNotchKind(QStringLiteral("50hz"));
    chain.setLowpassKind(QStringLiteral("25hz"));
    chain.configure(true, true, true);
    TSignal *head = chain.head();
    const int window = 10 * Rate;
    std::vector<double> out(window);
    std::mt19937 random(11);
    std::uniform_int_distribution<int> place(0, head->sampleCount() - window);

    constexpr int Windows = 40;
    std::vector<int> starts;
    double coldNs = 0;
    for (int w = 0; w < Windows; ++w) {
        const int start = place(random);
        starts.push_back(start);
        QElapsedTimer timer;
        timer.start();
        head->readRange(0, start, window, out.data());
        coldNs += double(timer.nsecsElapsed());
    }
    double cachedNs = 0;
    for (int w = 0; w < Windows; ++w) {
        QElapsedTimer timer;
        timer.start();
        head->readRange(0, starts[Windows - 1 - w], window, out.data());
        cachedNs += double(timer.nsecsElapsed());
    }
    Benchmarks::report(QStringLiteral("dsp.stored_chain_window_10s_cold"), coldNs / Windows / 1e6,
                       QStringLiteral("ms/window"));
    Benchmarks::report(QStringLiteral("dsp.stored_chain_window_10s_cached"), cachedNs / Windows / 1e6,
                       QStringLiteral("ms/window"));
}

const bool registeredLive = Benchmarks::add(QStringLiteral("dsp.live_chain"), runLiveChain);
const bool registeredWhole = Benchmarks::add(QStringLiteral("dsp.stored_chain_1h"), runStoredWhole);
const bool registeredWindows = Benchmarks::add(QStringLiteral("dsp.stored_chain_window"), runStoredWindows);

} // namespace
