// cardiolane-cli detect: runs the beat detector over a replay-format file.

#include "clicommand.h"

#include "dsp/tbeatclassifier.h"
#include "dsp/tbeatdetector.h"
#include "dsp/trhythmanalyser.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {

int runDetect(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate(
        "cli", "Detects the heart beats of FILE (headerless signed 16-bit little-endian samples at "
               "250 samples/s). Prints the 0-based sample index of each beat on stdout and the "
               "final heart rate on stderr. With --classify each line also gives the beat's label: "
               "N normal, V ventricular, Q not classified."));
    const QCommandLineOption raw(QStringLiteral("raw"),
                                 QCoreApplication::translate("cli", "Feed the samples unscaled (the station scales them by 75/16)."));
    parser.addOption(raw);
    const QCommandLineOption classify(QStringLiteral("classify"),
                                      QCoreApplication::translate("cli", "Label each beat (INDEX LABEL, LABEL one of N, V, Q)."));
    parser.addOption(classify);
    const QCommandLineOption rhythm(QStringLiteral("rhythm"),
                                    QCoreApplication::translate("cli", "Print the rhythm episodes instead of the beats, one a line: "
                                                                       "START_S END_S LABEL (seconds from the start; LABEL AF for "
                                                                       "atrial fibrillation or flutter, SR for another rhythm, NOISE "
                                                                       "where the ECG cannot be judged)."));
    parser.addOption(rhythm);
    parser.addPositionalArgument(QStringLiteral("FILE"), QCoreApplication::translate("cli", "Sample file to analyse."));
    if (!cli::parse(parser, arguments, 1, 1))
        return cli::BadArguments;

    const QString path = parser.positionalArguments().constFirst();
    std::vector<qint16> samples;
    if (!cli::readSamples(path, samples))
        return cli::usageError(QCoreApplication::translate("cli", "cannot read '%1'").arg(path));

    if (parser.isSet(rhythm)) {
        for (const RhythmEpisode &episode : rhythmEpisodes(samples))
            printf("%.2f %.2f %s\n", episode.start / 250.0, episode.end / 250.0, rhythmLabelName(episode.label));
        fflush(stdout);
        return cli::Success;
    }
    const bool scaled = !parser.isSet(raw);
    const bool labelled = parser.isSet(classify);
    TBeatDetector detector;
    TBeatClassifier classifier;
    TBeatDecision decision;
    for (qint16 sample : samples) {
        bool decided = labelled && classifier.addSample(sample);
        const int beat = scaled ? detector.feedStationSample(sample) : detector.feed(sample);
        if (beat >= 0 && !labelled)
            printf("%d\n", beat);
        else if (beat >= 0)
            decided = classifier.addBeat(beat);
        while (decided && classifier.takeDecision(decision))
            printf("%d %c\n", decision.index, beatLabelLetter(decision.label));
    }
    if (labelled) {
        classifier.finish();
        while (classifier.takeDecision(decision))
            printf("%d %c\n", decision.index, beatLabelLetter(decision.label));
    }
    fflush(stdout);
    fprintf(stderr, "heart rate: %d bpm\n", detector.heartRate());
    return cli::Success;
}

const bool registered = CliRegistry::add(
    {QStringLiteral("detect"), QStringLiteral("detect heart beats in a sample file"), runDetect});

} // namespace
