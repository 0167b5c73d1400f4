// Whole-recording ectopy: the statistics on label lists worked out by hand,
// and the classification of a reference record read through a signal in
// chunks, against feeding the detector and classifier sample by sample and
// against the expert's ventricular beats.

#include "dsp/recordingectopy.h"
#include "dsp/tbeatclassifier.h"
#include "dsp/tbeatdetector.h"
#include "dsp/tmemorysignal.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
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

// Ventricular beats at the given seconds, normal beats nowhere else.
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
        QTest::addColumn<int>("total");
        QTest::addColumn<int>("couplets");
        QTest::addColumn<QVector<int>>("runLengths");
        QTest::addColumn<int>("longest");
        QTest::newRow("none") << "" << 0 << 0 << QVector<int>{} << -1;
        QTest::newRow("isolated") << "NVNNVN" << 2 << 0 << QVector<int>{} << -1;
        QTest::newRow("couplet, triplet, run of four") << "NVVNVVVNNVVVVN" << 9 << 1 << QVector<int>{3, 4} << 1;
        QTest::newRow("an unclassified beat ends a sequence") << "VVQVVNVQV" << 6 << 2 << QVector<int>{} << -1;
        QTest::newRow("run at both ends") << "VVVNNVVVVV" << 8 << 0 << QVector<int>{3, 5} << 1;
        QTest::newRow("equal runs: the first is longest") << "NVVVVNVVVVN" << 8 << 0 << QVector<int>{4, 4} << 0;
    }

    void sequences()
    {
        QFETCH(QString, labels);
        const EctopyStatistics s = ectopyStatistics(beatsOf(labels), Rate, 1000000);
        QFETCH(int, total);
        QFETCH(int, couplets);
        QFETCH(QVector<int>, runLengths);
        QFETCH(int, longest);
        QCOMPARE(s.pvcTotal, total);
        QCOMPARE(s.couplets, couplets);
        QVector<int> lengths;
        for (const VentricularRun &run : s.runs)
            lengths << run.beats;
        QCOMPARE(lengths, runLengths);
        QCOMPARE(s.longestRun, longest);
    }

    void runPlaceAndRate()
    {
        // Three beats 100 samples apart: 0.4 s intervals, 150 bpm; from the
        // second beat to the fourth.
        const EctopyStatistics s = ectopyStatistics(beatsOf(QStringLiteral("NVVVN"), 100), Rate, 1000);
        QCOMPARE(s.runs.size(), size_t(1));
        QCOMPARE(s.runs[0].start, qint64(100));
        QCOMPARE(s.runs[0].end, qint64(300));
        QCOMPARE(s.runs[0].rateBpm, 150);
    }

    void busiestMinute()
    {
        // Fixed minutes would count three and three; the minute from 50 s holds four.
        EctopyStatistics s = ectopyStatistics(ventricularAt({5, 50, 55, 65, 70, 111}), Rate, 200 * Rate);
        QCOMPARE(s.maxPerMinute, 4);
        QCOMPARE(s.maxMinuteStart, qint64(50 * Rate));
        // A beat exactly 60 s after the first belongs to the next minute.
        s = ectopyStatistics(ventricularAt({0, 60}), Rate, 100 * Rate);
        QCOMPARE(s.maxPerMinute, 1);
        QCOMPARE(s.maxMinuteStart, qint64(0));
        s = ectopyStatistics(beatsOf(QStringLiteral("NNN")), Rate, 1000);
        QCOMPARE(s.maxPerMinute, 0);
        QCOMPARE(s.maxMinuteStart, qint64(-1));
    }

    void perHour()
    {
        // Ten in half an hour; nothing recorded gives 0, never a division by zero.
        const std::vector<LabelledBeat> ten = beatsOf(QStringLiteral("VNVNVNVNVNVNVNVNVNVN"));
        QCOMPARE(ectopyStatistics(ten, Rate, 30 * 60 * Rate).pvcPerHour, 20.0);
        QCOMPARE(ectopyStatistics(ten, Rate, 0).pvcPerHour, 0.0);
        QCOMPARE(ectopyStatistics(ten, 0, 1000).pvcPerHour, 0.0);
    }

    void trendCountsTheMinuteUpToEachSecond()
    {
        const std::vector<int> trend = ventricularTrend(ventricularAt({1, 2, 70}), Rate, 75 * Rate + 100);
        QCOMPARE(trend.size(), size_t(75));
        QCOMPARE(trend[0], 0);
        QCOMPARE(trend[1], 1);
        QCOMPARE(trend[2], 2);
        QCOMPARE(trend[60], 2);
        QCOMPARE(trend[61], 1); // the beat at 1 s is exactly a minute old
        QCOMPARE(trend[62], 0);
        QCOMPARE(trend[70], 1);
        QVERIFY(ventricularTrend({}, Rate, 0).empty());
        const std::vector<qint64> marks = ventricularIndices(beatsOf(QStringLiteral("NVNV")));
        QCOMPARE(marks, (std::vector<qint64>{200, 600}));
    }

    void referenceRecord()
    {
        const QString dat = QStringLiteral(CARDIOLANE_SHARED_DATA "/ectopy/mitdb119.dat.xz");
        QFile truth(QStringLiteral(CARDIOLANE_SHARED_DATA "/ectopy/mitdb119.labels"));
        if (!QFile::exists(dat) || !truth.open(QIODevice::ReadOnly) || QStandardPaths::findExecutable("xz").isEmpty())
            QSKIP("reference ectopy records not available");
        QProcess xz;
        xz.start(QStringLiteral("xz"), {"-dc", dat});
        QVERIFY(xz.waitForFinished(60000) && xz.exitCode() == 0);
        const QByteArray bytes = xz.readAllStandardOutput();
        std::vector<qint16> samples(size_t(bytes.size() / 2));
        memcpy(samples.data(), bytes.constData(), samples.size() * 2);

        // Fed sample by sample, as the live station does.
        std::vector<LabelledBeat> fed;
        TBeatDetector detector;
        TBeatClassifier classifier;
        TBeatDecision decision;
        for (qint16 sample : samples) {
            classifier.addSample(sample);
            const int beat = detector.feedStationSample(sample);
            if (beat >= 0)
                classifier.addBeat(beat);
            while (classifier.takeDecision(decision))
                fed.push_back({decision.index, decision.label});
        }
        classifier.finish();
        while (classifier.takeDecision(decision))
            fed.push_back({decision.index, decision.label});

        // Read in chunks through a signal whose blocks do not divide them.
        TMemorySignal signal({samples}, 1000, Rate);
        const RecordingEctopy ectopy = analyseRecording(signal);
        QCOMPARE(ectopy.beats.size(), fed.size());
        for (size_t i = 0; i < fed.size(); ++i) {
            QCOMPARE(ectopy.beats[i].index, fed[i].index);
            QCOMPARE(ectopy.beats[i].label, fed[i].label);
        }

        // Against the expert: most ventricular beats after the learning
        // minutes are found, and most found ones are ventricular.
        std::vector<qint64> expert;
        for (const QByteArray &line : truth.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() == 2 && parts[1] == "V" && parts[0].toLongLong() >= 5 * 60 * Rate)
                expert.push_back(parts[0].toLongLong());
        }
        std::vector<qint64> found;
        for (qint64 index : ventricularIndices(ectopy.beats))
            if (index >= 5 * 60 * Rate)
                found.push_back(index);
        const auto matches = [](const std::vector<qint64> &from, const std::vector<qint64> &in) {
            int n = 0;
            for (qint64 at : from)
                n += std::any_of(in.begin(), in.end(), [at](qint64 x) { return std::abs(x - at) <= 37; });
            return n;
        };
        QVERIFY(expert.size() > 300);
        QVERIFY2(matches(expert, found) > 0.8 * expert.size(), "ventricular sensitivity");
        QVERIFY2(matches(found, expert) > 0.8 * found.size(), "ventricular positive predictivity");
        QCOMPARE(ectopy.statistics.pvcTotal, int(ventricularIndices(ectopy.beats).size()));

        std::atomic<bool> cancelled(true);
        QVERIFY(classifyRecording(signal, 0, &cancelled).empty());
    }
};

QTEST_GUILESS_MAIN(TestRecordingEctopy)
#include "tst_recordingectopy.moc"
