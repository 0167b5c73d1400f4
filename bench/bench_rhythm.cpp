// The rhythm judgement over 30 minutes of ECG: the whole of detect --rhythm
// (detector, classifier and rhythm analyser, as the station runs them), and
// the analyser's own share, which is what each live patient adds.

#include "benchmark.h"

#include "dsp/tbeatclassifier.h"
#include "dsp/tbeatdetector.h"
#include "dsp/trhythmanalyser.h"
#include "dsp/tsyntheticecg.h"

#include <QElapsedTimer>

#include <cstdio>

namespace {

void runRhythmBench()
{
    TSyntheticEcgOptions options;
    options.baselineWander = options.muscleNoise = true;
    std::vector<double> rates(30 * 60);
    for (size_t s = 0; s < rates.size(); ++s)
        rates[s] = 70.0 + 60.0 * double(s % 600) / 600.0; // exercise ramps of 10 minutes
    const std::vector<qint16> samples = TSyntheticEcg(options).generate(rates);

    QElapsedTimer timer;
    timer.start();
    const std::vector<RhythmEpisode> episodes = rhythmEpisodes(samples);
    Benchmarks::report(QStringLiteral("dsp.rhythm.detect-rhythm.30min"), timer.nsecsElapsed() / 1e6, QStringLiteral("ms"));

    // The decided beats, then the analyser alone over the same samples.
    std::vector<std::pair<qint64, BeatLabel>> beats;
    {
        TBeatDetector detector;
        TBeatClassifier classifier;
        TBeatDecision decision;
        for (qint16 sample : samples) {
            classifier.addSample(sample);
            const int beat = detector.feedStationSample(sample);
            if (beat >= 0)
                classifier.addBeat(beat);
        }
        classifier.finish();
        while (classifier.takeDecision(decision))
            beats.emplace_back(decision.centre, decision.label);
    }
    timer.restart();
    TRhythmAnalyser analyser;
    std::size_t next = 0;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        analyser.addSample(samples[n]);
        // Each beat as late as the classifier hands it on at the soonest.
        while (next < beats.size() && beats[next].first + 120 <= qint64(n)) {
            analyser.addBeat(beats[next].first, beats[next].second);
            ++next;
        }
    }
    analyser.finish(qint64(samples.size()));
    Benchmarks::report(QStringLiteral("dsp.rhythm.analyser-only.30min"), timer.nsecsElapsed() / 1e6, QStringLiteral("ms"));
    fprintf(stderr, "dsp.rhythm: %zu beats, %zu episodes\n", beats.size(), episodes.size());
}

const bool registered = Benchmarks::add(QStringLiteral("dsp.rhythm"), runRhythmBench);

} // namespace
