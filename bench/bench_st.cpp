// ST-segment analysis as `detect --st` and review run it: detection,
// classification, ST measurement and trend over 15 minutes of a synthetic
// exercise ECG. Prints the time of one pass and the cost per patient-second,
// from which the share of a core for nine live patients follows.

#include "benchmark.h"

#include "dsp/recordingst.h"
#include "dsp/tsyntheticecg.h"

#include <QElapsedTimer>

#include <cstdio>

namespace {

double timePass(const std::vector<qint16> &samples, bool st, size_t &measured)
{
    QElapsedTimer timer;
    timer.start();
    if (st) {
        TStRecordingAnalysis analysis;
        for (qint16 v : samples)
            analysis.addSample(v);
        measured = analysis.finish().beats.size();
    } else {
        TBeatDetector detector;
        TBeatClassifier classifier;
        TBeatDecision decision;
        for (qint16 v : samples) {
            bool decided = classifier.addSample(v);
            const int beat = detector.feedStationSample(v);
            if (beat >= 0)
                decided = classifier.addBeat(beat);
            while (decided && classifier.takeDecision(decision))
                ++measured;
        }
    }
    return timer.nsecsElapsed() / 1e6;
}

void runStBench()
{
    TSyntheticEcgOptions options;
    options.baselineWander = options.mainsHum = options.muscleNoise = true;
    std::vector<double> rates(15 * 60);
    for (size_t s = 0; s < rates.size(); ++s)
        rates[s] = 70.0 + 60.0 * double(s) / double(rates.size());
    const std::vector<qint16> samples = TSyntheticEcg(options).generate(rates);
    double withSt = 1e300, without = 1e300;
    size_t beats = 0, decisions = 0;
    for (int run = 0; run < 5; ++run) {
        withSt = std::min(withSt, timePass(samples, true, beats));
        without = std::min(without, timePass(samples, false, decisions));
    }
    fprintf(stderr, "dsp.st: %zu beats measured in %zu samples\n", beats, samples.size());
    Benchmarks::report(QStringLiteral("dsp.st.15min"), withSt, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("dsp.st.15min-without-st"), without, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("dsp.st.per-patient-second"), (withSt - without) * 1000.0 / 900.0,
                       QStringLiteral("us"));
}

const bool registered = Benchmarks::add(QStringLiteral("dsp.st"), runStBench);

} // namespace
