// Whole-recording ectopy: the statistics on label lists worked out by hand,
// and a synthetic recording classified through a signal read in chunks.

#include "dsp/recordingectopy.h"
#include "dsp/tbeatdetector.h"
#include "dsp/tmemorysignal.h"
#include "dsp/tsyntheticecg.h"

#include <QtTest>

namespace {

constexpr int Rate = 250;

// One beat every `spacing` samples from sample 0, labelled by the letters.
std::vector<LabelledBeat> beatsOf(const QString &labels, qint64 spacing = 200)
{
    std::vector<LabelledBeat> beats;
    for (int i = 0; i < labels.size(); ++i)
        beats.push_back({i * spacing, BeatLabel(labels[i].toLatin1())});
    return beats;
}

std::vector<LabelledBeat> ventricularAt(const QVector<double> &seconds)
{
    std::vector<LabelledBeat> beats;
    for (double s : seconds)
        beats.push_back({qint64(s * Rate), BeatLabel::Ventricular});
    return beats;
}

} // namespace

class TestRecordingEctopy : public QObject
{
    Q_OBJECT

private slots:
    void sequences_data()
    {
        QTest::addColumn<QString>("labels");
        QTest::addColumn<int>("couplets");
        QTest::addColumn<QVector<int>>("runLengths");
        QTest::addColumn<int>("longest");
        QTest::newRow("none") << "NNVNNVN" << 0 << QVector<int>{} << -1;
        QTest::newRow("couplet, triplet, four") << "NVVNVVVNNVVVVN" << 1 << QVector<int>{3, 4} << 1;
        QTest::newRow("unclassified beat ends a sequence") << "VVQVVNVQV" << 2 << QVector<int>{} << -1;
        QTest::newRow("runs at both ends") << "VVVNNVVVVV" << 0 << QVector<int>{3, 5} << 1;
        QTest::newRow("equal runs: the first") << "NVVVVNVVVVN" << 0 << QVector<int>{4, 4} << 0;
    }

    void sequences()
    {
        QFETCH(QString, labels);
        QFETCH(QVector<int>, runLengths);
        const EctopyStatistics s = ectopyStatistics(beatsOf(labels), Rate, 1000000);
        QCOMPARE(s.pvcTotal, labels.count(QLatin1Char('V')));
        QTEST(s.couplets, "couplets");
        QTEST(s.longestRun, "longest");
        QVector<int> lengths;
        for (const VentricularRun &run : s.runs)
            lengths << run.beats;
        QCOMPARE(lengths, runLengths);
    }

    // The rule the live alarms share: a pause of 2 s or more ends a
    // sequence, and a run is a tachycardia above 100 bpm.
    void pausesAndRates_data()
    {
        QTest::addColumn<QVector<double>>("seconds");
        QTest::addColumn<int>("couplets");
        QTest::addColumn<QVector<int>>("runLengths");
        QTest::addColumn<QVector<int>>("runRates");
        QTest::addColumn<QVector<bool>>("tachycardias");
        QTest::newRow("three at 150 bpm") << QVector<double>{10, 10.4, 10.8} << 0 << QVector<int>{3}
                                          << QVector<int>{150} << QVector<bool>{true};
        QTest::newRow("three at 100 bpm: not above it") << QVector<double>{10, 10.6, 11.2} << 0 << QVector<int>{3}
                                                        << QVector<int>{100} << QVector<bool>{false};
        QTest::newRow("gaps just under 2 s stay one run") << QVector<double>{10, 11.9, 13.8} << 0 << QVector<int>{3}
                                                          << QVector<int>{32} << QVector<bool>{false};
        QTest::newRow("a 2-s pause leaves a couplet and a single")
            << QVector<double>{10, 10.4, 12.4} << 1 << QVector<int>{} << QVector<int>{} << QVector<bool>{};
        QTest::newRow("a pause between two couplets")
            << QVector<double>{10, 10.4, 13, 13.4} << 2 << QVector<int>{} << QVector<int>{} << QVector<bool>{};
        QTest::newRow("a run, a pause, a run") << QVector<double>{10, 10.4, 10.8, 20, 20.5, 21, 21.5} << 0
                                               << QVector<int>{3, 4} << QVector<int>{150, 120}
                                               << QVector<bool>{true, true};
    }

    void pausesAndRates()
    {
        QFETCH(QVector<double>, seconds);
        const EctopyStatistics s = ectopyStatistics(ventricularAt(seconds), Rate, 60 * Rate);
        QTEST(s.couplets, "couplets");
        QVector<int> lengths, rates;
        QVector<bool> fast;
        for (const VentricularRun &run : s.runs) {
            lengths << run.beats;
            rates << run.rateBpm;
            fast << run.tachycardia;
        }
        QTEST(lengths, "runLengths");
        QTEST(rates, "runRates");
        QTEST(fast, "tachycardias");
    }

    void runRateMinuteAndHour()
    {
        // Three beats 100 samples apart: 0.4 s intervals, 150 bpm.
        EctopyStatistics s = ectopyStatistics(beatsOf(QStringLiteral("NVVVN"), 100), Rate, 1000);
        QCOMPARE(s.runs[0].start, qint64(100));
        QCOMPARE(s.runs[0].rateBpm, 150);
        // Fixed minutes would count three and three; the minute from 50 s holds four.
        s = ectopyStatistics(ventricularAt({5, 50, 55, 65, 70, 111}), Rate, 30 * 60 * Rate);
        QCOMPARE(s.maxPerMinute, 4);
        QCOMPARE(s.maxMinuteStart, qint64(50 * Rate));
        QCOMPARE(s.pvcPerHour, 12.0);
        // A beat exactly 60 s after the first belongs to the next minute;
        // nothing recorded gives no rate rather than a division by zero.
        s = ectopyStatistics(ventricularAt({0, 60}), Rate, 0);
        QCOMPARE(s.maxPerMinute, 1);
        QCOMPARE(s.pvcPerHour, 0.0);
        QCOMPARE(ectopyStatistics({}, Rate, 100).maxMinuteStart, qint64(-1));
    }

    void trendCountsTheMinuteUpToEachSecond()
    {
        const std::vector<int> trend = ventricularTrend(ventricularAt({1, 2, 70}), Rate, 75 * Rate + 100);
        // The beat at 1 s leaves the count exactly a minute later.
        const std::vector<int> seen{int(trend.size()), trend[0], trend[1], trend[2], trend[60], trend[61], trend[62], trend[70]};
        QCOMPARE(seen, (std::vector<int>{75, 0, 1, 2, 2, 1, 0, 1}));
        QCOMPARE(ventricularIndices(beatsOf(QStringLiteral("NVNV"))), (std::vector<qint64>{200, 600}));

        // The live count per second gives the same trend and, to the second,
        // the same busiest minute (here from second 1: 2 + 3 beats).
        QVector<int> perSecond(75);
        perSecond[1] = 2, perSecond[50] = 3, perSecond[65] = 1;
        const std::vector<int> counted = countedTrend(perSecond);
        QCOMPARE(std::vector<int>({counted[1], counted[2], counted[51], counted[61], counted[62], counted[66]}),
                 std::vector<int>({0, 2, 5, 5, 3, 4}));
        const EctopyStatistics s = countedStatistics(perSecond, Rate);
        QCOMPARE(s.pvcTotal, 6);
        QCOMPARE(s.maxPerMinute, 5);
        QCOMPARE(s.maxMinuteStart, qint64(Rate));
        QCOMPARE(s.pvcPerHour, 288.0);
        QCOMPARE(s.runs.size(), size_t(0));
        QCOMPARE(s.couplets, 0);
    }

    void syntheticRecording()
    {
        // Two minutes at 60 bpm read in chunks through blocks that never line
        // up with them: every beat after the detector's first seconds found,
        // the last ones too, none ventricular.
        const std::vector<qint16> samples = TSyntheticEcg(TSyntheticEcgOptions()).generate(std::vector<double>(120, 60));
        TMemorySignal signal({samples}, 1000, Rate);
        const RecordingEctopy ectopy = analyseRecording(signal);
        QVERIFY2(ectopy.beats.size() >= 115, qPrintable(QString::number(ectopy.beats.size())));
        QVERIFY2(ectopy.beats.size() <= 121, qPrintable(QString::number(ectopy.beats.size())));
        QVERIFY(ectopy.beats.back().index > 118 * Rate);
        // Every sample read once, in order: each beat centred a few samples
        // before where the detector, fed straight from the samples, puts it.
        TBeatDetector detector;
        std::vector<qint64> straight;
        for (qint16 v : samples)
            if (const int beat = detector.feedStationSample(v); beat >= 0)
                straight.push_back(beat);
        for (size_t i = 0; i < std::min(straight.size(), ectopy.beats.size()); ++i)
            QVERIFY2(std::abs(straight[i] - ectopy.beats[i].index - 3) <= 2, qPrintable(QString::number(straight[i])));
        QCOMPARE(ectopy.statistics.pvcTotal, 0);
        std::atomic<bool> cancelled(true);
        QVERIFY(classifyRecording(signal, 0, {}, &cancelled).empty());
    }
};

QTEST_GUILESS_MAIN(TestRecordingEctopy)
#include "tst_recordingectopy.moc"
