// Signal quality and fibrillation judgements over synthetic signals whose
// answers are worked out by hand.

#include "dsp/ecgquality.h"
#include "dsp/fibrillationdetector.h"
#include "dsp/tbeatdetector.h"
#include "dsp/tsyntheticecg.h"

#include <QtTest>

#include <cmath>
#include <random>
#include <vector>

namespace {

const double Pi = std::acos(-1.0);
constexpr double CountsPerMv = 512.0 / 12.0;

std::vector<short> sine(double hz, double mvPeakToPeak, int seconds)
{
    std::vector<short> out(size_t(seconds * 250));
    for (size_t n = 0; n < out.size(); ++n)
        out[n] = short(std::lround(mvPeakToPeak / 2 * CountsPerMv * std::sin(2 * Pi * hz * double(n) / 250)));
    return out;
}

std::vector<short> sinus(double bpm, int seconds, unsigned seed = 1)
{
    TSyntheticEcgOptions options;
    options.seed = seed;
    TSyntheticEcg ecg(options);
    const std::vector<qint16> samples = ecg.generate(std::vector<double>(size_t(seconds), bpm));
    return std::vector<short>(samples.begin(), samples.end());
}

// Motion-like noise: random steps smoothed over 40 ms, scaled to the given
// standard deviation in mV.
std::vector<short> motionNoise(double mvRms, int seconds, unsigned seed = 7)
{
    std::mt19937 random(seed);
    std::normal_distribution<double> normal(0.0, 1.0);
    std::vector<double> raw(size_t(seconds * 250));
    double level = 0, sumSquares = 0;
    for (double &v : raw) {
        v = level = 0.8 * level + normal(random);
        sumSquares += v * v;
    }
    const double scale = mvRms * CountsPerMv / std::sqrt(sumSquares / double(raw.size()));
    std::vector<short> out(raw.size());
    for (size_t n = 0; n < raw.size(); ++n)
        out[n] = short(std::lround(raw[n] * scale));
    return out;
}

std::vector<short> added(std::vector<short> a, const std::vector<short> &b, size_t from)
{
    for (size_t n = 0; n < b.size() && from + n < a.size(); ++n)
        a[from + n] = short(a[from + n] + b[n]);
    return a;
}

} // namespace

class TestEcgQuality : public QObject
{
    Q_OBJECT

private slots:
    void sharpness_data()
    {
        QTest::addColumn<std::vector<short>>("samples");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        // The 16-ms slope of a sine is itself a sine: its largest over its mean
        // is pi/2.
        QTest::newRow("sine at 5 Hz") << sine(5, 1, 2) << 1.5 << 1.65;
        QTest::newRow("flat") << std::vector<short>(500, 12) << 0.0 << 0.0;
        QTest::newRow("sinus rhythm at 70 bpm") << sinus(70, 2) << 10.0 << 60.0;
        QTest::newRow("sinus rhythm buried in motion noise")
            << added(sinus(70, 2), motionNoise(0.6, 2), 0) << 0.0 << EcgQuality::NoisySharpness;
    }

    void sharpness()
    {
        QFETCH(std::vector<short>, samples);
        QFETCH(double, low);
        QFETCH(double, high);
        const double s = EcgQuality::sharpness(samples.data(), int(samples.size()));
        QVERIFY2(s >= low && s <= high, qPrintable(QString::number(s)));
    }

    void steadyBeats_data()
    {
        QTest::addColumn<std::vector<qint64>>("indices");
        QTest::addColumn<std::vector<int>>("amplitudes");
        QTest::addColumn<bool>("steady");
        QTest::newRow("regular at 150 bpm") << std::vector<qint64>{0, 100, 200, 300, 400}
                                            << std::vector<int>{40, 42, 38, 40, 41} << true;
        QTest::newRow("intervals within a fifth") << std::vector<qint64>{0, 110, 200, 310, 400}
                                                  << std::vector<int>{40, 40, 40, 40, 40} << true;
        QTest::newRow("an extra beat") << std::vector<qint64>{0, 100, 130, 200, 300}
                                       << std::vector<int>{40, 40, 40, 40, 40} << false;
        QTest::newRow("amplitudes all over") << std::vector<qint64>{0, 100, 200, 300, 400}
                                             << std::vector<int>{40, 10, 60, 15, 40} << false;
        QTest::newRow("one beat taller") << std::vector<qint64>{0, 100, 200, 300} << std::vector<int>{100, 60, 60, 60} << true;
        QTest::newRow("three beats are too few") << std::vector<qint64>{0, 100, 200} << std::vector<int>{40, 40, 40} << false;
        QTest::newRow("no amplitude") << std::vector<qint64>{0, 100, 200, 300} << std::vector<int>{0, 0, 0, 0} << false;
    }

    void steadyBeats()
    {
        QFETCH(std::vector<qint64>, indices);
        QFETCH(std::vector<int>, amplitudes);
        QFETCH(bool, steady);
        QCOMPARE(EcgQuality::steadyBeats(indices.data(), amplitudes.data(), int(indices.size())), steady);
    }

    void judgedOverTime_data()
    {
        QTest::addColumn<std::vector<short>>("samples");
        QTest::addColumn<int>("noisyFrom");   // first and last second expected unanalysable, -1 for none
        QTest::addColumn<int>("noisyTo");
        QTest::newRow("clean sinus rhythm") << sinus(75, 30) << -1 << -1;
        QTest::newRow("fast sinus rhythm") << sinus(160, 30) << -1 << -1;
        // A burst from 10 to 20 s: judged unanalysable from its second second
        // on, and analysable again two seconds after it.
        QTest::newRow("noise burst over sinus rhythm")
            << added(sinus(75, 30), motionNoise(0.6, 10), 2500) << 11 << 18;
        QTest::newRow("flat line with body noise")
            << added(std::vector<short>(30 * 250, 0), motionNoise(0.02, 30), 0) << -1 << -1;
    }

    void judgedOverTime()
    {
        QFETCH(std::vector<short>, samples);
        QFETCH(int, noisyFrom);
        QFETCH(int, noisyTo);
        // The station's detector finds the beats, as it does live.
        EcgQuality quality;
        TBeatDetector detector;
        for (size_t n = 0; n < samples.size(); ++n) {
            quality.addSample(samples[n]);
            const int beat = detector.feedStationSample(samples[n]);
            if (beat >= 0)
                quality.addBeat(beat);
            if (n % 250 != 249 || n < 5 * 250)   // the detector learns first
                continue;
            const int second = int(n / 250);
            if (noisyFrom < 0 || second < noisyFrom - 1 || second > noisyTo + 2)
                QVERIFY2(quality.analysable(), qPrintable(QString::number(second)));
            else if (second >= noisyFrom && second <= noisyTo)
                QVERIFY2(!quality.analysable(), qPrintable(QString::number(second)));
        }
        if (noisyFrom >= 0) {
            // The burst's beats are not to be trusted, those well after it are.
            QVERIFY(!quality.analysableAt(qint64(noisyTo) * 250));
            QVERIFY(quality.analysableAt(qint64(samples.size()) - 250));
        }
    }

    void fibrillationFeatures_data()
    {
        QTest::addColumn<std::vector<short>>("samples");
        QTest::addColumn<bool>("fibrillatory");
        QTest::newRow("flutter: sine at 4 Hz, 1 mV") << sine(4, 1, 4) << true;
        QTest::newRow("fibrillation: sine at 6 Hz, 0.5 mV") << sine(6, 0.5, 4) << true;
        QTest::newRow("too slow: sine at 1.5 Hz") << sine(1.5, 1, 4) << false;
        QTest::newRow("too small: sine at 5 Hz, 0.1 mV") << sine(5, 0.1, 4) << false;
        QTest::newRow("sinus rhythm at 180 bpm") << sinus(180, 4) << false;
        QTest::newRow("sinus rhythm at 70 bpm") << sinus(70, 4) << false;
        QTest::newRow("motion noise") << motionNoise(0.5, 4) << false;
    }

    void fibrillationFeatures()
    {
        QFETCH(std::vector<short>, samples);
        QFETCH(bool, fibrillatory);
        const FibrillationDetector::Features f = FibrillationDetector::analyse(samples.data(), int(samples.size()));
        QVERIFY2(f.fibrillatory() == fibrillatory,
                 qPrintable(QStringLiteral("peak %1 Hz, concentration %2, sharpness %3, range %4")
                                .arg(f.peakHz).arg(f.concentration).arg(f.sharpness).arg(f.rangeCounts)));
    }

    void fibrillationOnset()
    {
        // Twenty seconds of sinus rhythm, then a 5-Hz flutter: recognised within
        // six seconds of its onset, never before it, and gone once sinus returns.
        std::vector<short> samples = sinus(80, 20);
        const std::vector<short> flutter = sine(5, 1, 20);
        samples.insert(samples.end(), flutter.begin(), flutter.end());
        const std::vector<short> after = sinus(80, 20, 3);
        samples.insert(samples.end(), after.begin(), after.end());
        FibrillationDetector detector;
        int firstSecond = -1, lastSecond = -1;
        for (size_t n = 0; n < samples.size(); ++n) {
            detector.addSample(samples[n]);
            if (detector.fibrillation()) {
                if (firstSecond < 0)
                    firstSecond = int(n / 250);
                lastSecond = int(n / 250);
            }
        }
        QVERIFY2(firstSecond >= 20 && firstSecond <= 26, qPrintable(QString::number(firstSecond)));
        QVERIFY2(lastSecond >= 39 && lastSecond <= 44, qPrintable(QString::number(lastSecond)));
    }
};

QTEST_APPLESS_MAIN(TestEcgQuality)
#include "tst_ecgquality.moc"
