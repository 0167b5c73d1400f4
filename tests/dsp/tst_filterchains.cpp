#include "dsp/firtables.h"
#include "dsp/iircoefficients.h"
#include "dsp/tlivefilterchain.h"
#include "dsp/tlivesignal.h"
#include "dsp/tmemorysignal.h"
#include "dsp/tstoredfilterchain.h"

#include <QtTest>

#include <cmath>
#include <complex>
#include <stdexcept>

class TestFilterChains : public QObject
{
    Q_OBJECT

private slots:
    void liveHeadWithoutFlagsIsDcStage();
    void liveReconfigureRestartsEmpty();
    void liveHeadLag_data();
    void liveHeadLag();
    void liveNotchRemovesMains();
    void liveStagesWithoutCoefficients_data();
    void liveStagesWithoutCoefficients();
    void storedShortRecord();
    void storedTrendRemovesDrift();
    void storedBaselineByRate_data();
    void storedBaselineByRate();
    void storedNotchKindError();
    void storedNotchAndLowpass();
};

namespace {

std::unique_ptr<TLiveSignal> liveInput(int rate = 250)
{
    auto s = std::make_unique<TLiveSignal>(rate / 25, 100 * rate, 1, rate);
    s->setRange(-6.0, 6.0);
    s->setResolutionBits(9);
    s->setChannelName(0, QStringLiteral("V5"));
    return s;
}

void append(TSignal &signal, const std::vector<qint16> &samples)
{
    const qint16 *channels[] = {samples.data()};
    signal.appendChannels(channels, int(samples.size()));
}

// Feeds samples the way the station does: ten at a time, processing after each.
void feed(TLiveFilterChain &chain, TSignal &input, const std::vector<qint16> &samples)
{
    for (size_t i = 0; i < samples.size(); i += 10) {
        append(input, std::vector<qint16>(samples.begin() + i, samples.begin() + std::min(i + 10, samples.size())));
        chain.process();
    }
}

std::vector<qint16> sine(int n, double f, double fs, double amplitude, bool cosine = false)
{
    std::vector<qint16> v(n);
    for (int i = 0; i < n; ++i) {
        const double phase = 2 * M_PI * f * i / fs;
        v[i] = qint16(std::lround(amplitude * (cosine ? std::cos(phase) : std::sin(phase))));
    }
    return v;
}

double peak(TSignal *s, int from, int to)
{
    double m = 0;
    for (int i = from; i < to; ++i)
        m = std::max(m, std::fabs(double(s->sample(0, i))));
    return m;
}

double magnitude(const std::vector<double> &b, const std::vector<double> &a, double f, double fs)
{
    std::complex<double> num, den = 1.0;
    for (size_t k = 0; k < b.size(); ++k) {
        const std::complex<double> z = std::polar(1.0, -2 * M_PI * f / fs * double(k));
        num += b[k] * z;
        if (k > 0 && k < a.size())
            den -= a[k] * z;
    }
    return std::abs(num / den);
}

} // namespace

void TestFilterChains::liveHeadWithoutFlagsIsDcStage()
{
    auto input = liveInput();
    append(*input, {100});
    TLiveFilterChain chain(input.get());
    TSignal *head = chain.head();
    QVERIFY(head != input.get());
    QCOMPARE(head->sampleCount(), 0);
    QCOMPARE(head->channelName(0), QStringLiteral("V5"));

    const std::vector<qint16> x = {1100, 1100, 1100, 1100};
    append(*input, x);
    chain.process();
    QCOMPARE(head->sampleCount(), 4);
    // First-order high-pass at 0.05 Hz: y = (1 + p) / 2 (x[n] - x[n-1]) + p y[n-1].
    const double p = std::exp(-2 * M_PI * 0.05 / 250);
    const double y0 = (1 + p) / 2 * 1100 + (-(1 + p) / 2 * 100);
    QCOMPARE(head->sample(0, 0), int(y0));
    QCOMPARE(head->sample(0, 1), int((1 + p) / 2 * 1100 + (y0 * p + -(1 + p) / 2 * 1100)));
}

void TestFilterChains::liveReconfigureRestartsEmpty()
{
    auto input = liveInput();
    TLiveFilterChain chain(input.get());
    chain.setLowpassKind(QStringLiteral("25hz"));
    feed(chain, *input, std::vector<qint16>(500, 7));
    QCOMPARE(chain.head()->sampleCount(), 500);
    chain.configure(false, true, false);
    QCOMPARE(chain.head()->sampleCount(), 0);
    feed(chain, *input, std::vector<qint16>(100, 7));
    // Only samples acquired after the change reach the head, less the delay.
    QCOMPARE(chain.head()->sampleCount(), 100 - 20);
}

void TestFilterChains::liveHeadLag_data()
{
    QTest::addColumn<bool>("notch");
    QTest::addColumn<bool>("lowpass");
    QTest::addColumn<bool>("baseline");
    QTest::addColumn<QString>("lowpassKind");
    QTest::addColumn<QString>("baselineKind");
    QTest::addColumn<int>("stages");
    QTest::addColumn<int>("lag");
    QTest::newRow("notch and 25 Hz") << true << true << false << "25hz" << "iir" << 3 << 74;
    QTest::newRow("notch") << true << false << false << "25hz" << "iir" << 2 << 54;
    QTest::newRow("40 Hz") << false << true << false << "40hz" << "iir" << 2 << 15;
    QTest::newRow("recursive baseline") << false << false << true << "40hz" << "iir" << 2 << 0;
    QTest::newRow("FIR baseline") << false << false << true << "40hz" << "fir" << 2 << 200;
    QTest::newRow("all") << true << true << true << "25hz" << "iir" << 4 << 74;
}

void TestFilterChains::liveHeadLag()
{
    QFETCH(bool, notch);
    QFETCH(bool, lowpass);
    QFETCH(bool, baseline);
    QFETCH(QString, lowpassKind);
    QFETCH(QString, baselineKind);
    QFETCH(int, stages);
    QFETCH(int, lag);
    auto input = liveInput();
    TLiveFilterChain chain(input.get());
    chain.setNotchKind(QStringLiteral("50hz"));
    chain.setLowpassKind(lowpassKind);
    chain.setBaselineKind(baselineKind);
    chain.configure(notch, lowpass, baseline);
    QCOMPARE(chain.stageCount(), stages);
    feed(chain, *input, sine(1000, 3, 250, 500));
    QCOMPARE(chain.head()->sampleCount(), 1000 - lag);
}

void TestFilterChains::liveNotchRemovesMains()
{
    auto input = liveInput();
    TLiveFilterChain chain(input.get());
    chain.configure(true, false, false);
    feed(chain, *input, sine(2500, 50, 250, 2000));
    TSignal *head = chain.head();
    QCOMPARE(head->sampleCount(), 2500 - 54);
    QVERIFY(peak(head, 500, 2400) <= 3);

    chain.setNotchKind(QStringLiteral("60hz"));
    chain.configure(true, false, false);
    feed(chain, *input, sine(2500, 50, 250, 2000, true));
    QVERIFY(peak(chain.head(), 500, 2400) > 1500); // a 60 Hz notch lets 50 Hz through
}

void TestFilterChains::liveStagesWithoutCoefficients_data()
{
    // Stage flags are "notch lowpass baseline" as n/l/b; an empty notch or
    // baseline stage is left out, an empty low-pass or FIR stage outputs zeros.
    QTest::addColumn<int>("rate");
    QTest::addColumn<QStringList>("kinds");
    QTest::addColumn<QString>("stage");
    QTest::addColumn<int>("stages");
    QTest::addColumn<bool>("zeros");
    const auto kinds = [](const char *n, const char *l, const char *b) { return QStringList{n, l, b}; };
    QTest::newRow("unknown notch kind") << 250 << kinds("55hz", "40hz", "iir") << "n" << 1 << false;
    QTest::newRow("notch at 300") << 300 << kinds("50hz", "40hz", "iir") << "n" << 1 << false;
    QTest::newRow("unknown low-pass kind") << 250 << kinds("50hz", "30hz", "iir") << "l" << 2 << true;
    QTest::newRow("low-pass at 300") << 300 << kinds("50hz", "25hz", "iir") << "l" << 2 << true;
    QTest::newRow("FIR baseline at 300") << 300 << kinds("50hz", "40hz", "fir") << "b" << 2 << true;
    QTest::newRow("unknown baseline kind") << 250 << kinds("50hz", "40hz", "median") << "b" << 1 << false;
}

void TestFilterChains::liveStagesWithoutCoefficients()
{
    QFETCH(int, rate);
    QFETCH(QStringList, kinds);
    QFETCH(QString, stage);
    QFETCH(int, stages);
    QFETCH(bool, zeros);
    auto input = liveInput(rate);
    TLiveFilterChain chain(input.get());
    chain.setNotchKind(kinds[0]);
    chain.setLowpassKind(kinds[1]);
    chain.setBaselineKind(kinds[2]);
    chain.configure(stage == "n", stage == "l", stage == "b");
    QCOMPARE(chain.stageCount(), stages);
    feed(chain, *input, sine(600, 2, rate, 3000));
    QCOMPARE(chain.head()->sampleCount(), 600); // zero taps: no delay either
    QCOMPARE(peak(chain.head(), 0, 600) == 0, zeros);
}

void TestFilterChains::storedShortRecord()
{
    // Two seconds of a constant 100: both means divide 500 samples by 750,
    // exactly (66.67), so the output is 33.33 cut to 33.
    TMemorySignal input({std::vector<qint16>(500, 100)}, 250, 250);
    TStoredFilterChain chain(&input);
    TSignal *head = chain.head();
    QCOMPARE(head->sample(0, 0), 33);
    double out[100];
    head->readRange(0, 450, 100, out);
    QCOMPARE(out[49], 33.0);
    QCOMPARE(out[50], 0.0);
    chain.configure(true, true, true); // and filters run on it without trouble
    QCOMPARE(chain.head()->sample(0, 600), 0);
}

void TestFilterChains::storedTrendRemovesDrift()
{
    std::vector<qint16> drift(2500);
    for (int i = 0; i < 2500; ++i)
        drift[i] = qint16(1000 + i / 10);
    TMemorySignal input({drift}, 1000, 250);
    TStoredFilterChain chain(&input);
    QCOMPARE(chain.head()->sampleCount(), 2500);
    QVERIFY(peak(chain.head(), 0, 2000) <= 2);
}

void TestFilterChains::storedBaselineByRate_data()
{
    QTest::addColumn<int>("rate");
    QTest::newRow("FIR at 250") << 250;
    QTest::newRow("recursive at 500") << 500;
    QTest::newRow("recursive at 1000") << 1000;
}

void TestFilterChains::storedBaselineByRate()
{
    QFETCH(int, rate);
    // 40 s of a 0.5 Hz cosine: its three-second means are 0, so the trend
    // stage leaves it alone and the baseline stage alone sets the gain.
    const int n = 40 * rate;
    TMemorySignal input({sine(n, 0.5, rate, 4000, true)}, 4 * rate, rate);
    TStoredFilterChain chain(&input);
    chain.configure(false, false, true);
    QCOMPARE(chain.stageCount(), 2);
    double expected;
    if (rate == 250) {
        const TFirTable *t = findFirTable(QStringLiteral("baseline"), QStringLiteral("fir"), 250);
        expected = magnitude(std::vector<double>(t->coefficients, t->coefficients + t->taps), {}, 0.5, rate);
    } else {
        TIirCoefficients c;
        QVERIFY(IirCoefficients::storedBaseline(rate, c));
        // Forward and backward: the magnitude squared, without phase shift.
        expected = std::pow(magnitude(c.b, c.a, 0.5, rate), 2);
    }
    TSignal *head = chain.head();
    const double measured = peak(head, 12 * rate, 28 * rate) / 4000;
    QVERIFY2(std::fabs(measured - expected) <= 0.02,
             qPrintable(QStringLiteral("%1 vs %2").arg(measured).arg(expected)));
    // Zero phase: the peaks stay where the input's are.
    const int at = 20 * rate; // a cosine peak
    QVERIFY(head->sample(0, at) > 0.97 * measured * 4000);
}

void TestFilterChains::storedNotchKindError()
{
    for (int rate : {500, 1000}) {
        TMemorySignal input({sine(8 * rate, 10, rate, 1000)}, 4 * rate, rate);
        TStoredFilterChain chain(&input);
        chain.setNotchKind(QStringLiteral("60hz"));
        chain.configure(false, true, true); // no notch asked: no error
        try {
            chain.configure(true, true, true);
            QFAIL("configure accepted a notch it has no filter for");
        } catch (const std::runtime_error &e) {
            QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("pendiente - filtro no definido"));
        }
        // The stages built before the error still serve data.
        QVERIFY(peak(chain.head(), 0, 4 * rate) > 900);
    }
    TMemorySignal input250({sine(2000, 10, 250, 1000)}, 1000, 250);
    TStoredFilterChain chain(&input250);
    chain.setNotchKind(QStringLiteral("60hz"));
    chain.configure(true, false, false); // 250: the one table, whatever the kind
    QCOMPARE(chain.stageCount(), 2);
}

void TestFilterChains::storedNotchAndLowpass()
{
    TMemorySignal input({sine(5000, 50, 250, 3000)}, 1000, 250);
    TStoredFilterChain chain(&input);
    chain.setNotchKind(QStringLiteral("50hz"));
    chain.setLowpassKind(QStringLiteral("25hz"));
    chain.configure(true, false, false);
    QVERIFY(peak(chain.head(), 200, 4800) <= 2);
    chain.configure(false, true, false);
    QVERIFY(peak(chain.head(), 200, 4800) <= 5); // -63 dB at 50 Hz
    chain.setLowpassKind(QStringLiteral("30hz"));
    chain.configure(false, true, false);
    QCOMPARE(chain.stageCount(), 2);
    QCOMPARE(peak(chain.head(), 0, 5000), 0.0);
    // Saturation instead of wrap-around: a full-scale square wave overshoots
    // in the low-pass and is clipped at the limits.
    // (Whole periods in the first and last three seconds: the trend is 0.)
    std::vector<qint16> square(4500);
    for (int i = 0; i < 4500; ++i)
        square[i] = (i / 75) % 2 ? 32767 : -32768;
    TMemorySignal full({square}, 1000, 250);
    TStoredFilterChain clipped(&full);
    clipped.setLowpassKind(QStringLiteral("25hz"));
    clipped.configure(false, true, false);
    int lowest = 0, highest = 0;
    for (int i = 200; i < 4300; ++i) {
        lowest = std::min(lowest, clipped.head()->sample(0, i));
        highest = std::max(highest, clipped.head()->sample(0, i));
    }
    QCOMPARE(lowest, -32768);
    QCOMPARE(highest, 32767);
}

QTEST_APPLESS_MAIN(TestFilterChains)
#include "tst_filterchains.moc"
