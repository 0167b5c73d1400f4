#include "beatmatch.h"

#include "dsp/tbeatdetector.h"

#include <QFile>
#include <QTextStream>
#include <QtTest>

#include <cstdlib>
#include <vector>

namespace {

// A triangular QRS of half-width 5 samples and the given height (detector
// scale, about 200 counts per mV) at every (position, height) pair.
std::vector<int> spikes(int length, const std::vector<std::pair<int, int>> &beats)
{
    std::vector<int> signal(size_t(length), 0);
    for (const auto &[position, height] : beats) {
        for (int k = -5; k <= 5; ++k) {
            if (position + k >= 0 && position + k < length)
                signal[size_t(position + k)] += height * (5 - std::abs(k)) / 5;
        }
    }
    return signal;
}

std::vector<std::pair<int, int>> regularBeats(int first, int end, int period, int height)
{
    std::vector<std::pair<int, int>> beats;
    for (int p = first; p < end; p += period)
        beats.push_back({p, height});
    return beats;
}

struct Run
{
    std::vector<int> beats;         // returned beat indexes
    std::vector<int> reportedAt;    // index of the sample whose feed returned each beat
    std::vector<int> rateAfterBeat;
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
            run.rateAfterBeat.push_back(detector.heartRate());
        }
    }
    run.finalRate = detector.heartRate();
    return run;
}

bool readRecord(std::vector<int> &samples, std::vector<int> &reference)
{
    QFile data(QStringLiteral(CARDIOLANE_SHARED_DATA "/mitdb100-v5.dat"));
    QFile beats(QStringLiteral(CARDIOLANE_SHARED_DATA "/mitdb100-v5.beats"));
    if (!data.open(QIODevice::ReadOnly) || !beats.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    const QByteArray bytes = data.readAll();
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    for (int i = 0; i + 1 < bytes.size(); i += 2)
        samples.push_back(qint16(p[i] | (p[i + 1] << 8)));
    QTextStream in(&beats);
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (!line.isEmpty())
            reference.push_back(line.toInt());
    }
    return !samples.empty() && !reference.empty();
}

} // namespace

class TestBeatDetector : public QObject
{
    Q_OBJECT

private slots:
    void flatSignalNeverBeats_data();
    void flatSignalNeverBeats();
    void regularRhythm_data();
    void regularRhythm();
    void closePeaksCountAsOne();
    void lowBeatIsFoundBySearchBack();
    void relearnsAfterThreeSilentSeconds();
    void stationScaling_data();
    void stationScaling();
    void referenceRecord();
};

void TestBeatDetector::flatSignalNeverBeats_data()
{
    QTest::addColumn<int>("level");
    QTest::newRow("zero") << 0;
    QTest::newRow("positive offset") << 3000;
    QTest::newRow("negative offset") << -3000;
}

void TestBeatDetector::flatSignalNeverBeats()
{
    QFETCH(int, level);
    const Run run = detect(std::vector<int>(60 * 250, level));
    QVERIFY(run.beats.empty());
    QCOMPARE(run.finalRate, 0);
}

void TestBeatDetector::regularRhythm_data()
{
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("rate");
    QTest::newRow("one beat per second") << 250 << 60;
    QTest::newRow("240 samples") << 240 << 62;
    QTest::newRow("200 samples") << 200 << 75;
    QTest::newRow("150 samples") << 150 << 100;
}

void TestBeatDetector::regularRhythm()
{
    QFETCH(int, period);
    QFETCH(int, rate);
    const Run run = detect(spikes(30 * 250, regularBeats(100, 30 * 250 - 200, period, 200)));
    // Nothing before three seconds of learning, then every spike.
    QVERIFY(run.reportedAt.size() > 10);
    QVERIFY(run.reportedAt.front() >= 3 * 250);
    for (size_t i = 0; i < run.beats.size(); ++i) {
        // Each beat lies on its spike, give or take the filters' few samples.
        const int offset = (run.beats[i] - 100) % period;
        QVERIFY2(offset <= 6 || offset >= period - 6, qPrintable(QString::number(run.beats[i])));
        if (i > 0)
            QCOMPARE(run.beats[i] - run.beats[i - 1], period);
    }
    QCOMPARE(run.rateAfterBeat[0], 0);   // one beat gives no interval yet
    QCOMPARE(run.rateAfterBeat[1], 15000 / period); // from the one interval held
    QCOMPARE(run.finalRate, rate);
}

void TestBeatDetector::closePeaksCountAsOne()
{
    // A smaller spike followed by a larger one 40 samples later: one beat, on
    // the larger. 60 samples apart they are two beats.
    std::vector<std::pair<int, int>> close, apart;
    for (int p = 100; p < 30 * 250 - 200; p += 250) {
        close.push_back({p, 150});
        close.push_back({p + 40, 200});
        apart.push_back({p, 200});
        apart.push_back({p + 60, 200});
    }
    const Run one = detect(spikes(30 * 250, close));
    QVERIFY(one.beats.size() > 10);
    for (size_t i = 0; i < one.beats.size(); ++i) {
        QVERIFY(std::abs((one.beats[i] - 140) % 250) <= 6);
        if (i > 0)
            QCOMPARE(one.beats[i] - one.beats[i - 1], 250);
    }
    QCOMPARE(one.finalRate, 60);

    const Run two = detect(spikes(30 * 250, apart));
    QVERIFY(two.beats.size() > 2 * (one.beats.size() - 2));
    QVERIFY(two.finalRate > 100);
}

void TestBeatDetector::lowBeatIsFoundBySearchBack()
{
    // Every sixth beat is too low for the threshold; search-back still finds
    // it once 1.5 intervals pass, and places it where it was.
    std::vector<std::pair<int, int>> beats;
    int i = 0;
    for (int p = 100; p < 40 * 250; p += 250, ++i)
        beats.push_back({p, (i % 6 == 5 && p > 2000) ? 60 : 200});
    const Run run = detect(spikes(40 * 250 + 300, beats));
    QVERIFY(run.beats.size() > 30);
    bool delayedReport = false;
    for (size_t k = 1; k < run.beats.size(); ++k) {
        QCOMPARE(run.beats[k] - run.beats[k - 1], 250);
        delayedReport = delayedReport || run.reportedAt[k] - run.beats[k] > 96 + 10;
    }
    QVERIFY(delayedReport);
    QCOMPARE(run.finalRate, 60);
}

void TestBeatDetector::relearnsAfterThreeSilentSeconds()
{
    // The QRS shrinks to about an eighth (below the search-back threshold
    // too): the detector stays silent for three seconds, then learns the new
    // level. The small beats vary a little in height, as real ones do.
    std::vector<std::pair<int, int>> beats;
    for (int p = 100, i = 0; p < 60 * 250; p += 250, ++i)
        beats.push_back({p, p < 5000 ? 1000 : 110 + i * 37 % 40});
    const Run run = detect(spikes(60 * 250, beats));
    size_t last = 0;
    while (last + 1 < run.beats.size() && run.beats[last + 1] < 5000)
        ++last;
    QVERIFY(last + 1 < run.beats.size());
    const int silence = run.reportedAt[last + 1] - run.reportedAt[last];
    QVERIFY2(silence >= 3 * 250 && silence < 5 * 250, qPrintable(QString::number(silence)));
    // Once re-learned, every small beat is found again.
    const int tail = int(run.beats.size()) - 10;
    QVERIFY(tail > int(last));
    for (int k = tail + 1; k < int(run.beats.size()); ++k)
        QVERIFY(std::abs(run.beats[size_t(k)] - run.beats[size_t(k - 1)] - 250) <= 1);
    QCOMPARE(run.finalRate, 60);
}

void TestBeatDetector::stationScaling_data()
{
    QTest::addColumn<int>("station");
    QTest::addColumn<int>("scaled");
    QTest::newRow("truncates") << 1 << 4;
    QTest::newRow("truncates toward zero") << -1 << -4;
    QTest::newRow("1 mV") << 43 << 201;
    QTest::newRow("largest") << 32767 << 153595;
    QTest::newRow("smallest") << -32768 << -153600;
}

void TestBeatDetector::stationScaling()
{
    QFETCH(int, station);
    QFETCH(int, scaled);
    QCOMPARE(TBeatDetector::scaleStationSample(station), scaled);
}

void TestBeatDetector::referenceRecord()
{
    std::vector<int> samples, reference;
    if (!readRecord(samples, reference))
        QSKIP("reference ECG record not available");

    const int learning = 10 * 250;
    const int end = int(samples.size()) - 100;
    TBeatDetector detector;
    std::vector<int> beats;
    for (int sample : samples) {
        const int beat = detector.feedStationSample(sample);
        if (beat >= 0) {
            QVERIFY(beats.empty() || beat > beats.back());
            beats.push_back(beat);
        }
    }
    const BeatScore score = scoreBeats(beats, reference, learning, end);
    qInfo("TP %d FP %d FN %d, Se %.2f%%, +P %.2f%%", score.truePositives, score.falsePositives,
          score.falseNegatives, score.sensitivity(), score.positivePredictivity());
    // The beat index names the R wave itself: the constant delay is a few samples.
    QVERIFY(std::abs(score.delay) <= 8);
    QVERIFY(score.sensitivity() >= 99.5);
    QVERIFY(score.positivePredictivity() >= 99.5);
    QVERIFY(detector.heartRate() > 40 && detector.heartRate() < 120);
}

QTEST_GUILESS_MAIN(TestBeatDetector)
#include "tst_beatdetector.moc"
