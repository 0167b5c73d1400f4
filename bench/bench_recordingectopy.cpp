// Whole-recording ectopy as review and the reports compute it when a session
// is shown or printed: a 60-minute recording file is read back through a
// fresh read-only handle and every beat detected and classified. Prints the
// time of one pass and the beats found.

#include "benchmark.h"

#include "dsp/recordingectopy.h"
#include "dsp/tsyntheticecg.h"
#include "storage/tfilesignal.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <cstdio>

namespace {

void runRecordingEctopyBench()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("hour.nvecg"));
    TSyntheticEcgOptions options;
    options.baselineWander = options.mainsHum = options.muscleNoise = true;
    std::vector<double> rates(60 * 60);
    for (size_t s = 0; s < rates.size(); ++s)
        rates[s] = 70.0 + 60.0 * double(s % 1200) / 1200.0; // exercise ramps of 20 minutes
    const std::vector<qint16> samples = TSyntheticEcg(options).generate(rates);
    {
        TFileSignal writer(path, 1, 250, TFileSignal::RecordingHeaderSize, TFileSignal::Access::Create);
        writer.appendInterleaved(samples.data(), int(samples.size() * sizeof(qint16)));
    }

    TFileSignal recording(path, 1, 250, TFileSignal::RecordingHeaderSize, TFileSignal::Access::Read);
    QElapsedTimer timer;
    timer.start();
    const std::vector<LabelledBeat> beats = classifyRecording(recording);
    const double ms = timer.nsecsElapsed() / 1e6;
    const EctopyStatistics statistics = ectopyStatistics(beats, 250, recording.sampleCount());
    fprintf(stderr, "dsp.recording-ectopy: %zu beats, %d ventricular in %d samples\n", beats.size(),
            statistics.pvcTotal, recording.sampleCount());
    Benchmarks::report(QStringLiteral("dsp.recording-ectopy.60min"), ms, QStringLiteral("ms"));
}

const bool registered = Benchmarks::add(QStringLiteral("dsp.recording-ectopy"), runRecordingEctopyBench);

} // namespace
