// cardiolane-cli detect: runs the beat detector over a replay-format file.

#include "clicommand.h"

#include "dsp/recordingst.h"
#include "dsp/tbeatclassifier.h"
#include "dsp/tbeatdetector.h"
#include "dsp/trhythmanalyser.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>
#include <limits>

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
    const QCommandLineOption st(QStringLiteral("st"),
                                QCoreApplication::translate("cli", "Measure the ST segment of each normal beat "
                                                                   "(R_SAMPLE J_SAMPLE ST_UV: the ST level in microvolts "
                                                                   "at the measurement point after the J point, against "
                                                                   "the isoelectric level)."));
    parser.addOption(st);
    const QCommandLineOption stEpisodes(QStringLiteral("st-episodes"),
                                        QCoreApplication::translate("cli", "List the ST episodes (START_S END_S "
                                                                           "elevation|depression): a change of at least "
                                                                           "0.1 mV from the recording's reference held "
                                                                           "for at least 30 s."));
    parser.addOption(stEpisodes);
    const QCommandLineOption stPoint(QStringLiteral("st-point"),
                                     QCoreApplication::translate("cli", "Milliseconds from the J point to the ST "
                                                                        "measurement point (40-80, default 60)."),
                                     QStringLiteral("MS"), QString::number(TStAnalyser::DefaultPointMs));
    parser.addOption(stPoint);
    const QCommandLineOption rhythm(QStringLiteral("rhythm"),
                                    QCoreApplication::translate("cli", "Print the rhythm episodes instead of the beats, one a line: "
                                                                       "START_S END_S LABEL (seconds from the start; LABEL AF for "
                                                                       "atrial fibrillation or flutter, SR for another rhythm, NOISE "
                                                                       "where the ECG cannot be judged)."));
    parser.addOption(rhythm);
    parser.addPositionalArgument(QStringLiteral("FILE"), QCoreApplication::translate("cli", "Sample file to analyse."));
    if (!cli::parse(parser, arguments, 1, 1))
        return cli::BadArguments;

    // Read block by block: memory does not grow with the file; beat
    // positions are counted in int.
    const QString path = parser.positionalArguments().constFirst();
    cli::SampleFile file(path, std::numeric_limits<int>::max());
    if (!file.error().isEmpty())
        return cli::fail(file.error());
    std::vector<qint16> samples;

    if (parser.isSet(st) || parser.isSet(stEpisodes)) {
        bool ok = false;
        const int pointMs = parser.value(stPoint).toInt(&ok);
        if (!ok || pointMs < 40 || pointMs > 80)
            return cli::usageError(QCoreApplication::translate("cli", "--st-point takes 40 to 80 ms"));
        TStRecordingAnalysis analysis(StLiveSettings{pointMs}, parser.isSet(st));
        while (file.next(samples))
            for (qint16 sample : samples)
                analysis.addSample(sample);
        if (!file.error().isEmpty())
            return cli::fail(file.error());
        const RecordingSt result = analysis.finish();
        for (const TStBeat &beat : result.beats)
            printf("%d %d %.0f\n", beat.r, beat.j, beat.stUv);
        if (parser.isSet(stEpisodes))
            for (const TStEpisode &episode : result.episodes)
                printf("%.1f %.1f %s\n", episode.startS, episode.endS, episode.sign > 0 ? "elevation" : "depression");
        return cli::Success;
    }

    if (parser.isSet(rhythm)) {
        TRhythmRecordingAnalysis analysis;
        while (file.next(samples))
            for (qint16 sample : samples)
                analysis.addSample(sample);
        if (!file.error().isEmpty())
            return cli::fail(file.error());
        for (const RhythmEpisode &episode : analysis.finish())
            printf("%.2f %.2f %s\n", episode.start / 250.0, episode.end / 250.0, rhythmLabelName(episode.label));
        fflush(stdout);
        return cli::Success;
    }
    const bool scaled = !parser.isSet(raw);
    const bool labelled = parser.isSet(classify);
    TBeatDetector detector;
    TBeatClassifier classifier;
    TBeatDecision decision;
    while (file.next(samples)) {
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
    }
    if (!file.error().isEmpty())
        return cli::fail(file.error());
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
