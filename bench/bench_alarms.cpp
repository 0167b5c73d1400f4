// The alarm system's live cost: the per-patient engine fed as the station
// feeds it (a block of samples every 40-ms poll with the detector's beats, the
// conditions decided every 100 ms), and the patient's beat labelling and
// ectopy counts fed the same blocks, in microseconds of CPU per
// patient-second; and one tick of the alarm monitor with nine patients (ten
// ticks a second).

#include "benchmark.h"

#include "acquisition/recorder.h"
#include "acquisition/replaysource.h"
#include "alarms/alarmectopy.h"
#include "alarms/alarmmonitor.h"
#include "dsp/tbeatdetector.h"
#include "dsp/tsyntheticecg.h"
#include "storage/monitorsession.h"

#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int Block = 10;   // samples of one 40-ms poll

void runAlarmsBench()
{
    TSyntheticEcgOptions options;
    options.baselineWander = options.muscleNoise = true;
    const std::vector<qint16> samples = TSyntheticEcg(options).generate(std::vector<double>(10 * 60, 110.0));
    // The detector runs anyway; its beats are found once, outside the figure.
    std::vector<std::vector<int>> beatsOfBlock(samples.size() / Block), positionsOfBlock(beatsOfBlock.size());
    TBeatDetector detector;
    for (size_t i = 0; i < beatsOfBlock.size() * Block; ++i) {
        const int beat = detector.feedStationSample(samples[i]);
        if (beat >= 0) {
            beatsOfBlock[i / Block].push_back(beat);
            positionsOfBlock[i / Block].push_back(int(i % Block));
        }
    }

    long long patientSeconds = 0;
    int events = 0;
    const double start = Benchmarks::processCpuSeconds();
    double elapsed = 0.0;
    do {
        AlarmEngine engine;
        engine.setLink(true, true);
        for (size_t b = 0; b < beatsOfBlock.size(); ++b) {
            const qint64 now = qint64(b + 1) * 40;
            const std::vector<int> &beats = beatsOfBlock[b];
            engine.addSamples(samples.data() + b * Block, Block, beats.data(), int(beats.size()), now);
            if (now % 1000 == 0)
                engine.setHeartRate(110);
            if (now % 200 == 0 || now % 200 == 80)   // the monitor's 100-ms ticks, on the poll grid
                events += engine.update(now).size();
        }
        patientSeconds += qint64(beatsOfBlock.size() * Block / 250);
        elapsed = Benchmarks::processCpuSeconds() - start;
    } while (elapsed < 1.0);
    fprintf(stderr, "alarms.engine: %lld patient-seconds, %d alarm events\n", patientSeconds, events);
    Benchmarks::report(QStringLiteral("alarms.engine.cost"), elapsed / patientSeconds * 1e6,
                       QStringLiteral("us/patient-second"));

    patientSeconds = 0;
    qint64 ventricular = 0;
    const double ectopyStart = Benchmarks::processCpuSeconds();
    do {
        AlarmEctopy ectopy;
        for (size_t b = 0; b < beatsOfBlock.size(); ++b) {
            ectopy.addSamples(samples.data() + b * Block, Block, beatsOfBlock[b].data(), positionsOfBlock[b].data(),
                              int(beatsOfBlock[b].size()), qint64(b + 1) * 40);
            if (b % 5 == 0)   // the monitor's ticks read the figures
                ventricular += ectopy.counter().figures(qint64(b + 1) * 40).pvcPerMinute;
        }
        patientSeconds += qint64(beatsOfBlock.size() * Block / 250);
        elapsed = Benchmarks::processCpuSeconds() - ectopyStart;
    } while (elapsed < 1.0);
    fprintf(stderr, "alarms.ectopy: %lld patient-seconds, %lld ventricular beat-minutes\n", patientSeconds, ventricular);
    Benchmarks::report(QStringLiteral("alarms.ectopy.cost"), elapsed / patientSeconds * 1e6,
                       QStringLiteral("us/patient-second"));

    // Nine patients on the recorder; the monitor's tick alone.
    qint64 now = 0;
    const auto clock = [&now] { return now; };
    Recorder recorder;
    AlarmMonitor alarms(clock);
    alarms.watch(&recorder);
    std::vector<std::unique_ptr<ReplaySource>> sources;
    std::vector<std::unique_ptr<MonitorSession>> sessions;
    for (int p = 1; p <= 9; ++p) {
        SessionData data;
        data.patientId = p;
        sessions.push_back(std::make_unique<MonitorSession>(data));
        sources.push_back(std::make_unique<ReplaySource>(samples, clock, true));
        recorder.addSource(sources.back().get(), sessions.back().get());
        alarms.addPatient(p, sessions.back().get(), sources.back().get(), true);
    }
    for (now = 40; now <= 60 * 1000; now += 40) {
        recorder.pollSources();
        if (now % 1000 == 0)
            recorder.updateTrends();
        alarms.tick();
    }
    // Ticks at the same moment cost what ticks in between polls do.
    const int ticks = 200000;
    const double before = Benchmarks::processCpuSeconds();
    for (int i = 0; i < ticks; ++i)
        alarms.tick();
    const double tickSeconds = Benchmarks::processCpuSeconds() - before;
    Benchmarks::report(QStringLiteral("alarms.monitor.tick9"), tickSeconds / ticks * 1e6, QStringLiteral("us/tick"));
}

const bool registered = Benchmarks::add(QStringLiteral("alarms"), runAlarmsBench);

} // namespace
