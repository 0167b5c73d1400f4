// The beat detector on hand-made QRS spikes, on the real reference record and
// on the synthetic ECG, whose beats must be found where they were drawn, at
// the rate asked for, with believable waves and disturbances, the same for
// the same seed.

#include "dsp/tbeatdetector.h"
#include "dsp/tsyntheticecg.h"
#include "../common/referencerecord.h"

#include <QtTest>

#include <cmath>
#include <algorithm>
#include <type_traits>
#include <functional>
#include <set>

namespace {

// Matches detected beats to reference beats (sample indexes, ascending), each
// to at most one reference within `tolerance` samples; beats before `from` or
// after `to` are left out (learning at the start, a half-seen beat at the
// end). The delay is the mean offset of the matched detections.
struct BeatScore { int delay = 0, truePositives = 0, falsePositives = 0, falseNegatives = 0; };

BeatScore scoreBeats(const std::vector<int> &detected, const std::vector<int> &reference, int from, int to,
                     int tolerance = 37)
{
    BeatScore score;
    std::set<int> unmatched;
    std::copy_if(reference.begin(), reference.end(), std::inserter(unmatched, unmatched.end()),
                 [=](int r) { return r >= from && r <= to; });
    double offsets = 0.0;
    for (int d : detected) {
        if (d < from || d > to)
            continue;
        const auto it = unmatched.lower_bound(d - tolerance);
        const bool matched = it != unmatched.end() && *it <= d + tolerance;
        if (matched) {
            offsets += d - *it;
            unmatched.erase(it);
        }
        matched ? ++score.truePositives : ++score.falsePositives;
    }
    score.falseNegatives = int(unmatched.size());
    score.delay = int(std::lround(offsets / std::max(1, score.truePositives)));
    return score;
}

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

std::vector<std::pair<int, int>> every(int period, int end, int height)
{
    std::vector<std::pair<int, int>> beats;
    for (int p = 100; p < end; p += period)
        beats.push_back({p, height});
    return beats;
}

struct Run
{
    std::vector<int> beats;      // returned beat indexes
    std::vector<int> reportedAt; // index of the sample whose feed returned each beat
    std::vector<int> rates;      // heart rate right after each beat
    std::vector<int> perSecond;  // heart rate at the end of each second
    int finalRate = 0;
};

// Station samples are scaled as they come in; others go to the detector as they are.
template <typename Sample>
Run detect(const std::vector<Sample> &signal)
{
    Run run;
    TBeatDetector detector;
    for (size_t i = 0; i < signal.size(); ++i) {
        const int beat = std::is_same<Sample, qint16>::value ? detector.feedStationSample(signal[i]) : detector.feed(signal[i]);
        if (beat >= 0) {
            run.beats.push_back(beat);
            run.reportedAt.push_back(int(i));
            run.rates.push_back(detector.heartRate());
        }
        if ((i + 1) % 250 == 0)
            run.perSecond.push_back(detector.heartRate());
    }
    run.finalRate = detector.heartRate();
    return run;
}

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

// Whether low <= value <= high, saying which value it was when not.
template <typename T, typename L, typename H>
bool between(T value, L low, H high)
{
    const bool inside = double(value) >= double(low) && double(value) <= double(high);
    if (!inside)
        qWarning("%g is not within %g..%g", double(value), double(low), double(high));
    return inside;
}

double mV(double counts)
{
    return counts / TSyntheticEcg::CountsPerMillivolt;
}

} // namespace

class TestBeats : public QObject
{
    Q_OBJECT

private slots:
    void flatSignalNeverBeats()
    {
        for (int level : {0, 3000, -3000}) {
            const Run run = detect(std::vector<int>(60 * 250, level));
            QCOMPARE(run.beats.size(), size_t(0));
            QCOMPARE(run.finalRate, 0);
        }
    }

    void regularRhythm()
    {
        // samples between beats, and the heart rate they give
        const std::pair<int, int> rhythms[] = {{250, 60}, {240, 62}, {200, 75}, {150, 100}, {100, 150}};
        for (auto [period, rate] : rhythms) {
            // Between the spikes, where the refractory time allows, a wave a
            // fifth as high that the threshold learned must leave alone.
            std::vector<std::pair<int, int>> marks = every(period, 30 * 250 - 200, 200);
            for (size_t i = 0, n = period >= 150 ? marks.size() : 0; i < n; ++i)
                marks.push_back({marks[i].first + period / 2, 40});
            const Run run = detect(spikes(30 * 250, marks));
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
            // One beat gives no interval yet; then the mean of the intervals held.
            QCOMPARE((std::vector<int>{run.rates[0], run.rates[1], run.finalRate}), (std::vector<int>{0, 15000 / period, rate}));
        }
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
        const ReferenceData data = readSharedDataFile(QStringLiteral("mitdb100-v5.dat"));
        REQUIRE_REFERENCE_DATA(data);
        const ReferenceData beats = readSharedDataFile(QStringLiteral("mitdb100-v5.beats"));
        REQUIRE_REFERENCE_DATA(beats);
        std::vector<int> reference;
        for (const QByteArray &line : beats.bytes.split('\n'))
            if (!line.trimmed().isEmpty())
                reference.push_back(line.toInt());
        std::vector<qint16> samples(size_t(data.bytes.size() / 2));
        memcpy(samples.data(), data.bytes.constData(), samples.size() * 2);
        const Run run = detect(samples);
        QVERIFY(std::adjacent_find(run.beats.begin(), run.beats.end(), std::greater_equal<int>()) == run.beats.end());
        const BeatScore score = scoreBeats(run.beats, reference, 10 * 250, int(samples.size()) - 100);
        // The beat index names the R wave itself; all but two beats are
        // found, and nothing else.
        QVERIFY(std::abs(score.delay) <= 3);
        QVERIFY(score.truePositives > 2250);
        QCOMPARE(score.falsePositives, 0);
        QVERIFY(score.falseNegatives <= 2);
        QVERIFY(between(run.finalRate, 40, 120));
    }

    void detectorFollowsTheSyntheticCourse()
    {
        // Clean, then with baseline wander, mains hum and muscle noise.
        for (bool disturbances : {false, true}) {
            TSyntheticEcg generator(disturbed(1, disturbances, disturbances, disturbances));
            const std::vector<double> rates = course({{60, 60.0}, {60, 120.0}, {60, 80.0}});
            const std::vector<qint16> samples = generator.generate(rates);
            QCOMPARE(samples.size(), size_t(180 * 250));
            const Run run = detect(samples);
            const BeatScore score = scoreBeats(run.beats, generator.beatPositions(), 5 * 250, int(samples.size()) - 100, 10);
            QVERIFY2(score.falsePositives + score.falseNegatives <= 1,
                     qPrintable(QStringLiteral("FP %1 FN %2").arg(score.falsePositives).arg(score.falseNegatives)));
            QVERIFY(std::abs(score.delay) <= 4);
            // Ten seconds after each change the detected rate is within 8% of the course.
            for (int second : {20, 40, 59, 80, 100, 119, 140, 160, 179})
                QVERIFY2(std::abs(run.perSecond[size_t(second)] - rates[size_t(second)]) <= 0.08 * rates[size_t(second)],
                         qPrintable(QStringLiteral("second %1: %2 bpm").arg(second).arg(run.perSecond[size_t(second)])));
        }
    }

    void wavesAndBeatToBeatVariation()
    {
        TSyntheticEcg generator;
        const std::vector<qint16> samples = generator.generate(course({{120, 75.0}}));
        const std::vector<int> &beats = generator.beatPositions();
        QVERIFY(between(beats.size(), 147, 153));
        double sum = 0.0, squares = 0.0;
        for (size_t k = 1; k < beats.size(); ++k) {
            const double rr = beats[k] - beats[k - 1];
            QVERIFY(between(rr, 0.85 * 200, 1.15 * 200));
            sum += rr;
            squares += rr * rr;
            // The R wave is the largest sample of its beat, 1 to 1.5 mV, with
            // Q and S dips before and after and a positive T wave 200-350 ms later.
            const int r = beats[k];
            if (r > int(samples.size()) - 100)
                continue;
            QVERIFY(between(mV(samples[size_t(r)]), 0.95, 1.55));
            int low = 0, tPeak = 0;
            for (int i = r - 100; i <= r + 100; ++i) {
                QVERIFY(samples[size_t(i)] <= samples[size_t(r)]);
                low = std::min<int>(low, samples[size_t(i)]);
                if (i >= r + 50 && i <= r + 88)
                    tPeak = std::max<int>(tPeak, samples[size_t(i)]);
            }
            QVERIFY(between(mV(low), -0.5, -0.1));
            QVERIFY(between(mV(tPeak), 0.15, 0.5));
        }
        const double n = double(beats.size() - 1), mean = sum / n, spread = std::sqrt(squares / n - mean * mean);
        QVERIFY(std::abs(mean - 200.0) < 4.0);
        QVERIFY(between(spread, 0.01 * mean, 0.06 * mean));
    }

    void disturbancesAddOnlyThemselves()
    {
        // Each one alone, as the difference to the clean signal: mains hum is
        // small, wander larger, muscle noise in between.
        const std::vector<double> rates = course({{40, 72.0}});
        const std::vector<qint16> clean = TSyntheticEcg().generate(rates);
        const struct { TSyntheticEcgOptions options; double low, high; } cases[] = {
            {disturbed(1, false, true, false), 0.05, 0.12}, {disturbed(1, true, false, false), 0.1, 0.4},
            {disturbed(1, false, false, true), 0.02, 0.2}};
        for (const auto &c : cases) {
            const std::vector<qint16> noisy = TSyntheticEcg(c.options).generate(rates);
            double peak = 0.0;
            for (size_t i = 0; i < clean.size(); ++i)
                peak = std::max(peak, std::abs(mV(noisy[i] - clean[i])));
            QVERIFY(between(peak, c.low, c.high));
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
        QVERIFY(between(first.beatPositions().size(), 15, 18));
        first.generate(std::vector<double>(10, std::nan("")));
        QVERIFY(between(first.beatPositions().size(), 9, 11));
    }
};

QTEST_MAIN(TestBeats)
#include "tst_beats.moc"
