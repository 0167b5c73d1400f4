// The two ECG filter chains, and the frequency responses of every
// coefficient table and recursive stage they are built from.

#include "dsp/firtables.h"
#include "dsp/iircoefficients.h"
#include "dsp/tlivefilterchain.h"
#include "dsp/tlivesignal.h"
#include "dsp/tmemorysignal.h"
#include "dsp/tstoredfilterchain.h"

#include <QtTest>

#include <cmath>
#include <complex>
#include <functional>
#include <numeric>
#include <stdexcept>

namespace {

using Samples = std::vector<qint16>;
using Response = std::function<double(double)>; // magnitude at f Hz

const double Minus3dB = 0.70794578438413791;

// y[n] = Σ b[k] x[n - k] + Σ a[k] y[n - k]; no a for a FIR table.
Response response(const std::vector<double> &b, const std::vector<double> &a, double fs)
{
    return [b, a, fs](double f) {
        std::complex<double> num, den = 1.0;
        for (size_t k = 0; k < b.size(); ++k) {
            const std::complex<double> z = std::polar(1.0, -2 * M_PI * f / fs * double(k));
            num += b[k] * z;
            if (k > 0 && k < a.size())
                den -= a[k] * z;
        }
        return std::abs(num / den);
    };
}

std::vector<double> table(const QString &stage, const QString &kind, int rate)
{
    const TFirTable *t = findFirTable(stage, kind, rate);
    return t ? std::vector<double>(t->coefficients, t->coefficients + t->taps) : std::vector<double>();
}

double dB(double gain)
{
    return 20 * std::log10(gain);
}

// Where the magnitude first crosses -3 dB walking from `from` to `to`.
double crossing(const Response &h, double from, double to)
{
    const double step = (to - from) / 400;
    const bool above = h(from) > Minus3dB;
    for (double f = from + step; step > 0 ? f <= to : f >= to; f += step) {
        if ((h(f) > Minus3dB) == above)
            continue;
        double lo = f - step, hi = f;
        for (int i = 0; i < 50; ++i)
            ((h((lo + hi) / 2) > Minus3dB) == above ? lo : hi) = (lo + hi) / 2;
        return (lo + hi) / 2;
    }
    return NAN;
}

Samples sine(int n, double f, double fs, double amplitude, bool cosine = false)
{
    Samples v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        const double phase = 2 * M_PI * f * i / fs;
        v[size_t(i)] = qint16(std::lround(amplitude * (cosine ? std::cos(phase) : std::sin(phase))));
    }
    return v;
}

std::unique_ptr<TLiveSignal> liveInput(int rate)
{
    auto s = std::make_unique<TLiveSignal>(rate / 25, 100 * rate, 1, rate);
    s->setRange(-6.0, 6.0);
    s->setResolutionBits(9);
    s->setChannelName(0, QStringLiteral("V5"));
    return s;
}

// Feeds samples the way the station does: ten at a time, processing after each.
void feed(TLiveFilterChain &chain, TSignal &input, const Samples &samples)
{
    for (size_t i = 0; i < samples.size(); i += 10) {
        const qint16 *batch[] = {samples.data() + i};
        input.appendChannels(batch, int(std::min<size_t>(10, samples.size() - i)));
        chain.process();
    }
}

double peak(TSignal *s, int from, int to, int channel = 0)
{
    double m = 0;
    for (int i = from; i < to; ++i)
        m = std::max(m, std::fabs(double(s->sample(channel, i))));
    return m;
}

} // namespace

class TestFilterChains : public QObject
{
    Q_OBJECT

private slots:
    void firTables_data()
    {
        // probes: (Hz, dB, tolerance) triples; corners: walks (from, to) to
        // the -3 dB crossing expected at (Hz, tolerance).
        QTest::addColumn<QString>("stage");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("taps");
        QTest::addColumn<double>("tapSum"); // NaN: not checked
        QTest::addColumn<QVector<double>>("probes");
        QTest::addColumn<QVector<double>>("corners");
        using V = QVector<double>;
        const double none = NAN;
        QTest::newRow("notch 50 Hz 250") << "notch" << "50hz" << 250 << 109 << 1.0025
                                         << V{50, -87, 2, 35, 0, .5, 65, 0, .5} << V{50, 30, 47.1, .3, 50, 70, 52.9, .3};
        QTest::newRow("notch 50 Hz 500") << "notch" << "50hz" << 500 << 195 << 1.0
                                         << V{50, -60, 2, 35, 0, .5, 65, 0, .5} << V{50, 30, 47.0, .3, 50, 70, 53.0, .3};
        QTest::newRow("notch 50 Hz 1000") << "notch" << "50hz" << 1000 << 391 << 1.0
                                          << V{50, -60, 2, 35, 0, .5, 65, 0, .5} << V{50, 30, 47.5, .3, 50, 70, 52.5, .3};
        QTest::newRow("notch 60 Hz 250") << "notch" << "60hz" << 250 << 109 << none
                                         << V{60, -88, 2, 45, 0, .5, 75, 0, .5} << V{60, 40, 57.1, .3, 60, 80, 62.9, .3};
        QTest::newRow("notch 60 Hz 500") << "notch" << "60hz" << 500 << 195 << none
                                         << V{60, -60, 2, 45, 0, .5, 75, 0, .5} << V{60, 40, 57.0, .3, 60, 80, 63.0, .3};
        QTest::newRow("notch 60 Hz 1000") << "notch" << "60hz" << 1000 << 391 << none
                                          << V{60, -60, 2, 45, 0, .5, 75, 0, .5} << V{60, 40, 57.5, .3, 60, 80, 62.5, .3};
        QTest::newRow("low-pass 40 Hz 250") << "lowpass" << "40hz" << 250 << 31 << 1.0 << V{50, -28, 2, 60, -54, 2}
                                            << V{0, 125, 36.6, .5};
        QTest::newRow("low-pass 40 Hz 500") << "lowpass" << "40hz" << 500 << 12 << 1.0 << V{50, -5, 2}
                                            << V{0, 250, 39.6, .5};
        QTest::newRow("low-pass 40 Hz 1000") << "lowpass" << "40hz" << 1000 << 22 << 1.0 << V{50, -4.5, 2}
                                             << V{0, 500, 41.5, .5};
        QTest::newRow("low-pass 25 Hz 250") << "lowpass" << "25hz" << 250 << 41 << 1.0 << V{50, -63, 2}
                                            << V{0, 125, 22.4, .5};
        QTest::newRow("low-pass 25 Hz 500") << "lowpass" << "25hz" << 500 << 19 << 1.0 << V{50, -17, 2}
                                            << V{0, 250, 24.8, .5};
        QTest::newRow("low-pass 25 Hz 1000") << "lowpass" << "25hz" << 1000 << 34 << 1.01 << V{50, -15, 2}
                                             << V{0, 500, 25.2, .5};
        QTest::newRow("baseline 250") << "baseline" << "fir" << 250 << 401 << 0.0 << V{0.5, -11, 2, 5, 0, .5}
                                      << V{0.01, 5, 0.94, .05};
        QTest::newRow("baseline 500") << "baseline" << "fir" << 500 << 679 << -0.069 << V{0.5, -7, 2, 5, 0, .5}
                                      << V{0.01, 5, 0.67, .05};
        QTest::newRow("baseline 1000") << "baseline" << "fir" << 1000 << 1355 << -0.067 << V{0.5, -7, 2, 5, 0, .5}
                                       << V{0.01, 5, 0.67, .05};
    }

    void firTables()
    {
        QFETCH(QString, stage);
        QFETCH(QString, kind);
        QFETCH(int, rate);
        QFETCH(int, taps);
        QFETCH(double, tapSum);
        QFETCH(QVector<double>, probes);
        QFETCH(QVector<double>, corners);
        const std::vector<double> h = table(stage, kind, rate);
        QCOMPARE(int(h.size()), taps);
        // Symmetric taps: linear phase, a constant delay of half the length.
        for (int k = 0; k < taps; ++k)
            QCOMPARE(h[size_t(k)], h[size_t(taps - 1 - k)]);
        if (!std::isnan(tapSum))
            QVERIFY(std::fabs(std::accumulate(h.begin(), h.end(), 0.0) - tapSum) <= 0.002);
        const Response r = response(h, {}, rate);
        for (int i = 0; i < probes.size(); i += 3)
            QVERIFY2(std::fabs(dB(r(probes[i])) - probes[i + 1]) <= probes[i + 2],
                     qPrintable(QStringLiteral("%1 dB at %2 Hz").arg(dB(r(probes[i]))).arg(probes[i])));
        for (int i = 0; i < corners.size(); i += 4) {
            const double f = crossing(r, corners[i], corners[i + 1]);
            QVERIFY2(std::fabs(f - corners[i + 2]) <= corners[i + 3], qPrintable(QString::number(f)));
        }
    }

    void tablesThatDoNotExist()
    {
        int count = 0;
        ::firTables(&count);
        QCOMPARE(count, 15);
        QVERIFY(!findFirTable(QStringLiteral("notch"), QStringLiteral("50hz"), 300));
        QVERIFY(!findFirTable(QStringLiteral("lowpass"), QStringLiteral("30hz"), 250));
        TIirCoefficients c;
        QVERIFY(!IirCoefficients::storedNotch50(250, c));
        QVERIFY(!IirCoefficients::storedBaseline(250, c));
    }

    void recursiveStages_data()
    {
        QTest::addColumn<int>("rate");
        QTest::addColumn<double>("baselineCorner");
        QTest::newRow("500") << 500 << 0.5;
        QTest::newRow("1000") << 1000 << 0.6;
    }

    void recursiveStages()
    {
        QFETCH(int, rate);
        QFETCH(double, baselineCorner);
        for (double corner : {0.05, 0.5}) {
            const TIirCoefficients c = IirCoefficients::firstOrderHighPass(corner, rate);
            const Response h = response(c.b, c.a, rate);
            QVERIFY(std::fabs(crossing(h, corner / 20, corner * 10) - corner) <= corner / 50);
            QVERIFY(h(0) < 1e-12);
            QVERIFY(std::fabs(h(rate / 2.0) - 1) < 0.01);
        }
        // The recorded chain's notch, single pass: about 0.02 at 50 Hz,
        // -3 dB at about 48 and 52 Hz, and its baseline high-pass.
        TIirCoefficients c;
        QVERIFY(IirCoefficients::storedNotch50(rate, c));
        Response h = response(c.b, c.a, rate);
        QVERIFY(std::fabs(dB(h(50)) - dB(0.02)) <= 2);
        QVERIFY(std::fabs(crossing(h, 50, 30) - 48) <= 0.3);
        QVERIFY(std::fabs(crossing(h, 50, 70) - 52) <= 0.3);
        QVERIFY(std::fabs(h(0) - 1) < 0.001);
        QVERIFY(IirCoefficients::storedBaseline(rate, c));
        h = response(c.b, c.a, rate);
        QVERIFY(std::fabs(crossing(h, 0.01, 5) - baselineCorner) <= 0.05);
        QVERIFY(std::fabs(h(10) - 1) < 0.01);
    }

    void liveStages_data()
    {
        // flags: n(otch), l(ow-pass), b(aseline). A stage without coefficients
        // is left out (notch, baseline) or gives zeros (low-pass, FIR baseline).
        QTest::addColumn<int>("rate");
        QTest::addColumn<QString>("flags");
        QTest::addColumn<QStringList>("kinds");
        QTest::addColumn<int>("stages");
        QTest::addColumn<int>("lag");
        QTest::addColumn<bool>("zeros");
        const QStringList standard{"50hz", "25hz", "iir"};
        QTest::newRow("none") << 250 << "" << standard << 1 << 0 << false;
        QTest::newRow("notch and 25 Hz") << 250 << "nl" << standard << 3 << 74 << false;
        QTest::newRow("notch") << 250 << "n" << standard << 2 << 54 << false;
        QTest::newRow("60 Hz notch") << 250 << "n" << QStringList{"60hz", "25hz", "iir"} << 2 << 54 << false;
        QTest::newRow("40 Hz") << 250 << "l" << QStringList{"50hz", "40hz", "iir"} << 2 << 15 << false;
        QTest::newRow("recursive baseline") << 250 << "b" << standard << 2 << 0 << false;
        QTest::newRow("FIR baseline") << 250 << "b" << QStringList{"50hz", "25hz", "fir"} << 2 << 200 << false;
        QTest::newRow("all") << 250 << "nlb" << standard << 4 << 74 << false;
        QTest::newRow("unknown notch kind") << 250 << "n" << QStringList{"55hz", "40hz", "iir"} << 1 << 0 << false;
        QTest::newRow("notch at 300") << 300 << "n" << standard << 1 << 0 << false;
        QTest::newRow("unknown low-pass kind") << 250 << "l" << QStringList{"50hz", "30hz", "iir"} << 2 << 0 << true;
        QTest::newRow("low-pass at 300") << 300 << "l" << standard << 2 << 0 << true;
        QTest::newRow("FIR baseline at 300") << 300 << "b" << QStringList{"50hz", "25hz", "fir"} << 2 << 0 << true;
        QTest::newRow("unknown baseline kind") << 250 << "b" << QStringList{"50hz", "40hz", "median"} << 1 << 0
                                               << false;
    }

    void liveStages()
    {
        QFETCH(int, rate);
        QFETCH(QString, flags);
        QFETCH(QStringList, kinds);
        QFETCH(int, stages);
        QFETCH(int, lag);
        QFETCH(bool, zeros);
        auto input = liveInput(rate);
        TLiveFilterChain chain(input.get());
        chain.setNotchKind(kinds[0]);
        chain.setLowpassKind(kinds[1]);
        chain.setBaselineKind(kinds[2]);
        chain.configure(flags.contains('n'), flags.contains('l'), flags.contains('b'));
        QCOMPARE(chain.stageCount(), stages);
        feed(chain, *input, sine(1000, 3, rate, 500));
        TSignal *head = chain.head();
        QCOMPARE(head->sampleCount(), 1000 - lag);
        QCOMPARE(peak(head, 0, head->sampleCount()) == 0, zeros);
        // Every stage is scaled and named like the input.
        QCOMPARE(head->channelName(0), QStringLiteral("V5"));
        QCOMPARE(head->lsb(), 12.0 / 512);
    }

    void liveDcStageAndReconfiguration()
    {
        auto input = liveInput(250);
        const qint16 first[] = {100};
        const qint16 *one[] = {first};
        input->appendChannels(one, 1);
        TLiveFilterChain chain(input.get());
        TSignal *head = chain.head();
        QVERIFY(head != input.get());
        QCOMPARE(head->sampleCount(), 0);
        // First-order high-pass at 0.05 Hz: y = (1 + p) / 2 (x[n] - x[n-1]) + p y[n-1],
        // starting at the input's end but seeing the sample before it.
        feed(chain, *input, Samples(4, 1100));
        const double p = std::exp(-2 * M_PI * 0.05 / 250), g = (1 + p) / 2;
        const double y0 = g * (1100 - 100), y1 = g * (1100 - 1100) + p * y0;
        QCOMPARE(head->sampleCount(), 4);
        QCOMPARE(head->sample(0, 0), int(y0));
        QCOMPARE(head->sample(0, 1), int(y1));

        // A new configuration starts empty and only takes samples acquired after it.
        chain.setLowpassKind(QStringLiteral("25hz"));
        chain.configure(false, true, false);
        QCOMPARE(chain.head()->sampleCount(), 0);
        feed(chain, *input, Samples(100, 7));
        QCOMPARE(chain.head()->sampleCount(), 100 - 20);
    }

    void liveNotchRemovesItsMains()
    {
        auto input = liveInput(250);
        TLiveFilterChain chain(input.get());
        chain.configure(true, false, false);
        feed(chain, *input, sine(2500, 50, 250, 2000));
        QVERIFY(peak(chain.head(), 500, 2400) <= 3);
        chain.setNotchKind(QStringLiteral("60hz"));
        chain.configure(true, false, false);
        feed(chain, *input, sine(2500, 50, 250, 2000, true));
        QVERIFY(peak(chain.head(), 500, 2400) > 1500);
    }

    void storedTrendIsRemovedPerChannel()
    {
        // A rising and a falling drift: both come out flat.
        Samples up(2500), down(2500);
        for (int i = 0; i < 2500; ++i) {
            up[size_t(i)] = qint16(1000 + i / 10);
            down[size_t(i)] = qint16(-500 - i / 5);
        }
        TMemorySignal input({up, down}, 1000, 250);
        TStoredFilterChain chain(&input);
        QCOMPARE(chain.head()->sampleCount(), 2500);
        QVERIFY(peak(chain.head(), 0, 2000, 0) <= 2);
        QVERIFY(peak(chain.head(), 0, 2000, 1) <= 2);

        // Two seconds of a constant 100: both means divide 500 samples by 750.
        TMemorySignal shortInput({Samples(500, 100)}, 250, 250);
        TStoredFilterChain shortChain(&shortInput);
        std::vector<double> out(100);
        shortChain.head()->readRange(0, 450, 100, out.data());
        QCOMPARE(shortChain.head()->sample(0, 0), 100 - 66);
        QCOMPARE(out[49], 34.0);
        QCOMPARE(out[50], 0.0);
        shortChain.configure(true, true, true);
        QCOMPARE(shortChain.head()->sample(0, 600), 0);
    }

    void storedBaselineByRate_data()
    {
        QTest::addColumn<int>("rate");
        QTest::newRow("FIR at 250") << 250;
        QTest::newRow("recursive at 500") << 500;
        QTest::newRow("recursive at 1000") << 1000;
    }

    void storedBaselineByRate()
    {
        QFETCH(int, rate);
        // 40 s of a 0.5 Hz cosine, whose three-second means are 0: the trend
        // stage leaves it alone and the baseline stage alone sets the gain.
        TMemorySignal input({sine(40 * rate, 0.5, rate, 4000, true)}, 4 * rate, rate);
        TStoredFilterChain chain(&input);
        chain.configure(false, false, true);
        QCOMPARE(chain.stageCount(), 2);
        double expected;
        TIirCoefficients c;
        if (IirCoefficients::storedBaseline(rate, c)) // forward and backward: magnitude squared
            expected = std::pow(response(c.b, c.a, rate)(0.5), 2);
        else
            expected = response(table(QStringLiteral("baseline"), QStringLiteral("fir"), rate), {}, rate)(0.5);
        TSignal *head = chain.head();
        const double measured = peak(head, 12 * rate, 28 * rate) / 4000;
        QVERIFY2(std::fabs(measured - expected) <= 0.02, qPrintable(QStringLiteral("%1 vs %2").arg(measured).arg(expected)));
        // Zero phase: a cosine peak stays where it was.
        QVERIFY(head->sample(0, 20 * rate) > 0.97 * measured * 4000);
    }

    void storedNotchAndLowpass()
    {
        TMemorySignal input({sine(5000, 50, 250, 3000)}, 1000, 250);
        TStoredFilterChain chain(&input);
        chain.setNotchKind(QStringLiteral("60hz")); // 250: the one table serves every kind
        chain.setLowpassKind(QStringLiteral("25hz"));
        chain.configure(true, false, false);
        QCOMPARE(chain.stageCount(), 2);
        QVERIFY(peak(chain.head(), 200, 4800) <= 2);
        chain.configure(false, true, false);
        QVERIFY(peak(chain.head(), 200, 4800) <= 5);
        chain.setLowpassKind(QStringLiteral("30hz"));
        chain.configure(false, true, false);
        QCOMPARE(peak(chain.head(), 0, 5000), 0.0);
        chain.configure(true, true, true);
        QCOMPARE(chain.stageCount(), 4);

        // At 500 and 1000 only the 50 Hz notch exists; stages built before the
        // refusal still serve data.
        for (int rate : {500, 1000}) {
            TMemorySignal fast({sine(8 * rate, 10, rate, 1000)}, 4 * rate, rate);
            TStoredFilterChain fastChain(&fast);
            fastChain.setNotchKind(QStringLiteral("60hz"));
            fastChain.configure(false, true, true);
            QVERIFY_EXCEPTION_THROWN(fastChain.configure(true, true, true), std::runtime_error);
            QVERIFY(peak(fastChain.head(), 0, 4 * rate) > 900);
            fastChain.setNotchKind(QStringLiteral("50hz"));
            fastChain.configure(true, false, false);
            QVERIFY(peak(fastChain.head(), 2 * rate, 6 * rate) > 900);
        }

        // Saturation instead of wrap-around: a full-scale square wave
        // overshoots in the low-pass and is clipped at the limits.
        Samples square(4500);
        for (int i = 0; i < 4500; ++i)
            square[size_t(i)] = (i / 75) % 2 ? 32767 : -32768;
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
};

QTEST_APPLESS_MAIN(TestFilterChains)
#include "tst_filterchains.moc"
