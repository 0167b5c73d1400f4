#include "beatmatch.h"

#include "dsp/tbeatdetector.h"
#include "dsp/tsyntheticecg.h"

#include <QtTest>

#include <cmath>
#include <vector>

namespace {

std::vector<double> course(std::initializer_list<std::pair<int, double>> segments)
{
    std::vector<double> rates;
    for (const auto &[seconds, bpm] : segments)
        rates.insert(rates.end(), size_t(seconds), bpm);
    return rates;
}

TSyntheticEcgOptions allDisturbances(quint32 seed)
{
    TSyntheticEcgOptions options;
    options.seed = seed;
    options.baselineWander = options.mainsHum = options.muscleNoise = true;
    return options;
}

double countsToMv(double counts)
{
    return counts / TSyntheticEcg::CountsPerMillivolt;
}

} // namespace

class TestSyntheticEcg : public QObject
{
    Q_OBJECT

private slots:
    void detectorFindsBeatsAndFollowsCourse_data();
    void detectorFindsBeatsAndFollowsCourse();
    void morphologyAndAmplitude();
    void naturalBeatToBeatVariation();
    void disturbancesAddOnlyThemselves();
    void deterministicForSeed();
    void oddCourses();
};

void TestSyntheticEcg::detectorFindsBeatsAndFollowsCourse_data()
{
    QTest::addColumn<bool>("disturbed");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("clean") << false << 1u;
    QTest::newRow("wander, hum and muscle noise") << true << 1u;
}

void TestSyntheticEcg::detectorFindsBeatsAndFollowsCourse()
{
    QFETCH(bool, disturbed);
    QFETCH(quint32, seed);
    TSyntheticEcgOptions options = disturbed ? allDisturbances(seed) : TSyntheticEcgOptions{};
    options.seed = seed;
    TSyntheticEcg generator(options);
    const std::vector<double> rates = course({{60, 60.0}, {60, 120.0}, {60, 80.0}});
    const std::vector<qint16> samples = generator.generate(rates);

    TBeatDetector detector;
    std::vector<int> beats;
    std::vector<int> ratePerSecond;
    for (size_t i = 0; i < samples.size(); ++i) {
        const int beat = detector.feedStationSample(samples[i]);
        if (beat >= 0)
            beats.push_back(beat);
        if ((i + 1) % 250 == 0)
            ratePerSecond.push_back(detector.heartRate());
    }
    const BeatScore score = scoreBeats(beats, generator.beatPositions(), 5 * 250, int(samples.size()) - 100, 10);
    QVERIFY2(score.sensitivity() >= 99.5 && score.positivePredictivity() >= 99.5,
             qPrintable(QStringLiteral("Se %1 +P %2").arg(score.sensitivity()).arg(score.positivePredictivity())));
    QVERIFY(std::abs(score.delay) <= 4);

    // Ten seconds after each change the detected rate is within 8% of the course.
    for (int second : {20, 40, 59, 80, 100, 119, 140, 160, 179}) {
        const double asked = rates[size_t(second)];
        QVERIFY2(std::abs(ratePerSecond[size_t(second)] - asked) <= 0.08 * asked,
                 qPrintable(QStringLiteral("second %1: %2 bpm").arg(second).arg(ratePerSecond[size_t(second)])));
    }
}

void TestSyntheticEcg::morphologyAndAmplitude()
{
    TSyntheticEcg generator;
    const std::vector<qint16> samples = generator.generate(course({{30, 70.0}}));
    const std::vector<int> &beats = generator.beatPositions();
    QVERIFY(beats.size() >= 33 && beats.size() <= 37);
    for (int r : beats) {
        if (r < 100 || r > int(samples.size()) - 100)
            continue;
        // The R wave is the largest sample of its beat, about 1 to 1.5 mV.
        const double height = countsToMv(samples[size_t(r)]);
        QVERIFY2(height >= 0.95 && height <= 1.55, qPrintable(QString::number(height)));
        int low = 0, high = 0;
        for (int k = r - 100; k <= r + 100; ++k) {
            QVERIFY(samples[size_t(k)] <= samples[size_t(r)]);
            low = std::min<int>(low, samples[size_t(k)]);
            high = std::max<int>(high, samples[size_t(k)]);
        }
        QVERIFY(countsToMv(low) < -0.1 && countsToMv(low) > -0.5); // Q/S dips
        // A positive T wave some 200 to 350 ms after R.
        int tPeak = 0;
        for (int k = r + 50; k <= r + 88; ++k)
            tPeak = std::max<int>(tPeak, samples[size_t(k)]);
        QVERIFY(countsToMv(tPeak) > 0.15 && countsToMv(tPeak) < 0.5);
    }
}

void TestSyntheticEcg::naturalBeatToBeatVariation()
{
    TSyntheticEcg generator;
    generator.generate(course({{120, 75.0}}));
    const std::vector<int> &beats = generator.beatPositions();
    double sum = 0.0, sumSquares = 0.0;
    const int n = int(beats.size()) - 1;
    for (int k = 1; k <= n; ++k) {
        const double rr = beats[size_t(k)] - beats[size_t(k - 1)];
        QVERIFY(rr > 0.85 * 200 && rr < 1.15 * 200);
        sum += rr;
        sumSquares += rr * rr;
    }
    const double mean = sum / n;
    const double spread = std::sqrt(sumSquares / n - mean * mean);
    QVERIFY(std::abs(mean - 200.0) < 4.0);   // 75 bpm on average
    QVERIFY(spread > 0.01 * mean && spread < 0.06 * mean);
}

void TestSyntheticEcg::disturbancesAddOnlyThemselves()
{
    // Each disturbance alone, as the difference to the clean signal: hum is
    // 50 Hz (five samples per period), wander slow, muscle noise fast; all
    // of a size the filters must visibly deal with.
    const std::vector<double> rates = course({{40, 72.0}});
    const std::vector<qint16> clean = TSyntheticEcg().generate(rates);
    struct Case { void (*enable)(TSyntheticEcgOptions &); int period; double low, high; };
    const Case cases[] = {
        {[](TSyntheticEcgOptions &o) { o.mainsHum = true; }, 5, 0.05, 0.12},
        {[](TSyntheticEcgOptions &o) { o.baselineWander = true; }, 1, 0.1, 0.4},
        {[](TSyntheticEcgOptions &o) { o.muscleNoise = true; }, 0, 0.02, 0.2},
    };
    const double twoCounts = 2 * countsToMv(1.0) + 1e-9;
    for (const Case &c : cases) {
        TSyntheticEcgOptions options;
        c.enable(options);
        const std::vector<qint16> disturbed = TSyntheticEcg(options).generate(rates);
        double peak = 0.0;
        for (size_t i = 0; i < clean.size(); ++i) {
            const double d = countsToMv(disturbed[i] - clean[i]);
            peak = std::max(peak, std::abs(d));
            if (c.period > 0 && i + c.period < clean.size())
                QVERIFY(std::abs(countsToMv(disturbed[i + c.period] - clean[i + c.period]) - d) <= twoCounts);
        }
        QVERIFY2(peak > c.low && peak < c.high, qPrintable(QString::number(peak)));
    }
}

void TestSyntheticEcg::deterministicForSeed()
{
    const std::vector<double> rates = course({{20, 65.0}, {20, 90.0}});
    TSyntheticEcg first(allDisturbances(7));
    TSyntheticEcg second(allDisturbances(7));
    const std::vector<qint16> a = first.generate(rates);
    QCOMPARE(second.generate(rates), a);
    QCOMPARE(first.generate(rates), a);   // generating again repeats itself
    QVERIFY(TSyntheticEcg(allDisturbances(8)).generate(rates) != a);
}

void TestSyntheticEcg::oddCourses()
{
    TSyntheticEcg generator;
    generator.generate(course({{10, 60.0}}));
    QVERIFY(generator.generate({}).empty());
    QVERIFY(generator.beatPositions().empty()); // the last call's beats only

    // Rates outside 20..250 bpm are held at the limits; a NaN reads as 60.
    QCOMPARE(generator.generate({0.0, 0.0, 0.0, 0.0, 0.0, 0.0}).size(), size_t(6 * 250));
    QVERIFY(generator.beatPositions().size() <= 3);
    generator.generate(std::vector<double>(4, 1000.0));
    QVERIFY(generator.beatPositions().size() >= 15 && generator.beatPositions().size() <= 18);
    generator.generate(std::vector<double>(10, std::nan("")));
    QVERIFY(generator.beatPositions().size() >= 9 && generator.beatPositions().size() <= 11);
}

QTEST_GUILESS_MAIN(TestSyntheticEcg)
#include "tst_syntheticecg.moc"
