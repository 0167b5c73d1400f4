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
    void firTables()
    {
        // stage kind rate taps sum-of-taps ("-": not checked) | (Hz, dB, tolerance)
        // probes | walks (from, to) to the -3 dB crossing expected at (Hz, tolerance)
        const char *rows[] = {
            "notch 50hz 250 109 1.0025 | 50 -87 2 35 0 .5 65 0 .5 | 50 30 47.1 .3 50 70 52.9 .3",
            "notch 50hz 500 195 1.0    | 50 -60 2 35 0 .5 65 0 .5 | 50 30 47.0 .3 50 70 53.0 .3",
            "notch 50hz 1000 391 1.0   | 50 -60 2 35 0 .5 65 0 .5 | 50 30 47.5 .3 50 70 52.5 .3",
            "notch 60hz 250 109 -      | 60 -88 2 45 0 .5 75 0 .5 | 60 40 57.1 .3 60 80 62.9 .3",
            "notch 60hz 500 195 -      | 60 -60 2 45 0 .5 75 0 .5 | 60 40 57.0 .3 60 80 63.0 .3",
            "notch 60hz 1000 391 -     | 60 -60 2 45 0 .5 75 0 .5 | 60 40 57.5 .3 60 80 62.5 .3",
            "lowpass 40hz 250 31 1.0   | 50 -28 2 60 -54 2 | 0 125 36.6 .5",
            "lowpass 40hz 500 12 1.0   | 50 -5 2 | 0 250 39.6 .5",
            "lowpass 40hz 1000 22 1.0  | 50 -4.5 2 | 0 500 41.5 .5",
            "lowpass 25hz 250 41 1.0   | 50 -63 2 | 0 125 22.4 .5",
            "lowpass 25hz 500 19 1.0   | 50 -17 2 | 0 250 24.8 .5",
            "lowpass 25hz 1000 34 1.01 | 50 -15 2 | 0 500 25.2 .5",
            "baseline fir 250 401 0.0  | 0.5 -11 2 5 0 .5 | 0.01 5 0.94 .05",
            "baseline fir 500 679 -0.069 | 0.5 -7 2 5 0 .5 | 0.01 5 0.67 .05",
            "baseline fir 1000 1355 -0.067 | 0.5 -7 2 5 0 .5 | 0.01 5 0.67 .05"};
        int count = 0;
        ::firTables(&count);
        QCOMPARE(count, int(std::size(rows)));
        auto numbers = [](const QString &text) {
            QVector<double> v;
            for (const QString &t : text.split(' ', Qt::SkipEmptyParts))
                v << t.toDouble();
            return v;
        };
        for (const char *row : rows) {
            const QStringList parts = QString::fromLatin1(row).split('|');
            const QStringList head = parts[0].split(' ', Qt::SkipEmptyParts);
            const int rate = head[2].toInt();
            const std::vector<double> h = table(head[0], head[1], rate);
            QCOMPARE(int(h.size()), head[3].toInt());
            // Symmetric taps: linear phase, a constant delay of half the length.
            for (size_t k = 0; k < h.size(); ++k)
                QCOMPARE(h[k], h[h.size() - 1 - k]);
            QVERIFY(head[4] == "-" || std::fabs(std::accumulate(h.begin(), h.end(), 0.0) - head[4].toDouble()) <= 0.002);
            const Response r = response(h, {}, rate);
            const QVector<double> probes = numbers(parts[1]), corners = numbers(parts[2]);
            for (int i = 0; i < probes.size(); i += 3)
                QVERIFY2(std::fabs(dB(r(probes[i])) - probes[i + 1]) <= probes[i + 2], row);
            for (int i = 0; i < corners.size(); i += 4)
                QVERIFY2(std::fabs(crossing(r, corners[i], corners[i + 1]) - corners[i + 2]) <= corners[i + 3], row);
        }
        QVERIFY(!findFirTable(QStringLiteral("notch"), QStringLiteral("50hz"), 300));
        QVERIFY(!findFirTable(QStringLiteral("lowpass"), QStringLiteral("30hz"), 250));
    }

    void recursiveStages()
    {
        TIirCoefficients c;
        QVERIFY(!IirCoefficients::storedNotch50(250, c) && !IirCoefficients::storedBaseline(250, c));
        for (auto [rate, baselineCorner] : {std::pair{500, 0.5}, std::pair{1000, 0.6}}) {
            for (double corner : {0.05, 0.5}) {
                c = IirCoefficients::firstOrderHighPass(corner, rate);
                const Response h = response(c.b, c.a, rate);
                QVERIFY(std::fabs(crossing(h, corner / 20, corner * 10) - corner) <= corner / 50);
                QVERIFY(h(0) < 1e-12 && std::fabs(h(rate / 2.0) - 1) < 0.01);
            }
            // The recorded chain's notch, single pass: about 0.02 at 50 Hz,
            // -3 dB at about 48 and 52 Hz; then its baseline high-pass.
            QVERIFY(IirCoefficients::storedNotch50(rate, c));
            Response h = response(c.b, c.a, rate);
            QVERIFY(std::fabs(dB(h(50)) - dB(0.02)) <= 2 && std::fabs(h(0) - 1) < 0.001);
            QVERIFY(std::fabs(crossing(h, 50, 30) - 48) <= 0.3 && std::fabs(crossing(h, 50, 70) - 52) <= 0.3);
            QVERIFY(IirCoefficients::storedBaseline(rate, c));
            h = response(c.b, c.a, rate);
            QVERIFY(std::fabs(crossing(h, 0.01, 5) - baselineCorner) <= 0.05 && std::fabs(h(10) - 1) < 0.01);
        }
    }

    void liveStages()
    {
        // rate, flags (n: notch, l: low-pass, b: baseline), kinds, stages, lag
        // and whether the output is all zeros: a stage without coefficients is
        // left out (notch, baseline) or gives zeros (low-pass, FIR baseline).
        const char *rows[] = {"250 - 50hz 25hz iir 1 0 0",    "250 nl 50hz 25hz iir 3 74 0",  "250 n 50hz 25hz iir 2 54 0",
                              "250 n 60hz 25hz iir 2 54 0",   "250 l 50hz 40hz iir 2 15 0",   "250 b 50hz 25hz iir 2 0 0",
                              "250 b 50hz 25hz fir 2 200 0",  "250 nlb 50hz 25hz iir 4 74 0", "250 n 55hz 40hz iir 1 0 0",
                              "300 n 50hz 25hz iir 1 0 0",    "250 l 50hz 30hz iir 2 0 1",    "300 l 50hz 25hz iir 2 0 1",
                              "300 b 50hz 25hz fir 2 0 1",    "250 b 50hz 40hz median 1 0 0"};
        for (const char *row : rows) {
            const QStringList f = QString::fromLatin1(row).split(' ');
            auto input = liveInput(f[0].toInt());
            TLiveFilterChain chain(input.get());
            chain.setNotchKind(f[2]);
            chain.setLowpassKind(f[3]);
            chain.setBaselineKind(f[4]);
            chain.configure(f[1].contains('n'), f[1].contains('l'), f[1].contains('b'));
            QVERIFY2(chain.stageCount() == f[5].toInt(), row);
            feed(chain, *input, sine(1000, 3, f[0].toInt(), 500));
            TSignal *head = chain.head();
            QVERIFY2(head->sampleCount() == 1000 - f[6].toInt(), row);
            QVERIFY2((peak(head, 0, head->sampleCount()) == 0) == (f[7] == "1"), row);
            // Every stage is scaled and named like the input.
            QVERIFY(head->channelName(0) == QStringLiteral("V5") && head->lsb() == 12.0 / 512);
        }
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
        QVERIFY(head->sampleCount() == 4 && head->sample(0, 0) == int(y0) && head->sample(0, 1) == int(y1));

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
        QVERIFY(chain.head()->sampleCount() == 2500 && peak(chain.head(), 0, 2000, 0) <= 2 && peak(chain.head(), 0, 2000, 1) <= 2);

        // Two seconds of a constant 100: both means divide 500 samples by 750.
        TMemorySignal shortInput({Samples(500, 100)}, 250, 250);
        TStoredFilterChain shortChain(&shortInput);
        std::vector<double> out(100);
        shortChain.head()->readRange(0, 450, 100, out.data());
        QVERIFY(shortChain.head()->sample(0, 0) == 100 - 66 && out[49] == 34.0 && out[50] == 0.0);
        shortChain.configure(true, true, true);
        QCOMPARE(shortChain.head()->sample(0, 600), 0);
    }

    void storedBaselineByRate()
    {
        // 40 s of a 0.5 Hz cosine, whose three-second means are 0: the trend
        // stage leaves it alone and the baseline stage alone sets the gain.
        for (int rate : {250, 500, 1000}) {
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
    }
};

QTEST_APPLESS_MAIN(TestFilterChains)
#include "tst_filterchains.moc"
