// Beat detector throughput, alone and with the beat classifier behind it:
// million samples per second on one core, over the 30-minute reference record
// when it is present, else over a synthetic ECG, and the share of time the
// classification adds.

#include "benchmark.h"

#include "dsp/stationrate.h"
#include "dsp/tbeatclassifier.h"
#include "dsp/tbeatdetector.h"
#include "dsp/tsyntheticecg.h"

#include <QFile>

#include <algorithm>
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

// CPU seconds of one pass over the samples: detection alone, or detection
// and classification as the station runs them.
double passSeconds(const std::vector<qint16> &samples, bool classify, long long &ventricular)
{
    const double start = Benchmarks::processCpuSeconds();
    TBeatDetector detector;
    TBeatClassifier classifier;
    TBeatDecision decision;
    for (qint16 sample : samples) {
        bool decided = classify && classifier.addSample(sample);
        const int beat = detector.feedStationSample(sample);
        if (classify && beat >= 0)
            decided = classifier.addBeat(beat);
        while (decided && classifier.takeDecision(decision))
            ventricular += decision.label == BeatLabel::Ventricular;
    }
    return Benchmarks::processCpuSeconds() - start;
}

// Passes alternate between the two kinds for about four seconds and the
// fastest pass of each counts, so that other work on the machine weighs on
// neither.
void runClassifierBench()
{
    QString source;
    const std::vector<qint16> samples = benchSignal(source);
    fprintf(stderr, "dsp.classifier: %zu samples of %s\n", samples.size(), qPrintable(source));
    long long ventricular = 0;
    double alone = 1e9, classified = 1e9;
    const double start = Benchmarks::processCpuSeconds();
    while (Benchmarks::processCpuSeconds() - start < 4.0) {
        alone = std::min(alone, passSeconds(samples, false, ventricular));
        classified = std::min(classified, passSeconds(samples, true, ventricular));
    }
    const double n = double(samples.size());
    Benchmarks::report(QStringLiteral("dsp.classifier.detect"), n / alone / 1e6, QStringLiteral("Msamples/s"));
    Benchmarks::report(QStringLiteral("dsp.classifier.detect+classify"), n / classified / 1e6, QStringLiteral("Msamples/s"));
    Benchmarks::report(QStringLiteral("dsp.classifier.added"), 100.0 * (classified / alone - 1.0), QStringLiteral("%"));
    // Nine patients at the station rate: the share of one core that detection
    // and classification take.
    Benchmarks::report(QStringLiteral("dsp.classifier.nine-patients"), 100.0 * 9 * StationSampleRate * classified / n,
                       QStringLiteral("% of a core"));
}

const bool registered = Benchmarks::add(QStringLiteral("dsp.detector"), runDetectorBench);
const bool registeredClassifier = Benchmarks::add(QStringLiteral("dsp.classifier"), runClassifierBench);

} // namespace
