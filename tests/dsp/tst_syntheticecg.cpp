// The synthetic ECG: beats the detector finds where they were drawn, a rate
// that follows the course asked for, believable waves and disturbances, and
// the same signal for the same seed.

#include "beatmatch.h"

#include "dsp/tbeatdetector.h"
#include "dsp/tsyntheticecg.h"

#include <QtTest>

#include <cmath>

namespace {

std::vector<double> course(std::initializer_list<std::pair<int, double>> segments)
{
    std::vector<double> rates;
    for (const auto &[seconds, bpm] : segments)
        rates.insert(rates.end(), size_t(seconds), bpm);
    return rates;
}

TSyntheticEcgOptions disturbed(quint32 seed, bool wander = true, bool hum = true, bool muscle = true)
{
    TSyntheticEcgOptions options;
    options.seed = seed;
    options.baselineWander = wander;
    options.mainsHum = hum;
    options.muscleNoise = muscle;
    return options;
}

double mV(double counts)
{
    return counts / TSyntheticEcg::CountsPerMillivolt;
}

} // namespace

class TestSyntheticEcg : public QObject
{
    Q_OBJECT

private slots:
    void detectorFollowsTheCourse_data()
    {
        QTest::addColumn<bool>("disturbances");
        QTest::newRow("clean") << false;
        QTest::newRow("wander, hum and muscle noise") << true;
    }

    void detectorFollowsTheCourse()
    {
        QFETCH(bool, disturbances);
        TSyntheticEcg generator(disturbed(1, disturbances, disturbances, disturbances));
        const std::vector<double> rates = course({{60, 60.0}, {60, 120.0}, {60, 80.0}});
        const std::vector<qint16> samples = generator.generate(rates);
        QCOMPARE(samples.size(), size_t(180 * 250));
        TBeatDetector detector;
        std::vector<int> beats, ratePerSecond;
        for (size_t i = 0; i < samples.size(); ++i) {
            const int beat = detector.feedStationSample(samples[i]);
            if (beat >= 0)
                beats.push_back(beat);
            if ((i + 1) % 250 == 0)
                ratePerSecond.push_back(detector.heartRate());
        }
        const BeatScore score = scoreBeats(beats, generator.beatPositions(), 5 * 250, int(samples.size()) - 100, 10);
        QVERIFY2(score.falsePositives + score.falseNegatives <= 1,
                 qPrintable(QStringLiteral("FP %1 FN %2").arg(score.falsePositives).arg(score.falseNegatives)));
        QVERIFY(std::abs(score.delay) <= 4);
        // Ten seconds after each change the detected rate is within 8% of the course.
        for (int second : {20, 40, 59, 80, 100, 119, 140, 160, 179})
            QVERIFY2(std::abs(ratePerSecond[size_t(second)] - rates[size_t(second)]) <= 0.08 * rates[size_t(second)],
                     qPrintable(QStringLiteral("second %1: %2 bpm").arg(second).arg(ratePerSecond[size_t(second)])));
    }

    void wavesAndBeatToBeatVariation()
    {
        TSyntheticEcg generator;
        const std::vector<qint16> samples = generator.generate(course({{120, 75.0}}));
        const std::vector<int> &beats = generator.beatPositions();
        QVERIFY(beats.size() >= 147 && beats.size() <= 153);
        double sum = 0.0, squares = 0.0;
        for (size_t k = 1; k < beats.size(); ++k) {
            const double rr = beats[k] - beats[k - 1];
            QVERIFY(rr > 0.85 * 200 && rr < 1.15 * 200);
            sum += rr;
            squares += rr * rr;
            // The R wave is the largest sample of its beat, 1 to 1.5 mV, with
            // Q and S dips before and after and a positive T wave 200-350 ms later.
            const int r = beats[k];
            if (r > int(samples.size()) - 100)
                continue;
            QVERIFY(mV(samples[size_t(r)]) >= 0.95 && mV(samples[size_t(r)]) <= 1.55);
            int low = 0, tPeak = 0;
            for (int i = r - 100; i <= r + 100; ++i) {
                QVERIFY(samples[size_t(i)] <= samples[size_t(r)]);
                low = std::min<int>(low, samples[size_t(i)]);
                if (i >= r + 50 && i <= r + 88)
                    tPeak = std::max<int>(tPeak, samples[size_t(i)]);
            }
            QVERIFY(mV(low) < -0.1 && mV(low) > -0.5);
            QVERIFY(mV(tPeak) > 0.15 && mV(tPeak) < 0.5);
        }
        const double n = double(beats.size() - 1), mean = sum / n, spread = std::sqrt(squares / n - mean * mean);
        QVERIFY(std::abs(mean - 200.0) < 4.0);
        QVERIFY(spread > 0.01 * mean && spread < 0.06 * mean);
    }

    void disturbancesAddOnlyThemselves()
    {
        // Each one alone, as the difference to the clean signal: hum repeats
        // every 5 samples (50 Hz), wander is slow, muscle noise fast; all of a
        // size the filters must visibly deal with.
        const std::vector<double> rates = course({{40, 72.0}});
        const std::vector<qint16> clean = TSyntheticEcg().generate(rates);
        struct Case { TSyntheticEcgOptions options; int period; double low, high; };
        const Case cases[] = {{disturbed(1, false, true, false), 5, 0.05, 0.12},
                              {disturbed(1, true, false, false), 1, 0.1, 0.4},
                              {disturbed(1, false, false, true), 0, 0.02, 0.2}};
        for (const Case &c : cases) {
            const std::vector<qint16> noisy = TSyntheticEcg(c.options).generate(rates);
            double peak = 0.0;
            for (size_t i = 0; i < clean.size(); ++i) {
                const double d = mV(noisy[i] - clean[i]);
                peak = std::max(peak, std::abs(d));
                if (c.period > 0 && i + size_t(c.period) < clean.size())
                    QVERIFY(std::abs(mV(noisy[i + size_t(c.period)] - clean[i + size_t(c.period)]) - d) <= 2 * mV(1) + 1e-9);
            }
            QVERIFY2(peak > c.low && peak < c.high, qPrintable(QString::number(peak)));
        }
    }

    void seedsAndOddCourses()
    {
        const std::vector<double> rates = course({{20, 65.0}, {20, 90.0}});
        TSyntheticEcg first(disturbed(7)), second(disturbed(7));
        const std::vector<qint16> a = first.generate(rates);
        QCOMPARE(second.generate(rates), a);
        QCOMPARE(first.generate(rates), a);
        QVERIFY(TSyntheticEcg(disturbed(8)).generate(rates) != a);
        // The last call's beats only; rates are held to 20..250 bpm and a NaN reads as 60.
        QVERIFY(first.generate({}).empty());
        QVERIFY(first.beatPositions().empty());
        QCOMPARE(first.generate(std::vector<double>(6, 0.0)).size(), size_t(6 * 250));
        QVERIFY(first.beatPositions().size() <= 3);
        first.generate(std::vector<double>(4, 1000.0));
        QVERIFY(first.beatPositions().size() >= 15 && first.beatPositions().size() <= 18);
        first.generate(std::vector<double>(10, std::nan("")));
        QVERIFY(first.beatPositions().size() >= 9 && first.beatPositions().size() <= 11);
    }
};

QTEST_GUILESS_MAIN(TestSyntheticEcg)
#include "tst_syntheticecg.moc"
