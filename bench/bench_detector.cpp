// Beat detector throughput: million samples per second on one core, over the
// reference record when it is present, else over a synthetic ECG.

#include "benchmark.h"

#include "dsp/tbeatdetector.h"
#include "dsp/tsyntheticecg.h"

#include <QFile>

#include <cstdio>

#include <vector>

namespace {

std::vector<qint16> benchSignal(QString &source)
{
    QFile file(QStringLiteral(CARDIOLANE_SHARED_DATA "/mitdb100-v5.dat"));
    if (file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
        std::vector<qint16> samples(size_t(bytes.size() / 2));
        for (size_t i = 0; i < samples.size(); ++i)
            samples[i] = qint16(p[2 * i] | (p[2 * i + 1] << 8));
        if (!samples.empty()) {
            source = QStringLiteral("reference record");
            return samples;
        }
    }
    TSyntheticEcgOptions options;
    options.baselineWander = options.mainsHum = options.muscleNoise = true;
    source = QStringLiteral("synthetic ECG");
    return TSyntheticEcg(options).generate(std::vector<double>(30 * 60, 75.0));
}

void runDetectorBench()
{
    QString source;
    const std::vector<qint16> samples = benchSignal(source);
    fprintf(stderr, "dsp.detector: %zu samples of %s\n", samples.size(), qPrintable(source));

    // Repeat the signal until about two seconds of CPU have been spent.
    long long fed = 0;
    long long beats = 0;
    const double start = Benchmarks::processCpuSeconds();
    double elapsed = 0.0;
    do {
        TBeatDetector detector;
        for (qint16 sample : samples)
            beats += detector.feedStationSample(sample) >= 0;
        fed += qint64(samples.size());
        elapsed = Benchmarks::processCpuSeconds() - start;
    } while (elapsed < 2.0);
    fprintf(stderr, "dsp.detector: %lld beats found\n", beats);
    Benchmarks::report(QStringLiteral("dsp.detector.throughput"), fed / elapsed / 1e6, QStringLiteral("Msamples/s"));
}

const bool registered = Benchmarks::add(QStringLiteral("dsp.detector"), runDetectorBench);

} // namespace
