// The rhythm judgement: interval features and the decision on RR series
// worked out by hand, the stretch coherence, the analyser on synthetic
// traces with and without P waves, and a reference record with atrial
// fibrillation when the shared data is present.

#include "dsp/rhythmstatistics.h"
#include "dsp/trhythmanalyser.h"

#include "../common/referencerecord.h"

#include <QtTest>

#include <cmath>
#include <random>

namespace {

constexpr int Rate = 250;

// Intervals (samples) for the rhythms of the tables: 30 of each.
std::vector<int> series(const QString &kind)
{
    std::vector<int> rr;
    std::mt19937 random(7);
    std::uniform_int_distribution<int> irregular(110, 260);   // 440-1040 ms
    for (int i = 0; i < 30; ++i) {
        if (kind == "regular")
            rr.push_back(200);
        else if (kind == "sinus arrhythmia")   // 800 ms +-8 % with breathing, 8 beats a breath
            rr.push_back(200 + int(std::lround(16 * std::sin(2 * M_PI * i / 8.0))));
        else if (kind == "fast sinus arrhythmia")   // +-10 %, 5 beats a breath: irregular by intervals alone
            rr.push_back(200 + int(std::lround(20 * std::sin(2 * M_PI * i / 5.0))));
        else if (kind == "accelerating")       // 800 ms to 450 ms over 30 beats
            rr.push_back(200 - 3 * i);
        else if (kind == "bigeminy")           // premature 440 ms, then 1000 ms
            rr.push_back(i % 2 ? 110 : 250);
        else if (kind == "trigeminy")
            rr.push_back(i % 3 == 2 ? 120 : (i % 3 == 0 ? 260 : 200));
        else if (kind == "frequent PACs")      // one beat in four early by 40 %
            rr.push_back(i % 4 == 3 ? 120 : (i % 4 == 0 ? 240 : 200));
        else if (kind == "PACs")               // one beat in eight early
            rr.push_back(i % 8 == 7 ? 120 : (i % 8 == 0 ? 240 : 200));
        else if (kind == "irregularly irregular")
            rr.push_back(irregular(random));
    }
    return rr;
}

// A trace of raw station counts with a narrow QRS at each centre, a P wave
// 180 ms before it when `pWaves`, and a fibrillating baseline otherwise.
std::vector<int> trace(const std::vector<qint64> &centres, bool pWaves, qint64 length)
{
    std::vector<int> samples(std::size_t(length), 0);
    std::mt19937 random(3);
    std::normal_distribution<double> jitter(0.0, 1.0);
    double phase = 0.0;
    for (qint64 n = 0; !pWaves && n < length; ++n) {
        phase += 2 * M_PI * (6.0 + jitter(random)) / Rate;   // about 6 Hz, wandering
        samples[std::size_t(n)] = int(std::lround(8 * std::sin(phase)));
    }
    for (qint64 c : centres) {
        for (int k = -60; k <= 12; ++k) {
            const qint64 n = c + k;
            if (n < 0 || n >= length)
                continue;
            double v = 60.0 * std::exp(-double(k * k) / (2 * 3.0 * 3.0));
            if (pWaves)
                v += 6.0 * std::exp(-double((k + 45) * (k + 45)) / (2 * 7.0 * 7.0));
            samples[std::size_t(n)] += int(std::lround(v));
        }
    }
    return samples;
}

std::vector<qint64> centresOf(const std::vector<int> &intervals, qint64 first = 250)
{
    std::vector<qint64> centres{first};
    for (int rr : intervals)
        centres.push_back(centres.back() + rr);
    return centres;
}

// Feeds the trace sample by sample and each beat 120 samples after its
// centre, as the classifier hands them on; returns every episode.
std::vector<RhythmEpisode> analyse(const std::vector<int> &samples, const std::vector<qint64> &centres,
                                   const QString &labels = QString())
{
    TRhythmAnalyser analyser;
    std::vector<RhythmEpisode> episodes;
    std::size_t next = 0;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        analyser.addSample(samples[n]);
        while (next < centres.size() && centres[next] + 120 <= qint64(n)) {
            const BeatLabel label = next < std::size_t(labels.size()) ? BeatLabel(labels[int(next)].toLatin1())
                                                                      : BeatLabel::Normal;
            analyser.addBeat(centres[next++], label);
        }
    }
    analyser.finish(qint64(samples.size()));
    RhythmEpisode e;
    while (analyser.takeEpisode(e))
        episodes.push_back(e);
    return episodes;
}

qint64 secondsOf(const std::vector<RhythmEpisode> &episodes, RhythmLabel label)
{
    qint64 total = 0;
    for (const RhythmEpisode &e : episodes)
        total += e.label == label ? e.end - e.start : 0;
    return total;
}

} // namespace

class TestRhythm : public QObject
{
    Q_OBJECT

private slots:
    // Successive differences ignore a changing rate, the longer lags see
    // through regular patterns, the median through isolated early beats.
    void intervalFeatures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<double>("lowest");
        QTest::addColumn<double>("highest");
        QTest::newRow("regular") << "regular" << 0.0 << 0.0;
        QTest::newRow("sinus arrhythmia") << "sinus arrhythmia" << 0.0 << 0.06;
        QTest::newRow("accelerating exercise rate") << "accelerating" << 0.0 << 0.03;
        QTest::newRow("bigeminy") << "bigeminy" << 0.0 << 0.0;
        QTest::newRow("trigeminy") << "trigeminy" << 0.0 << 0.0;
        QTest::newRow("PACs, one in eight") << "PACs" << 0.0 << 0.0;
        // These two look irregular by their intervals alone: only their P
        // waves tell them from fibrillation.
        QTest::newRow("fast sinus arrhythmia") << "fast sinus arrhythmia" << 0.09 << 0.1;
        QTest::newRow("PACs, one in four") << "frequent PACs" << 0.2 << 0.2;
        QTest::newRow("irregularly irregular") << "irregularly irregular" << 0.15 << 1.0;
    }
    void intervalFeatures()
    {
        QFETCH(QString, kind);
        QFETCH(double, lowest);
        QFETCH(double, highest);
        const RhythmFeatures f = rhythmIntervalFeatures(series(kind));
        QCOMPARE(f.intervals, 30);
        QVERIFY2(f.irregularity >= lowest && f.irregularity <= highest, qPrintable(QString::number(f.irregularity)));
    }

    void featuresByHand()
    {
        // Median 200; successive differences 0,0,100,100,0 -> median 0 at lag 1,
        // mean 40 (0.2 of the median). Mean 183.3, deviation 37.3 (0.2033).
        RhythmFeatures f = rhythmIntervalFeatures({200, 200, 200, 100, 200, 200});
        QCOMPARE(f.medianInterval, 200.0);
        QCOMPARE(f.irregularity, 0.0);
        QCOMPARE(f.successive, 0.2);
        QVERIFY(std::abs(f.spread - std::sqrt(50000.0 / 36) / (1100.0 / 6)) < 1e-9);
        // Entropy: of the pairs of starting positions 0..4, those whose
        // intervals match (within 12) are the 6 among 0, 1, 2, 4; (0, 1), (0, 4)
        // and (1, 4) also match on the next: -log((3 + 1) / (6 + 2)) = log 2.
        QVERIFY(std::abs(f.entropy - std::log(2.0)) < 1e-9);
        // Breaks are skipped and never differenced: 150, 250, 150, 250 around them.
        f = rhythmIntervalFeatures({150, 0, 250, 150, 0, 250, 150, 250});
        QCOMPARE(f.intervals, 6);
        QCOMPARE(f.medianInterval, 200.0);
        QCOMPARE(f.successive, 0.5);
        // Extra detections: short intervals in a slow rhythm.
        f = rhythmIntervalFeatures({70, 180, 250, 250, 250, 250, 250, 250, 250, 250});
        QCOMPARE(f.shortShare, 0.1);
        QCOMPARE(rhythmIntervalFeatures({}).intervals, 0);
    }

    // Scores worked by hand from the weights: -5.36 + 1.72 ln(successive +
    // 0.01) + 1.76 entropy - 8.1 spread - 1.2 ln(atrial + 0.02) - 2.86
    // ln(median / 200) + 6.28 qrs, and 1 more when irregular without P waves;
    // every row has entropy 1.5, spread 0.15 and a median of 150 samples.
    void decision_data()
    {
        // intervals, irregularity, successive, atrial coherence, QRS coherence, short share
        QTest::addColumn<QVector<double>>("features");
        QTest::addColumn<double>("score");
        QTest::addColumn<char>("label");
        QTest::newRow("irregular, no P wave") << QVector<double>{20, 0.2, 0.25, 0.05, 0.9, 0} << 4.414 << 'A';
        QTest::newRow("irregular with P waves") << QVector<double>{20, 0.2, 0.25, 0.8, 0.9, 0} << 0.461 << 'S';
        QTest::newRow("very irregular, clear P waves") << QVector<double>{20, 0.3, 0.5, 0.75, 1.0, 0} << 2.323 << 'S';
        QTest::newRow("regular, no P wave") << QVector<double>{20, 0.01, 0.02, 0.05, 0.9, 0} << -0.3 << 'S';
        QTest::newRow("too few intervals") << QVector<double>{5, 0.2, 0.25, 0.05, 0.9, 0} << 4.414 << 'U';
        QTest::newRow("unlike QRS complexes") << QVector<double>{20, 0.2, 0.25, 0.05, 0.1, 0} << -0.61 << 'U';
        QTest::newRow("extra detections") << QVector<double>{20, 0.2, 0.25, 0.05, 0.9, 0.2} << 4.414 << 'U';
    }
    void decision()
    {
        QFETCH(QVector<double>, features);
        QFETCH(double, score);
        QFETCH(char, label);
        RhythmFeatures f;
        f.intervals = int(features[0]);
        f.medianInterval = 150;   // 100 beats a minute
        f.irregularity = features[1];
        f.successive = features[2];
        f.entropy = 1.5;
        f.spread = 0.15;
        f.atrialCoherence = features[3];
        f.atrialStretches = 20;
        f.qrsCoherence = features[4];
        f.shortShare = features[5];
        QVERIFY2(std::abs(fibrillationScore(f) - score) < 0.005, qPrintable(QString::number(fibrillationScore(f))));
        QCOMPARE(char(decideRhythm(f)), label);
    }

    void coherence()
    {
        const std::vector<double> wave{-2, -1, 0, 3, 0, -1, 1};
        std::vector<double> opposite;
        for (double v : wave)
            opposite.push_back(-v);
        QCOMPARE(atrialCoherence({wave, wave, wave}), 1.0);
        QCOMPARE(atrialCoherence({wave, opposite}), 0.0);
        QCOMPARE(atrialCoherence({}), 1.0);
        QCOMPARE(atrialCoherence({{0, 0, 0}}), 1.0);   // a flat stretch says nothing
    }

    void names()
    {
        RhythmLabel read = RhythmLabel::Other;
        for (RhythmLabel l : {RhythmLabel::AtrialFibrillation, RhythmLabel::Other, RhythmLabel::Unanalysable}) {
            QVERIFY(rhythmLabelFromName(QString::fromLatin1(rhythmLabelName(l)), read));
            QCOMPARE(read, l);
        }
        QVERIFY(!rhythmLabelFromName(QStringLiteral("af"), read));
    }

    // Sinus rhythm, then 60 s of irregular beats without P waves, then sinus
    // again: one AF episode, placed within a window of the true change.
    void analyserEpisodes()
    {
        std::vector<int> rr(60, 200);
        std::mt19937 random(11);
        std::uniform_int_distribution<int> irregular(110, 260);
        qint64 afStart = 250 + 60 * 200, afEnd = afStart;
        while (afEnd < afStart + 60 * Rate) {
            rr.push_back(irregular(random));
            afEnd += rr.back();
        }
        for (int i = 0; i < 60; ++i)
            rr.push_back(200);
        const std::vector<qint64> centres = centresOf(rr);
        const qint64 length = centres.back() + 250;
        // P waves before the sinus beats only.
        std::vector<int> sinus = trace(centres, true, length);
        const std::vector<int> fibrillating = trace(centres, false, length);
        for (qint64 n = afStart - 100; n < afEnd - 100; ++n)
            sinus[std::size_t(n)] = fibrillating[std::size_t(n)];
        const std::vector<RhythmEpisode> episodes = analyse(sinus, centres);

        QCOMPARE(int(episodes.size()), 3);
        QCOMPARE(episodes[0].label, RhythmLabel::Other);
        QCOMPARE(episodes[0].start, qint64(0));
        QCOMPARE(episodes[1].label, RhythmLabel::AtrialFibrillation);
        QCOMPARE(episodes[2].label, RhythmLabel::Other);
        QCOMPARE(episodes[2].end, length);
        const qint64 slack = 15 * Rate;   // half a window of beats either way
        QVERIFY(std::abs(episodes[1].start - afStart) < slack);
        QVERIFY(std::abs(episodes[1].end - afEnd) < slack);
        for (std::size_t i = 1; i < episodes.size(); ++i)
            QCOMPARE(episodes[i].start, episodes[i - 1].end);
    }

    // The irregularities that are not fibrillation, each with its P waves.
    // Ventricular bigeminy leaves no intervals between supraventricular
    // beats: ectopy, not an unreadable trace.
    void analyserNotFibrillation_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("labels");   // repeated over the beats; N when empty
        QTest::newRow("sinus arrhythmia") << "sinus arrhythmia" << "";
        QTest::newRow("fast sinus arrhythmia") << "fast sinus arrhythmia" << "";
        QTest::newRow("accelerating") << "accelerating" << "";
        QTest::newRow("frequent PACs") << "frequent PACs" << "";
        QTest::newRow("irregular with P waves") << "irregularly irregular" << "";
        QTest::newRow("ventricular bigeminy") << "bigeminy" << "NV";
    }
    void analyserNotFibrillation()
    {
        QFETCH(QString, kind);
        QFETCH(QString, labels);
        std::vector<int> rr;
        for (int i = 0; i < 3; ++i)
            for (int v : series(kind))
                rr.push_back(v);
        const std::vector<qint64> centres = centresOf(rr);
        const qint64 length = centres.back() + 250;
        const std::vector<RhythmEpisode> episodes
            = analyse(trace(centres, true, length), centres, labels.repeated(int(centres.size())));
        QCOMPARE(secondsOf(episodes, RhythmLabel::AtrialFibrillation), qint64(0));
        QCOMPARE(secondsOf(episodes, RhythmLabel::Unanalysable), qint64(0));
        QVERIFY(secondsOf(episodes, RhythmLabel::Other) > length / 2);
    }

    void tooShortToJudge()
    {
        const std::vector<qint64> centres = centresOf({200, 200, 200});
        const std::vector<RhythmEpisode> episodes = analyse(trace(centres, true, 1500), centres);
        QCOMPARE(int(episodes.size()), 1);
        QCOMPARE(episodes[0].label, RhythmLabel::Unanalysable);
        QCOMPARE(episodes[0].end, qint64(1500));
        QVERIFY(rhythmEpisodes({}).size() == 0);
    }

    // Burden over the judged time only; the rate over the AF seconds that have one.
    void figures()
    {
        const QVector<RhythmEpisode> episodes{{0, 2500, RhythmLabel::Other},
                                              {2500, 5000, RhythmLabel::AtrialFibrillation},
                                              {5000, 7500, RhythmLabel::Unanalysable},
                                              {7500, 15000, RhythmLabel::AtrialFibrillation},
                                              {15000, 17500, RhythmLabel::Other}};
        QVector<int> hr(70, 70);
        for (int s = 10; s < 20; ++s)
            hr[s] = 120;
        hr[12] = 0;   // no rate that second
        for (int s = 30; s < 60; ++s)
            hr[s] = 100;
        const AfFigures f = afFigures(episodes, hr);
        QCOMPARE(f.analysedSamples, qint64(15000));
        QCOMPARE(f.afSamples, qint64(10000));
        QCOMPARE(f.burdenPercent, 100.0 * 2 / 3);
        QCOMPARE(f.episodes, 2);
        QCOMPARE(f.longestSamples, qint64(7500));
        QCOMPARE(f.firstOnset, qint64(2500));
        QCOMPARE(f.meanRateInAf, (9 * 120 + 30 * 100 + 19) / 39);

        const AfFigures none = afFigures({{0, 2500, RhythmLabel::Unanalysable}}, hr);
        QCOMPARE(none.analysedSamples, qint64(0));
        QCOMPARE(none.burdenPercent, 0.0);
        QCOMPARE(none.firstOnset, qint64(-1));
        QCOMPARE(none.meanRateInAf, 0);

        const QVector<int> trend = afTrend(episodes, 62);
        QCOMPARE(trend.size(), 62);
        QCOMPARE(std::count(trend.begin(), trend.end(), 1), 40);
        const QVector<int> edges{trend[9], trend[10], trend[19], trend[20], trend[30], trend[59], trend[60]};
        QCOMPARE(edges, (QVector<int>{0, 1, 1, 0, 1, 1, 0}));
    }

    // Record 201 opens with six minutes of atrial fibrillation.
    void referenceRecord()
    {
        const ReferenceData record = readReferenceRecord(QStringLiteral("mitdb201"), 420);
        REQUIRE_REFERENCE_DATA(record);
        const QByteArray &bytes = record.bytes;
        std::vector<qint16> samples(std::size_t(bytes.size() / 2));
        memcpy(samples.data(), bytes.constData(), samples.size() * 2);
        const std::vector<RhythmEpisode> episodes = rhythmEpisodes(samples);
        qint64 af = 0;
        for (const RhythmEpisode &e : episodes)
            if (e.label == RhythmLabel::AtrialFibrillation)
                af += std::max<qint64>(0, std::min<qint64>(e.end, 378 * Rate) - e.start);
        QVERIFY2(af > 340 * Rate, qPrintable(QString::number(af / Rate)));
    }
};

QTEST_GUILESS_MAIN(TestRhythm)
#include "tst_rhythm.moc"
