// ST measurement on drawn beats whose J point and ST level are known, the
// reference, change and deviation timing on drawn trends, and the
// companion's ST commands over a recording with an expert's ST episode.

#include "../common/stbeats.h"
#include "dsp/recordingst.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>

namespace {

using namespace StBeats;

RecordingSt analyse(const std::vector<int> &samples, const StLiveSettings &live = StLiveSettings())
{
    TStRecordingAnalysis analysis(live);
    for (int v : samples)
        analysis.addSample(v);
    return analysis.finish();
}

double medianOf(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0.0 : v[v.size() / 2];
}

} // namespace

Q_DECLARE_METATYPE(StBeats::BeatShape)

class TestSt : public QObject
{
    Q_OBJECT

private slots:
    // Each shape's J point and ST level against the values it was drawn with.
    void measuresDrawnBeats_data()
    {
        QTest::addColumn<BeatShape>("shape");
        QTest::addColumn<int>("pointMs");
        QTest::addColumn<double>("expectedUv");
        QTest::addColumn<int>("jAfterR");   // samples
        auto shape = [](double st, double slope = 0.0, double width = 1.0, double wander = 0.0, double hz = 0.0) {
            BeatShape s;
            s.stMv = st;
            s.slopeMvPerS = slope;
            s.widthScale = width;
            s.wanderMv = wander;
            s.wanderHz = hz;
            return s;
        };
        QTest::newRow("flat") << shape(0.0) << 60 << 0.0 << 10;
        QTest::newRow("depressed 0.1 mV") << shape(-0.1) << 60 << -100.0 << 10;
        QTest::newRow("depressed 0.2 mV") << shape(-0.2) << 60 << -200.0 << 10;
        QTest::newRow("elevated 0.2 mV") << shape(0.2) << 60 << 200.0 << 10;
        QTest::newRow("upsloping") << shape(-0.15, 1.5) << 60 << -60.0 << 10;
        QTest::newRow("downsloping") << shape(-0.05, -1.5) << 60 << -140.0 << 10;
        QTest::newRow("downsloping at 80 ms") << shape(-0.05, -1.5) << 80 << -170.0 << 10;
        QTest::newRow("wide QRS") << shape(-0.1, 0.0, 2.5) << 60 << -100.0 << 25;
        QTest::newRow("baseline wander 0.05 Hz") << shape(-0.1, 0.0, 1.0, 0.8, 0.05) << 60 << -100.0 << 10;
        QTest::newRow("breathing sway 0.3 Hz") << shape(-0.1, 0.0, 1.0, 0.3, 0.3) << 60 << -100.0 << 10;
    }
    void measuresDrawnBeats()
    {
        QFETCH(BeatShape, shape);
        QFETCH(int, pointMs);
        QFETCH(double, expectedUv);
        QFETCH(int, jAfterR);
        const RecordingSt result = analyse(drawBeats(shape, 60), StLiveSettings{pointMs});
        // All but the first few beats (the average needs three) are measured.
        QVERIFY2(result.beats.size() >= 65, qPrintable(QString::number(result.beats.size())));
        std::vector<double> levels, jOffsets;
        for (const TStBeat &b : result.beats) {
            levels.push_back(b.stUv);
            jOffsets.push_back(b.j - b.r);
            QCOMPARE(b.point - b.j, pointMs * 250 / 1000);
        }
        const double level = medianOf(levels);
        QVERIFY2(std::abs(level - expectedUv) <= 25.0, qPrintable(QStringLiteral("ST %1 uV").arg(level)));
        // Every beat's ST level, not only the median, is right under a sway.
        for (double v : levels)
            QVERIFY2(std::abs(v - expectedUv) <= 45.0, qPrintable(QStringLiteral("beat ST %1 uV").arg(v)));
        const double j = medianOf(jOffsets);
        QVERIFY2(std::abs(j - jAfterR) <= 3.0, qPrintable(QStringLiteral("J at R%1%2").arg(j >= 0 ? "+" : "").arg(j)));
    }

    // Templates drawn at 250/s as corners joined by straight lines, R at 75.
    // A deep S wave that rests an instant at its bottom and climbs back over
    // 40 ms: the QRS ends where the climb meets the ST segment, not at the
    // bottom. A P wave followed by a PR segment well below the level before
    // it: the QRS begins after the PR segment, not at the P wave.
    void delineatesDrawnTemplates_data()
    {
        QTest::addColumn<QVector<QPointF>>("corners");
        QTest::addColumn<int>("onset");
        QTest::addColumn<int>("j");
        QTest::newRow("S wave climbing back") << QVector<QPointF>{{0, 0}, {65, 0}, {75, 1.5}, {80, -0.6}, {82, -0.6},
                                                                  {92, -0.1}, {224, -0.1}}
                                              << 65 << 91;
        QTest::newRow("deep PR segment") << QVector<QPointF>{{0, 0}, {38, 0}, {43, 0.12}, {50, -0.2}, {65, -0.2},
                                                             {75, 1.2}, {82, -0.3}, {86, 0}, {224, 0}}
                                         << 65 << 86;
    }
    void delineatesDrawnTemplates()
    {
        QFETCH(QVector<QPointF>, corners);
        QFETCH(int, onset);
        QFETCH(int, j);
        std::vector<float> x(225);
        for (int k = 0; k + 1 < corners.size(); ++k)
            for (int i = int(corners[k].x()); i <= int(corners[k + 1].x()); ++i)
                x[size_t(i)] = float(corners[k].y() + (corners[k + 1].y() - corners[k].y()) * (i - corners[k].x())
                                                          / (corners[k + 1].x() - corners[k].x()));
        StMeasure::Fiducials f;
        QVERIFY(StMeasure::delineate(x.data(), int(x.size()), 75, f));
        QVERIFY2(std::abs(f.j - j) <= 2, qPrintable(QString::number(f.j)));
        QVERIFY2(std::abs(f.onset - onset) <= 2, qPrintable(QString::number(f.onset)));
    }

    void noisyAndVentricularBeatsAreNotMeasured()
    {
        BeatShape shape;
        std::vector<int> x = drawBeats(shape, 40);
        // Ten seconds of heavy muscle noise in the middle.
        quint32 seed = 7;
        for (size_t i = 15 * 250; i < 25 * 250; ++i) {
            seed = seed * 1664525u + 1013904223u;
            x[i] += int(seed >> 27) - 16;
        }
        const RecordingSt result = analyse(x);
        int inNoise = 0;
        for (const TStBeat &b : result.beats)
            inNoise += b.r > 15 * 250 + 60 && b.r < 25 * 250 - 60;
        QCOMPARE(inNoise, 0);
        QVERIFY(result.beats.size() >= 30);

        TStAnalyser analyser;
        for (int v : drawBeats(shape, 10))
            analyser.addSample(v);
        TBeatDecision d;
        d.label = BeatLabel::Ventricular;
        d.centre = d.index = 1300;
        TStBeat beat;
        QVERIFY(!analyser.addDecision(d, beat));
    }

    // The deviation must be held for the hold time before it counts, and
    // ends only after the release time back within the limit; a swing to the
    // other side starts again.
    void deviationTiming()
    {
        TStDeviationTracker alarm({100.0, 60.0, 30.0});
        auto run = [&](double from, double to, double deviation) {
            std::vector<double> changes;
            for (double t = from; t < to; t += 1.0)
                if (alarm.update(t, deviation))
                    changes.push_back(t);
            return changes;
        };
        QVERIFY(run(0, 100, 99.0).empty());
        QCOMPARE(run(100, 200, -150.0), std::vector<double>{160.0});
        QVERIFY(alarm.active());
        QCOMPARE(alarm.sign(), -1);
        QCOMPARE(alarm.startS(), 100.0);
        // 20 s back within, then out again: still the same alarm.
        QVERIFY(run(200, 220, -50.0).empty());
        QVERIFY(run(220, 240, -120.0).empty());
        QCOMPARE(run(240, 300, 0.0), std::vector<double>{270.0});
        QVERIFY(!alarm.active());
        QCOMPARE(alarm.endS(), 240.0);
        // Elevation for 40 s then depression for 40 s: neither is held long enough.
        QVERIFY(run(300, 340, 130.0).empty());
        QVERIFY(run(340, 380, -130.0).empty());
        // Limit 0 switches the alarm off.
        TStDeviationTracker off({0.0, 60.0, 30.0});
        for (double t = 0; t < 200; t += 1.0)
            QVERIFY(!off.update(t, -500.0));
    }

    void referenceFromTheFirstMinuteAndOnRequest()
    {
        TStTrend trend;
        double t = 0.0;
        // One beat every second for the first 20 s (too few for a minute), a
        // pause, then beats every 0.8 s.
        for (; t < 20.0; t += 1.0)
            trend.addBeat(t, -300.0);
        QVERIFY(!trend.hasReference());
        for (t = 100.0; t < 170.0; t += 0.8)
            trend.addBeat(t, t < 130.0 ? 40.0 : 60.0);
        QVERIFY(trend.hasReference());
        QVERIFY(std::abs(trend.referenceUv() - 40.0) < 1e-9 || std::abs(trend.referenceUv() - 60.0) < 1e-9);
        const double first = trend.referenceUv();
        // A depression of 0.15 mV held 40 s is an episode with its start and end.
        for (t = 170.0; t < 260.0; t += 0.8)
            trend.addBeat(t, t >= 180.0 && t < 220.0 ? first - 150.0 : first);
        trend.finish(t);
        QCOMPARE(int(trend.episodes().size()), 1);
        QCOMPARE(trend.episodes()[0].sign, -1);
        QVERIFY(std::abs(trend.episodes()[0].startS - 185.0) < 6.0);
        QVERIFY(std::abs(trend.episodes()[0].endS - 225.0) < 6.0);
        QVERIFY(std::abs(trend.changeUv()) < 1e-9);
        // A trend point per 10 s of beats.
        QVERIFY(trend.trend().size() >= 15);
        QCOMPARE(trend.trend().back().stUv, first);
        // The nurse re-takes the reference: the last minute's level.
        for (t = 260.0; t < 330.0; t += 0.8)
            trend.addBeat(t, first - 80.0);
        QCOMPARE(trend.changeUv(), -80.0);
        QVERIFY(trend.setReference());
        QCOMPARE(trend.referenceUv(), first - 80.0);
        QCOMPARE(trend.changeUv(), 0.0);
    }

    void aReferenceRetakenLiveIsRetakenInTheRecording()
    {
        // ST 0.15 mV lower from 120 s on; the nurse re-took the reference at 200 s.
        const std::vector<int> x = drawBeats(BeatShape(), 330, [](double t) { return t >= 120.0 ? -0.15 : 0.0; });
        const RecordingSt first = analyse(x);
        QVERIFY(first.hasReference);
        QVERIFY(first.referenceTimeS < 70.0);
        QCOMPARE(int(first.episodes.size()), 1);
        QVERIFY(first.episodes[0].endS > 320.0);

        const RecordingSt retaken = analyse(x, StLiveSettings{60, 200.0});
        QVERIFY2(std::abs(retaken.referenceTimeS - 200.0) < 1.0, qPrintable(QString::number(retaken.referenceTimeS)));
        QVERIFY2(std::abs(retaken.referenceUv - (first.referenceUv - 150.0)) < 15.0, qPrintable(QString::number(retaken.referenceUv)));
        QVERIFY(retaken.referenceBeat.valid());
        QVERIFY(std::abs(retaken.referenceBeat.stUv - retaken.referenceUv) < 25.0);
        // The depression the station showed before the re-take stays; the
        // episode ends once the level is back within the new reference.
        QVERIFY(std::abs(retaken.depression.changeUv + 150.0) < 25.0);
        QCOMPARE(int(retaken.episodes.size()), 1);
        QVERIFY2(retaken.episodes[0].endS < 260.0, qPrintable(QString::number(retaken.episodes[0].endS)));

        // A stored time that is the first-minute reference's own changes nothing.
        const RecordingSt same = analyse(x, StLiveSettings{60, std::round(first.referenceTimeS * 10.0) / 10.0});
        QCOMPARE(same.referenceUv, first.referenceUv);
        QCOMPARE(same.referenceTimeS, first.referenceTimeS);
    }

    // A depression that comes with a QRS much taller or smaller, or much
    // wider, than at the reference (the patient turned, an electrode moved,
    // a bundle branch block came) is no ST change; one with a QRS of about
    // its old height and width is.
    void stChangeCountsOnlyWithAComparableQrs_data()
    {
        QTest::addColumn<double>("qrsUv");
        QTest::addColumn<int>("qrsMs");
        QTest::addColumn<int>("episodes");
        QTest::newRow("same QRS") << 1000.0 << 80 << 1;
        QTest::newRow("QRS 20% taller, 12 ms wider") << 1200.0 << 92 << 1;
        QTest::newRow("QRS 60% taller") << 1600.0 << 80 << 0;
        QTest::newRow("QRS 40 ms wider") << 1000.0 << 120 << 0;
    }
    void stChangeCountsOnlyWithAComparableQrs()
    {
        QFETCH(double, qrsUv);
        QFETCH(int, qrsMs);
        QFETCH(int, episodes);
        TStTrend trend;
        double t = 0.0;
        for (; t < 70.0; t += 0.8)
            trend.addBeat(t, 0.0, 1000.0, 80);
        for (; t < 200.0; t += 0.8)
            trend.addBeat(t, -150.0, qrsUv, qrsMs);
        trend.finish(t);
        QCOMPARE(int(trend.episodes().size()), episodes);
        QCOMPARE(trend.changeUv(), -150.0);
    }

    // The companion over an excerpt whose expert marked a depression of
    // about 0.13 mV from 326 s to 527 s on this lead.
    void companionOverAnExpertEpisode()
    {
        const QString archive = QStringLiteral(CARDIOLANE_SHARED_DATA "/st/records.tar.xz");
        if (!QFile::exists(archive) || QStandardPaths::findExecutable(QStringLiteral("tar")).isEmpty())
            QSKIP("ST records not present");
        QTemporaryDir dir;
        QProcess tar;
        tar.start(QStringLiteral("tar"), {QStringLiteral("-xJf"), archive, QStringLiteral("-C"), dir.path(),
                                          QStringLiteral("./sele0106_1.dat")});
        QVERIFY(tar.waitForFinished(60000) && tar.exitCode() == 0);
        const QString file = dir.filePath(QStringLiteral("sele0106_1.dat"));
        auto cli = [](const QStringList &arguments) {
            QProcess process;
            process.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), arguments);
            process.waitForFinished(60000);
            return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
        };
        const QList<QByteArray> beats = cli({"detect", "--st", file}).trimmed().split('\n');
        QVERIFY(beats.size() > 700);   // 15 minutes of a regular rhythm
        int previous = -1;
        for (const QByteArray &line : beats) {
            const QList<QByteArray> f = line.split(' ');
            QCOMPARE(f.size(), 3);
            const int r = f[0].toInt(), j = f[1].toInt();
            QVERIFY(r > previous && j > r && j < r + 50);
            previous = r;
        }
        const QList<QByteArray> episodes = cli({"detect", "--st-episodes", file}).trimmed().split('\n');
        QCOMPARE(episodes.size(), 1);
        const QList<QByteArray> f = episodes[0].split(' ');
        QCOMPARE(f.value(2), QByteArray("depression"));
        QVERIFY(f[0].toDouble() < 527.0 && f[1].toDouble() > 326.0);

        QCOMPARE(cli({"detect", "--st", "--st-point", "90", file}), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestSt)
#include "tst_st.moc"
