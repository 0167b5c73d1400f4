// The beat detector on hand-made QRS spikes, whose every beat and rate is
// known, and on the real reference record.

#include "beatmatch.h"

#include "dsp/tbeatdetector.h"

#include <QFile>
#include <QtTest>

namespace {

// A triangular QRS of half-width 5 samples and the given height (detector
// scale, about 200 counts per mV) at each (position, height).
std::vector<int> spikes(int length, const std::vector<std::pair<int, int>> &beats)
{
    std::vector<int> signal(size_t(length), 0);
    for (const auto &[position, height] : beats)
        for (int k = -5; k <= 5; ++k)
            if (position + k >= 0 && position + k < length)
                signal[size_t(position + k)] += height * (5 - std::abs(k)) / 5;
    return signal;
}

std::vector<std::pair<int, int>> every(int period, int end, int height, int first = 100)
{
    std::vector<std::pair<int, int>> beats;
    for (int p = first; p < end; p += period)
        beats.push_back({p, height});
    return beats;
}

struct Run
{
    std::vector<int> beats;      // returned beat indexes
    std::vector<int> reportedAt; // index of the sample whose feed returned each beat
    std::vector<int> rates;      // heart rate right after each beat
    int finalRate = 0;
};

Run detect(const std::vector<int> &signal)
{
    Run run;
    TBeatDetector detector;
    for (size_t i = 0; i < signal.size(); ++i) {
        const int beat = detector.feed(signal[i]);
        if (beat >= 0) {
            run.beats.push_back(beat);
            run.reportedAt.push_back(int(i));
            run.rates.push_back(detector.heartRate());
        }
    }
    run.finalRate = detector.heartRate();
    return run;
}

} // namespace

class TestBeatDetector : public QObject
{
    Q_OBJECT

private slots:
    void flatSignalNeverBeats()
    {
        for (int level : {0, 3000, -3000}) {
            const Run run = detect(std::vector<int>(60 * 250, level));
            QVERIFY(run.beats.empty());
            QCOMPARE(run.finalRate, 0);
        }
    }

    void regularRhythm_data()
    {
        QTest::addColumn<int>("period");
        QTest::addColumn<int>("rate");
        QTest::newRow("one beat per second") << 250 << 60;
        QTest::newRow("240 samples") << 240 << 62;
        QTest::newRow("200 samples") << 200 << 75;
        QTest::newRow("150 samples") << 150 << 100;
        QTest::newRow("100 samples") << 100 << 150;
    }

    void regularRhythm()
    {
        QFETCH(int, period);
        QFETCH(int, rate);
        const Run run = detect(spikes(30 * 250, every(period, 30 * 250 - 200, 200)));
        // Nothing during three seconds of learning, then every spike, each
        // named 3 samples after its top (the filters' delay) and reported a
        // fixed 96 samples later.
        QVERIFY(run.beats.size() > size_t(10));
        QVERIFY(run.reportedAt.front() >= 3 * 250);
        QCOMPARE((run.beats.front() - 100) % period, 3);
        for (size_t i = 0; i < run.beats.size(); ++i) {
            QCOMPARE(run.reportedAt[i] - run.beats[i], 96);
            if (i > 0)
                QCOMPARE(run.beats[i] - run.beats[i - 1], period);
        }
        QCOMPARE(run.rates[0], 0); // one beat gives no interval yet
        QCOMPARE(run.rates[1], 15000 / period);
        QCOMPARE(run.finalRate, rate);
    }

    void peaksCloserThan220msCountAsOne()
    {
        // A smaller spike and a larger one 40 samples later: one beat, on the
        // larger. 60 samples apart they are two beats.
        std::vector<std::pair<int, int>> close, apart;
        for (int p = 100; p < 30 * 250 - 200; p += 250) {
            close.insert(close.end(), {{p, 150}, {p + 40, 200}});
            apart.insert(apart.end(), {{p, 200}, {p + 60, 200}});
        }
        const Run one = detect(spikes(30 * 250, close));
        QVERIFY(one.beats.size() > 10);
        for (size_t i = 1; i < one.beats.size(); ++i)
            QCOMPARE(one.beats[i] - one.beats[i - 1], 250);
        QVERIFY(std::abs((one.beats[0] - 140) % 250) <= 6);
        QCOMPARE(one.finalRate, 60);
        const Run two = detect(spikes(30 * 250, apart));
        QVERIFY(two.beats.size() > 2 * (one.beats.size() - 2));
        QVERIFY(two.finalRate > 100);
    }

    void lowBeatIsFoundBySearchBack()
    {
        // Every sixth beat is too low for the threshold; search-back finds it
        // once 1.5 intervals have passed, and places it where it was.
        std::vector<std::pair<int, int>> beats = every(250, 40 * 250, 200);
        for (size_t i = 5; i < beats.size(); i += 6)
            beats[i].second = beats[i].first > 2000 ? 60 : 200;
        const Run run = detect(spikes(40 * 250 + 300, beats));
        QVERIFY(run.beats.size() > 30);
        int late = 0;
        for (size_t k = 1; k < run.beats.size(); ++k) {
            QCOMPARE(run.beats[k] - run.beats[k - 1], 250);
            late += run.reportedAt[k] - run.beats[k] > 96;
        }
        QCOMPARE(late, 5);
        QCOMPARE(run.finalRate, 60);
    }

    void relearnsAfterThreeSilentSeconds()
    {
        // The QRS shrinks to about an eighth (below search-back too): silence
        // for three seconds, then the new level is learned. The small beats
        // vary a little in height, as real ones do.
        std::vector<std::pair<int, int>> beats = every(250, 60 * 250, 1000);
        for (size_t i = 0; i < beats.size(); ++i)
            if (beats[i].first >= 5000)
                beats[i].second = 110 + int(i) * 37 % 40;
        const Run run = detect(spikes(60 * 250, beats));
        size_t last = 0;
        while (last + 1 < run.beats.size() && run.beats[last + 1] < 5000)
            ++last;
        QVERIFY(last + 1 < run.beats.size());
        const int silence = run.reportedAt[last + 1] - run.reportedAt[last];
        QVERIFY2(silence >= 3 * 250 && silence < 5 * 250, qPrintable(QString::number(silence)));
        for (size_t k = run.beats.size() - 9; k < run.beats.size(); ++k)
            QVERIFY(std::abs(run.beats[k] - run.beats[k - 1] - 250) <= 1);
        QCOMPARE(run.finalRate, 60);
    }

    void stationScaling()
    {
        // 75/16 with truncation toward zero: 43 counts (about 1 mV) give 201.
        const int station[] = {1, -1, 43, 32767, -32768}, scaled[] = {4, -4, 201, 153595, -153600};
        for (int i = 0; i < 5; ++i)
            QCOMPARE(TBeatDetector::scaleStationSample(station[i]), scaled[i]);
    }

    void referenceRecord()
    {
        QFile data(QStringLiteral(CARDIOLANE_SHARED_DATA "/mitdb100-v5.dat"));
        QFile beats(QStringLiteral(CARDIOLANE_SHARED_DATA "/mitdb100-v5.beats"));
        if (!data.open(QIODevice::ReadOnly) || !beats.open(QIODevice::ReadOnly | QIODevice::Text))
            QSKIP("reference ECG record not available");
        const QByteArray bytes = data.readAll();
        std::vector<int> reference;
        for (const QByteArray &line : beats.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                reference.push_back(line.toInt());
        TBeatDetector detector;
        std::vector<int> found;
        for (int i = 0; i + 1 < bytes.size(); i += 2) {
            const int beat = detector.feedStationSample(qint16(quint8(bytes[i]) | quint8(bytes[i + 1]) << 8));
            if (beat >= 0) {
                QVERIFY(found.empty() || beat > found.back());
                found.push_back(beat);
            }
        }
        const BeatScore score = scoreBeats(found, reference, 10 * 250, bytes.size() / 2 - 100);
        // The beat index names the R wave itself; all but two beats are
        // found, and nothing else.
        QVERIFY(std::abs(score.delay) <= 3);
        QVERIFY(score.truePositives > 2250);
        QCOMPARE(score.falsePositives, 0);
        QVERIFY(score.falseNegatives <= 2);
        QVERIFY(detector.heartRate() > 40 && detector.heartRate() < 120);
    }
};

QTEST_GUILESS_MAIN(TestBeatDetector)
#include "tst_beatdetector.moc"
