// Beat classification: the shape measures and the decision rules on values
// worked out by hand, the classifier on drawn beats (a wide premature beat
// with a compensatory pause, a narrow premature beat, noisy beats), the
// ventricular-beat scoring used here, the companion's `detect --classify` on
// a synthetic ECG, and the gross figures over all reference records, clean
// and with recorded electrode-motion noise, scored beat by beat.

#include "dsp/tbeatclassifier.h"
#include "dsp/tbeatdetector.h"
#include "dsp/tbeatmorphology.h"
#include "dsp/tsyntheticecg.h"
#include "../common/referencerecord.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

Q_DECLARE_METATYPE(TBeatEvidence)
Q_DECLARE_METATYPE(BeatLabel)

namespace {

using Beats = std::vector<std::pair<int, char>>;   // sample index, class or label

struct VentricularScore
{
    int truePositive = 0, falseNegative = 0, falsePositive = 0;
    void operator+=(const VentricularScore &s)
    {
        truePositive += s.truePositive, falseNegative += s.falseNegative, falsePositive += s.falsePositive;
    }
    double sensitivity() const { return 100.0 * truePositive / std::max(1, truePositive + falseNegative); }
    double predictivity() const { return 100.0 * truePositive / std::max(1, truePositive + falsePositive); }
};

// Beat-by-beat ventricular scoring: a test beat matches the reference beat
// within 150 ms (37 samples) that is nearest to it and has no nearer test
// beat; beats before `from` (the learning period) are not counted. A missed
// V or a V labelled otherwise is a false negative; a V given to a normal or
// supraventricular beat, or to no beat at all, is a false positive (on fusion
// and unclassifiable reference beats it is neither).
VentricularScore scoreVentricular(const Beats &reference, const Beats &test, int from)
{
    VentricularScore s;
    auto nearest = [](const Beats &beats, size_t i, int at) {
        return i < beats.size() && std::abs(beats[i].first - at) <= 37
            && (i + 1 >= beats.size() || std::abs(beats[i].first - at) <= std::abs(beats[i + 1].first - at));
    };
    size_t r = 0, t = 0;
    while (r < reference.size() || t < test.size()) {
        const bool refFirst = t >= test.size() || (r < reference.size() && reference[r].first <= test[t].first);
        const bool matched = refFirst ? nearest(test, t, reference[r].first) : nearest(reference, r, test[t].first);
        const int at = refFirst || matched ? reference[r].first : test[t].first;
        const char truth = refFirst || matched ? reference[r++].second : 'O';
        const char label = !refFirst || matched ? test[t++].second : 'O';
        if (at < from)
            continue;
        s.truePositive += truth == 'V' && label == 'V';
        s.falseNegative += truth == 'V' && label != 'V';
        s.falsePositive += label == 'V' && (truth == 'N' || truth == 'S' || truth == 'O');
    }
    return s;
}

constexpr int LearningPeriod = 5 * 60 * 250;   // not scored

std::vector<qint16> toSamples(const QByteArray &bytes)
{
    std::vector<qint16> samples(size_t(bytes.size() / 2));
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    for (size_t i = 0; i < samples.size(); ++i)
        samples[i] = qint16(p[2 * i] | (p[2 * i + 1] << 8));
    return samples;
}

// The electrode-motion noise record; empty when absent.
std::vector<qint16> electrodeMotionNoise()
{
    const QString archive = QStringLiteral(CARDIOLANE_SHARED_DATA "/alarms/noise/noise.tar.xz");
    if (!QFile::exists(archive) || QStandardPaths::findExecutable("tar").isEmpty())
        return {};
    QProcess tar;
    tar.start(QStringLiteral("tar"), {QStringLiteral("-xJOf"), archive, QStringLiteral("em1.dat")});
    if (!tar.waitForFinished(60000) || tar.exitCode() != 0)
        return {};
    return toSamples(tar.readAllStandardOutput());
}

// The noise stress recipe: noise scaled so that the signal power (the
// median QRS peak-to-peak amplitude A, as A^2 / 8) over the noise power
// (each second's mean taken off, so that slow wander does not count) is
// `snr` dB, added from minute 5 on in 2-minute blocks every other 2 minutes.
std::vector<qint16> withNoise(const std::vector<qint16> &ecg, const Beats &beats, const std::vector<qint16> &noise, double snr)
{
    std::vector<double> amplitudes;
    for (const auto &beat : beats) {
        if (beat.first < 15 || beat.first + 15 >= int(ecg.size()))
            continue;
        const auto [low, high] = std::minmax_element(ecg.begin() + beat.first - 15, ecg.begin() + beat.first + 15);
        amplitudes.push_back(double(*high) - double(*low));
    }
    std::nth_element(amplitudes.begin(), amplitudes.begin() + std::ptrdiff_t(amplitudes.size() / 2), amplitudes.end());
    const double amplitude = amplitudes.empty() ? 0.0 : amplitudes[amplitudes.size() / 2];
    constexpr int Second = 250, Block = 120 * Second;
    const auto noisy = [](int i) { return i >= 5 * 60 * Second && (i - 5 * 60 * Second) % (2 * Block) < Block; };
    double power = 0.0;
    long counted = 0;
    for (int from = 0; from < int(ecg.size()); from += Second) {
        const int to = std::min(from + Second, int(ecg.size()));
        if (!noisy(from))
            continue;
        double sum = 0.0, squares = 0.0;
        for (int i = from; i < to; ++i) {
            const double v = noise[size_t(i) % noise.size()];
            sum += v, squares += v * v;
        }
        power += squares - sum * sum / (to - from);
        counted += to - from;
    }
    const double gain = counted > 0 && power > 0.0
        ? std::sqrt(amplitude * amplitude / 8.0 / (power / double(counted)) / std::pow(10.0, snr / 10.0)) : 0.0;
    std::vector<qint16> out(ecg);
    for (int i = 0; i < int(out.size()); ++i)
        if (noisy(i))
            out[size_t(i)] = qint16(std::clamp(std::lround(ecg[size_t(i)] + gain * noise[size_t(i) % noise.size()]), -32768L, 32767L));
    return out;
}

// Beats inside ventricular flutter episodes (between "[" and "]" in the
// reference) left out of both, as the scorer does.
void leaveOutFlutter(Beats &reference, Beats &test)
{
    std::vector<std::pair<int, int>> episodes;
    for (const auto &beat : reference) {
        if (beat.second == '[')
            episodes.emplace_back(beat.first, std::numeric_limits<int>::max());
        else if (beat.second == ']' && !episodes.empty())
            episodes.back().second = beat.first;
    }
    const auto inside = [&episodes](const std::pair<int, char> &beat) {
        return beat.second == '[' || beat.second == ']'
            || std::any_of(episodes.begin(), episodes.end(), [&beat](const auto &e) { return beat.first >= e.first && beat.first <= e.second; });
    };
    reference.erase(std::remove_if(reference.begin(), reference.end(), inside), reference.end());
    test.erase(std::remove_if(test.begin(), test.end(), inside), test.end());
}

// The beats of a record with their labels, as `detect --classify` gives them.
Beats labelBeats(const std::vector<qint16> &samples)
{
    Beats beats;
    TBeatDetector detector;
    TBeatClassifier classifier;
    TBeatDecision d;
    for (qint16 sample : samples) {
        bool decided = classifier.addSample(sample);
        const int beat = detector.feedStationSample(sample);
        if (beat >= 0)
            decided = classifier.addBeat(beat);
        while (decided && classifier.takeDecision(d))
            beats.emplace_back(d.index, beatLabelLetter(d.label));
    }
    classifier.finish();
    while (classifier.takeDecision(d))
        beats.emplace_back(d.index, beatLabelLetter(d.label));
    return beats;
}

// A beat drawn as Gaussian waves (offset from the R peak and width in
// samples, height in counts: about 43 counts per millivolt).
struct Wave { double at, width, height; };
const std::vector<Wave> NormalBeat{{-40, 6, 6}, {-6, 2, -8}, {0, 2.5, 45}, {6, 2.5, -12}, {62, 11, 10}};
const std::vector<Wave> VentricularBeat{{0, 7, 60}, {16, 7, -25}, {70, 15, -25}};

void draw(std::vector<double> &signal, int at, const std::vector<Wave> &waves)
{
    for (int i = std::max(0, at - 100); i < std::min(int(signal.size()), at + 150); ++i)
        for (const Wave &w : waves)
            signal[size_t(i)] += w.height * std::exp(-0.5 * std::pow((i - at - w.at) / w.width, 2));
}

} // namespace

class TestEctopy : public QObject
{
    Q_OBJECT

    static QByteArray cli(const QStringList &arguments)
    {
        QProcess process;
        process.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), arguments);
        process.waitForFinished(120000);
        return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
    }

    static Beats readBeats(const QByteArray &text)
    {
        Beats beats;
        for (const QByteArray &line : text.split('\n')) {
            const QList<QByteArray> fields = line.simplified().split(' ');
            if (fields.size() == 2 && fields[1].size() == 1)
                beats.emplace_back(fields[0].toInt(), fields[1][0]);
        }
        return beats;
    }

    // Feeds the drawn signal and tells each beat 96 samples late, as the
    // detector would (and twice, which must be ignored); false if a decision
    // came more than 1.5 s after its beat.
    static bool classify(const std::vector<double> &signal, const std::vector<int> &beats, std::map<int, BeatLabel> &labels)
    {
        TBeatClassifier classifier;
        size_t next = 0;
        TBeatDecision d;
        for (int n = 0; n < int(signal.size()); ++n) {
            classifier.addSample(int(std::lround(signal[size_t(n)])));
            if (next < beats.size() && n == beats[next] + 96) {
                classifier.addBeat(beats[next++]);
                classifier.addBeat(beats[next - 1]);
            }
            while (classifier.takeDecision(d)) {
                if (n - d.index > TBeatClassifier::MaximumWait)
                    return false;
                labels[d.index] = d.label;
            }
        }
        return true;
    }

private slots:
    void morphology()
    {
        using namespace BeatMorphology;
        std::vector<int> mains(40);
        std::vector<float> triangle(101, 0.0f);
        for (int i = 0; i < 40; ++i)   // 50 Hz: five samples make a whole period
            mains[size_t(i)] = 7 + int(std::lround(10 * std::sin(2 * M_PI * 50 * i / 250.0)));
        for (int i = 40; i <= 60; ++i)
            triangle[size_t(i)] = 30.0f - 3.0f * float(std::abs(i - 50));   // 30 high, 10 samples either side
        std::vector<float> smoothed(40, -1.0f);
        smooth(mains.data(), smoothed, 2, 37);
        for (int i = 0; i < 40; ++i)
            QCOMPARE(smoothed[size_t(i)], i >= 2 && i < 37 ? 7.0f : -1.0f);
        QCOMPARE(qrsCentre(triangle, 20, 90), 50);
        QCOMPARE(steepWidth(triangle.data() + 20, 70), 10.0f);   // 2 * 30 / (2 * 3)
        std::vector<float> negated(triangle.size()), flat(triangle.size(), 4.0f);
        std::transform(triangle.begin(), triangle.end(), negated.begin(), [](float v) { return 5.0f - 2.0f * v; });
        QCOMPARE(correlation(triangle.data(), triangle.data(), 101), 1.0f);
        QCOMPARE(correlation(triangle.data(), negated.data(), 101), -1.0f);
        QCOMPARE(correlation(triangle.data(), flat.data(), 101), 0.0f);
        QCOMPARE(steepWidth(flat.data(), 101), 0.0f);   // no slope: no width, not infinity
        flat.back() = 12.0f;   // the only slope in the tail after the groups of four
        QCOMPARE(steepWidth(flat.data(), 101), 2.0f);
    }

    // The partial sums against sums in double on random traces far from
    // zero, over lengths that leave a tail after the last group of four.
    void sumsKeepPrecisionFarFromZero()
    {
        using namespace BeatMorphology;
        std::mt19937 random(3);
        std::uniform_real_distribution<float> wave(-300.0f, 300.0f);
        std::vector<float> x(140), t(63), centred(63);
        for (float &v : x)
            v = 4000.0f + wave(random);
        for (float &v : t)
            v = wave(random);
        float dots[LagCount];
        dotsAtLags(x.data() + 5, t.data(), 63, dots);
        for (int lag = 0; lag < LagCount; ++lag) {
            double slid = 0.0;
            for (int i = 0; i < 63; ++i)
                slid += double(x[size_t(5 + lag + i)]) * t[size_t(i)];
            QVERIFY(std::abs(dots[lag] - slid) < 1e-5 * std::abs(slid) + 1.0);
            double plain = 0.0, sa = 0.0, sb = 0.0, ab = 0.0, aa = 0.0, bb = 0.0;
            for (int i = 0; i < 61; ++i) {
                const double a = x[size_t(5 + lag + i)], b = t[size_t(i)];
                plain += a * b, sa += a, sb += b, ab += a * b, aa += a * a, bb += b * b;
            }
            QVERIFY(std::abs(dot(x.data() + 5 + lag, t.data(), 61) - plain) < 1e-5 * std::abs(plain) + 1.0);
            const double pearson = (ab - sa * sb / 61) / std::sqrt((aa - sa * sa / 61) * (bb - sb * sb / 61));
            QVERIFY(std::abs(correlation(x.data() + 5 + lag, t.data(), 61) - pearson) < 1e-5);
        }
        float low = x[10], high = x[10], steepest = 0.0f;
        double sum = 0.0, squares = 0.0;
        for (int i = 10; i < 73; ++i) {
            low = std::min(low, x[size_t(i)]), high = std::max(high, x[size_t(i)]), sum += x[size_t(i)];
            if (i > 10 && i < 72)
                steepest = std::max(steepest, std::abs(x[size_t(i + 1)] - x[size_t(i - 1)]));
        }
        for (int i = 10; i < 73; ++i)
            squares += (x[size_t(i)] - sum / 63) * (x[size_t(i)] - sum / 63);
        float amplitude = 0.0f;
        QCOMPARE(steepWidth(x.data() + 10, 63, &amplitude), 2.0f * (high - low) / steepest);
        QCOMPARE(amplitude, high - low);
        const TemplateMeasures m = measureTemplate(x.data() + 10, centred.data(), 63);
        QCOMPARE(m.steepWidth, 2.0f * (high - low) / steepest);
        QCOMPARE(m.amplitude, high - low);
        QVERIFY(std::abs(m.norm - std::sqrt(squares)) < 1e-4 * std::sqrt(squares));
        QVERIFY(std::abs(centred[62] - (x[72] - sum / 63)) < 1e-3);
        double about = 0.0, aboutSquares = 0.0;
        sumsAbout(x.data() + 10, 63, 4000.0f, about, aboutSquares);
        QVERIFY(std::abs(about - (sum - 63 * 4000.0)) < 1e-2);
        QVERIFY(std::abs(aboutSquares - (squares + (sum - 63 * 4000.0) * (sum - 63 * 4000.0) / 63)) < 1e-5 * aboutSquares);
    }

    void decisions_data()
    {
        QTest::addColumn<TBeatEvidence>("evidence");
        QTest::addColumn<BeatLabel>("label");
        auto row = [](const char *name, BeatLabel label, const std::function<void(TBeatEvidence &)> &set) {
            TBeatEvidence e;
            set(e);
            QTest::newRow(name) << e << label;
        };
        const BeatLabel N = BeatLabel::Normal, V = BeatLabel::Ventricular, Q = BeatLabel::Unclassified;
        row("like the normal beats", N, [](TBeatEvidence &) {});
        row("in the normal family", N, [](TBeatEvidence &e) { e.normalFamily = true, e.correlation = 0.3f, e.prematurity = 0.5f; });
        row("still learning", Q, [](TBeatEvidence &e) { e.learning = true; });
        row("noisy", Q, [](TBeatEvidence &e) { e.noise = 0.1f, e.widthRatio = 2, e.prematurity = 0.5f; });
        // Noise of 4% of the QRS amplitude: a premature, moderately wider
        // beat cannot be told from an artefact, a wide tall one can.
        row("wide premature, pause, in noise", Q, [](TBeatEvidence &e) { e.noise = 0.04f, e.correlation = 0.7f, e.widthRatio = 1.5f, e.prematurity = 0.55f, e.earliness = 0.6f; });
        row("wide and tall, in noise", V, [](TBeatEvidence &e) { e.noise = 0.05f, e.correlation = 0.5f, e.widthRatio = 1.8f, e.amplitudeRatio = 1.8f, e.prematurity = 0.55f, e.earliness = 0.6f; });
        row("known ventricular focus, in noise", V, [](TBeatEvidence &e) { e.noise = 0.05f, e.correlation = 0.7f, e.earliness = 0.8f, e.familyBeats = 10, e.familyVentricular = 8; });
        row("new morphology, in noise", Q, [](TBeatEvidence &e) { e.noise = 0.05f, e.correlation = 0.7f, e.earliness = 0.8f, e.familyBeats = 10, e.familyVentricular = 1; });
        row("wide and tall, in heavy noise", Q, [](TBeatEvidence &e) { e.noise = 0.07f, e.correlation = 0.5f, e.widthRatio = 1.8f, e.amplitudeRatio = 1.8f; });
        row("normal family, noise not measured", N, [](TBeatEvidence &e) { e.normalFamily = true, e.amplitudeRatio = 0.5f; });
        row("baseline jump", Q, [](TBeatEvidence &e) { e.baselineShift = 1.5f, e.correlation = 0.2f; });
        row("wide premature, pause", V, [](TBeatEvidence &e) { e.correlation = 0.7f, e.widthRatio = 1.5f, e.prematurity = 0.55f, e.earliness = 0.6f; });
        row("wide premature, rhythm reset", N, [](TBeatEvidence &e) { e.correlation = 0.7f, e.widthRatio = 1.5f, e.prematurity = 0.55f, e.earliness = 0.6f, e.compensation = 0.7f; });
        row("wide premature, pause, irregular rhythm", N, [](TBeatEvidence &e) { e.correlation = 0.7f, e.widthRatio = 1.5f, e.prematurity = 0.55f, e.earliness = 0.6f, e.rhythmSpread = 0.3f; });
        row("very early, aberrant", N, [](TBeatEvidence &e) { e.correlation = 0.75f, e.widthRatio = 1.7f, e.amplitudeRatio = 0.8f, e.prematurity = 0.5f, e.earliness = 0.4f; });
        row("narrow premature", N, [](TBeatEvidence &e) { e.correlation = 0.95f, e.prematurity = 0.6f, e.earliness = 0.6f; });
        row("different but late", N, [](TBeatEvidence &e) { e.correlation = 0.8f, e.prematurity = 0.6f, e.earliness = 1.1f; });
        row("wide bizarre on time", V, [](TBeatEvidence &e) { e.correlation = 0.5f, e.widthRatio = 1.8f, e.amplitudeRatio = 1.5f; });
        row("small, narrow and inverted, early", V, [](TBeatEvidence &e) { e.correlation = -0.5f, e.longCorrelation = -0.4f, e.amplitudeRatio = 0.4f, e.widthRatio = 0.8f, e.prematurity = 0.6f, e.earliness = 0.6f; });
        row("taller, premature, pause", V, [](TBeatEvidence &e) { e.correlation = 0.95f, e.widthRatio = 1.1f, e.amplitudeRatio = 1.4f, e.prematurity = 0.6f, e.earliness = 0.75f; });
        row("early, wider, smaller, same shape", N, [](TBeatEvidence &e) { e.correlation = 0.75f, e.longCorrelation = 0.7f, e.widthRatio = 1.6f, e.amplitudeRatio = 0.8f, e.prematurity = 0.5f, e.earliness = 0.48f; });
        row("early, wider, taller, same shape", V, [](TBeatEvidence &e) { e.correlation = 0.75f, e.longCorrelation = 0.7f, e.widthRatio = 1.6f, e.amplitudeRatio = 1.2f, e.prematurity = 0.5f, e.earliness = 0.48f; });
        row("small and narrow", N, [](TBeatEvidence &e) { e.correlation = 0.2f, e.amplitudeRatio = 0.4f, e.widthRatio = 0.8f, e.prematurity = 0.5f, e.earliness = 0.5f; });
        row("other normal conduction", N, [](TBeatEvidence &e) { e.correlation = 0.3f, e.earliness = 0.8f, e.familyBeats = 50; });
        row("known focus", V, [](TBeatEvidence &e) { e.correlation = 0.3f, e.familyBeats = 50, e.familyVentricular = 10; });
        row("run continues", V, [](TBeatEvidence &e) { e.correlation = 0.4f, e.earliness = 0.88f, e.afterVentricular = true; });
        row("slow run continues at the normal rate", V, [](TBeatEvidence &e) { e.correlation = 0.4f, e.earliness = 1.05f, e.afterVentricular = true; });
        row("after a ventricular beat, late", N, [](TBeatEvidence &e) { e.correlation = 0.4f, e.earliness = 1.2f, e.afterVentricular = true; });
        row("twice as wide and large, on time", V, [](TBeatEvidence &e) { e.correlation = 0.95f, e.widthRatio = 2.0f, e.amplitudeRatio = 2.0f; });
        row("wide but not large, on time", N, [](TBeatEvidence &e) { e.correlation = 0.95f, e.widthRatio = 2.0f, e.amplitudeRatio = 1.2f, e.familyBeats = 50; });
        row("inverted and wider, on time", V, [](TBeatEvidence &e) { e.correlation = -0.6f, e.longCorrelation = -0.6f, e.widthRatio = 1.3f; });
        row("inverted QRS only, on time", N, [](TBeatEvidence &e) { e.correlation = -0.6f, e.widthRatio = 1.3f, e.familyBeats = 50; });
    }

    void decisions()
    {
        QFETCH(TBeatEvidence, evidence);
        QFETCH(BeatLabel, label);
        QCOMPARE(judgeBeat(evidence), label);
    }

    // Normal beats every 800 ms, then one event beat, then normal beats
    // again; the classifier is told each beat 96 samples late, as the
    // detector would, and must decide within 1.5 s.
    void drawnBeats_data()
    {
        QTest::addColumn<bool>("wide");
        QTest::addColumn<int>("coupling");
        QTest::addColumn<int>("pause");
        QTest::addColumn<bool>("noisy");
        QTest::addColumn<BeatLabel>("label");
        QTest::newRow("wide premature, compensatory pause") << true << 120 << 280 << false << BeatLabel::Ventricular;
        QTest::newRow("narrow premature, rhythm reset") << false << 130 << 200 << false << BeatLabel::Normal;
        QTest::newRow("noisy beat on time") << false << 200 << 200 << true << BeatLabel::Unclassified;
        QTest::newRow("noisy premature beat, pause") << false << 120 << 280 << true << BeatLabel::Unclassified;
        QTest::newRow("wide premature beat in noise") << true << 120 << 280 << true << BeatLabel::Unclassified;
    }

    void drawnBeats()
    {
        QFETCH(bool, wide);
        QFETCH(int, coupling);
        QFETCH(int, pause);
        QFETCH(bool, noisy);
        QFETCH(BeatLabel, label);
        std::vector<int> beats;
        for (int i = 0; i < 40; ++i)
            beats.push_back(100 + 200 * i);
        const int event = beats.back() + coupling;
        beats.push_back(event);
        for (int i = 0; i < 8; ++i)
            beats.push_back(event + pause + 200 * i);
        std::vector<double> signal(size_t(beats.back() + 400), 0.0);
        for (int at : beats)
            draw(signal, at, at == event && wide ? VentricularBeat : NormalBeat);
        std::mt19937 random(7);
        for (int i = event - 100; noisy && i < event + 100; ++i)
            signal[size_t(i)] += double(random() % 41) - 20.0;

        std::map<int, BeatLabel> labels;
        QVERIFY(classify(signal, beats, labels));
        QCOMPARE(labels.size(), beats.size());   // the last one 1.5 s after it, without a next beat
        QCOMPARE(labels[beats.front()], BeatLabel::Unclassified);   // learning
        QCOMPARE(labels[event], label);
        QCOMPARE(labels[beats[38]], BeatLabel::Normal);
        QCOMPARE(labels[beats[45]], BeatLabel::Normal);
    }

    // A ventricular rhythm at the normal rate, longer than the fading memory
    // of the normal beats before it, must not become the normal conduction.
    void ventricularRhythmAtNormalRate()
    {
        std::vector<int> beats;
        for (int i = 0; i < 210; ++i)
            beats.push_back(100 + 200 * i);
        std::vector<double> signal(size_t(beats.back() + 400), 0.0);
        for (size_t i = 0; i < beats.size(); ++i)
            draw(signal, beats[i], i < 120 ? NormalBeat : VentricularBeat);
        std::map<int, BeatLabel> labels;
        QVERIFY(classify(signal, beats, labels));
        for (size_t i = 20; i < beats.size(); ++i)
            QCOMPARE(labels[beats[i]], i < 120 ? BeatLabel::Normal : BeatLabel::Ventricular);
    }

    // The patient's normal interval is the median of the last eight
    // intervals between beats that are not ventricular: irregular intervals,
    // each arriving where the previous eight put it at either end or in the
    // middle of the sorted ring, with repeated values.
    void normalIntervalIsTheRecentMedian()
    {
        const int intervals[] = {200, 240, 205, 235, 220, 220, 210, 245, 200, 230, 215, 240, 205,
                                 225, 220, 200, 245, 210, 235, 215, 230, 200, 240, 220, 205};
        std::vector<int> beats = {100};
        for (int rr : intervals)
            beats.push_back(beats.back() + rr);
        std::vector<double> signal(size_t(beats.back() + 400), 0.0);
        for (int beat : beats)
            draw(signal, beat, NormalBeat);
        TBeatClassifier classifier;
        TBeatDecision d;
        std::vector<int> recent;   // the intervals before the beat being decided, newest last
        size_t next = 0, decided = 0;
        for (int n = 0; n < int(signal.size()); ++n) {
            classifier.addSample(int(std::lround(signal[size_t(n)])));
            if (next < beats.size() && n == beats[next] + 96)
                classifier.addBeat(beats[next++]);
            while (classifier.takeDecision(d)) {
                QVERIFY(d.label != BeatLabel::Ventricular);
                std::vector<int> sorted(recent.end() - std::min<std::ptrdiff_t>(8, std::ptrdiff_t(recent.size())), recent.end());
                std::sort(sorted.begin(), sorted.end());
                QCOMPARE(d.normalRr, sorted.empty() ? 0 : sorted[sorted.size() / 2]);
                if (decided > 0)
                    recent.push_back(intervals[decided - 1]);
                ++decided;
            }
        }
        QCOMPARE(decided, beats.size());   // the last one 1.5 s after it, without a next beat
    }

    void companionLabelsEveryDetectedBeat()
    {
        QTemporaryDir dir;
        TSyntheticEcgOptions options;
        options.muscleNoise = true;
        const std::vector<qint16> samples = TSyntheticEcg(options).generate(std::vector<double>(60, 80.0));
        QFile file(dir.filePath("ecg.dat"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(reinterpret_cast<const char *>(samples.data()), qint64(samples.size() * 2));
        file.close();
        const QList<QByteArray> plain = cli({"detect", file.fileName()}).trimmed().split('\n');
        const Beats labelled = readBeats(cli({"detect", "--classify", file.fileName()}));
        QVERIFY(plain.size() > 70);
        QCOMPARE(int(labelled.size()), plain.size());
        for (size_t i = 0; i < labelled.size(); ++i) {
            QCOMPARE(QByteArray::number(labelled[i].first), plain[int(i)]);
            QCOMPARE(labelled[i].second, i < size_t(TBeatClassifier::LearningBeats) ? 'Q' : 'N');
        }
    }

    // Every reference record, clean and with recorded electrode-motion noise
    // added at 6 dB from minute 5 on in 2-minute blocks every other 2
    // minutes: floors on the gross figures over all records, so that no
    // single record carries the result.
    void referenceRecords()
    {
        const QStringList names = QDir(QStringLiteral(CARDIOLANE_SHARED_DATA "/ectopy"))
                                      .entryList({QStringLiteral("mitdb*.labels")}, QDir::Files, QDir::Name);
        if (names.isEmpty())
            QSKIP("reference ectopy records not available");
        const std::vector<qint16> noise = electrodeMotionNoise();
        VentricularScore clean, noisy;
        for (QString name : names) {
            name.chop(7);
            const ReferenceData record = readReferenceRecord(name), labels = readSharedDataFile("ectopy/" + name + ".labels");
            REQUIRE_REFERENCE_DATA(record);
            REQUIRE_REFERENCE_DATA(labels);
            const std::vector<qint16> samples = toSamples(record.bytes);
            const Beats truth = readBeats(labels.bytes);
            const auto score = [&truth](const std::vector<qint16> &ecg) {
                Beats reference = truth, test = labelBeats(ecg);
                leaveOutFlutter(reference, test);
                return scoreVentricular(reference, test, LearningPeriod);
            };
            clean += score(samples);
            if (!noise.empty())
                noisy += score(withNoise(samples, truth, noise, 6.0));
        }
        qInfo("%d records: ventricular Se %.2f%%, +P %.2f%%", int(names.size()), clean.sensitivity(), clean.predictivity());
        QVERIFY(clean.sensitivity() > 95.0);
        QVERIFY(clean.predictivity() > 98.3);
        if (noise.empty())
            QSKIP("recorded noise not available");
        qInfo("with noise at 6 dB: ventricular Se %.2f%%, +P %.2f%%", noisy.sensitivity(), noisy.predictivity());
        QVERIFY(noisy.predictivity() > 86.0);
        QVERIFY(noisy.sensitivity() > 75.0);
    }
};

QTEST_GUILESS_MAIN(TestEctopy)
#include "tst_ectopy.moc"
