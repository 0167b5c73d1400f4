// The signal model and filtering, on signals whose answers are worked out by
// hand: how every kind of signal answers reads inside and outside what it
// holds, live rings, the page cache, filtered views, the block and stream
// filters, the two ECG filter chains and the responses of every coefficient
// table and recursive stage.
#include "../common/testsignals.h"

#include "dsp/firtables.h"
#include "dsp/iircoefficients.h"
#include "dsp/tblockwindow.h"
#include "dsp/tfilteredsignal.h"
#include "dsp/tfirblockfilter.h"
#include "dsp/tfirstreamfilter.h"
#include "dsp/tiirblockfilter.h"
#include "dsp/tiirstreamfilter.h"
#include "dsp/tlivefilterchain.h"
#include "dsp/tlivesignal.h"
#include "dsp/tmemorysignal.h"
#include "dsp/tstoredfilterchain.h"
#include "dsp/ttrendblockfilter.h"

#include <QtTest>

#include <cmath>
#include <complex>
#include <functional>
#include <numeric>
#include <set>
#include <stdexcept>

namespace {

using Samples = std::vector<qint16>;
using Values = std::vector<double>;

Samples ramp(int n, int first = 1, int step = 1)
{
    Samples v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[size_t(i)] = qint16(first + i * step);
    return v;
}

void append(TSignal &signal, const std::vector<Samples> &channels)
{
    std::vector<const qint16 *> pointers;
    for (const Samples &c : channels)
        pointers.push_back(c.data());
    signal.appendChannels(pointers.data(), int(channels[0].size()));
}


// What a signal says about itself: lsb, range, bits, rate and its blocks.
QVector<double> layout(const TSignal &s)
{
    return {s.lsb(), s.minimum(), s.maximum(), double(s.resolutionBits()), double(s.rate()), double(s.blockLength()),
            double(s.blockCount()), double(s.sampleCount())};
}

Samples block(TSignal &signal, int channel, int index)
{
    const qint16 *data = signal.fetchPage(channel, index);
    if (!data)
        return {};
    Samples out(data, data + signal.blockLength());
    signal.releasePage(channel, index);
    return out;
}

// A recording in memory that counts its block reads; the blocks listed in
// `unreadable` cannot be read.
struct MemorySignal : TMemorySignal
{
    MemorySignal(const std::vector<Samples> &channels, int blockLength) : TMemorySignal(channels, blockLength, 250) {}
    qint16 *readBlock(int channel, int index) override
    {
        if (unreadable.count(index))
            return nullptr;
        ++reads;
        return TMemorySignal::readBlock(channel, index);
    }
    std::set<int> unreadable;
    int reads = 0;
};

// A view that counts the blocks it computes (pages not found in its cache).
struct CountingView : TFilteredSignal
{
    using TFilteredSignal::TFilteredSignal;
    qint16 *readBlock(int channel, int index) override
    {
        ++reads;
        return TFilteredSignal::readBlock(channel, index);
    }
    int reads = 0;
};

// A view whose block 1 cannot be computed.
struct BrokenView : TFilteredSignal
{
    using TFilteredSignal::TFilteredSignal;
    qint16 *readBlock(int channel, int index) override
    {
        return index == 1 ? nullptr : TFilteredSignal::readBlock(channel, index);
    }
};


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

class TestSignals : public QObject
{
    Q_OBJECT

private slots:
    void everyKindReadsZeroOutsideWhatItHolds()
    {
        // Twelve samples on two channels in blocks of four, held four ways.
        const Samples a = ramp(12), b = ramp(12, -1, -1);
        TLiveSignal live(4, 100, 2, 250);
        append(live, {a, b});
        TMemorySignal memory({a, b}, 4, 250);
        TFilteredSignal copy(&memory, nullptr);
        TFirBlockFilter identity({1.0}, 0);
        TFilteredSignal filtered(&memory, std::vector<TBlockFilter *>{nullptr, &identity});
        Values expected(16, 0.0);
        std::copy(b.begin(), b.end(), expected.begin() + 2);
        const int outside[][2] = {{-1, 0}, {2, 0}, {0, -1}, {0, 12}};
        for (TSignal *s : {static_cast<TSignal *>(&live), static_cast<TSignal *>(&memory),
                           static_cast<TSignal *>(&copy), static_cast<TSignal *>(&filtered)}) {
            QVERIFY(s->blockCount() == 3);
            QVERIFY(s->sample(0, 0) == 1);
            QVERIFY(s->sample(1, 11) == -12);
            for (const auto &at : outside) {
                QCOMPARE(s->sample(at[0], at[1]), 0);
                QVERIFY(!s->fetchPage(at[0], at[1] < 0 ? -1 : 3));
                QVERIFY(!s->readBlock(at[0], at[1] < 0 ? -1 : 3));
            }
            QVERIFY(!s->readBlock(2, 0));
            QVERIFY(!s->readBlock(-1, 0));
            QVERIFY(!s->fetchPage(2, 0));
            QCOMPARE(range(*s, 1, -2, 16), expected);
            QCOMPARE(range(*s, 2, 0, 3), Values(3, 0.0));
            qint16 *last = s->readBlock(1, 2);
            QCOMPARE(Samples(last, last + 4), ramp(4, -9, -1));
            s->freeBlock(last);
            QVERIFY(!s->channel(2));
            QVERIFY(!s->channel(-1));
            QVERIFY(s->channel(1));
        }
        // Channels of unequal length are padded with zeros.
        TMemorySignal uneven({ramp(6), ramp(2)}, 4, 250);
        QVERIFY(uneven.sampleCount() == 6);
        QVERIFY(uneven.sample(1, 2) == 0);
        QVERIFY(block(uneven, 1, 0) == (Samples{1, 2, 0, 0}));
    }

    void constructorsRefuseInconsistentArguments()
    {
        QVERIFY_EXCEPTION_THROWN(TLiveSignal(4, 100, 17, 250), std::invalid_argument);
        QVERIFY_EXCEPTION_THROWN(TLiveSignal(0, 100, 1, 250), std::invalid_argument);
        QVERIFY_EXCEPTION_THROWN(TMemorySignal({ramp(4)}, 0, 250), std::invalid_argument);
        QVERIFY_EXCEPTION_THROWN(TMemorySignal(std::vector<Samples>(17, ramp(4)), 4, 250), std::invalid_argument);
        QVERIFY_EXCEPTION_THROWN(TIirBlockFilter({1.0}, {0.0, 1.0}, 0), std::invalid_argument);
        QVERIFY_EXCEPTION_THROWN(TIirBlockFilter({1.0}, {0.0}, -1), std::invalid_argument);
        QVERIFY_EXCEPTION_THROWN(TIirBlockFilter({1.0}, {0.0}, 0, true, 0), std::invalid_argument);
        QVERIFY_EXCEPTION_THROWN(TIirStreamFilter({}, {}), std::invalid_argument);
        QVERIFY_EXCEPTION_THROWN(TIirStreamFilter({1.0, 2.0}, {0.0}), std::invalid_argument);
        // The smallest valid ones.
        QCOMPARE(TLiveSignal(1, 1, 16, 250).channelCount() + TIirBlockFilter({1.0}, {0.0}, 0, false, 1).order(), 16);
    }

    void liveRingKeepsOnlyTheLastCapacity()
    {
        TLiveSignal s(4, 8, 2, 250);
        append(s, {ramp(5), ramp(5, 101)});
        append(s, {ramp(7, 6), ramp(7, 106)});
        // 12 - 8 = 4 is the oldest index still held; the ring wraps inside the range.
        QVERIFY(s.sampleCount() == 12);
        QVERIFY(s.blockCount() == 3);
        QVERIFY(s.sample(0, 3) == 0);
        QVERIFY(s.sample(0, 4) == 5);
        QVERIFY(s.sample(0, 12) == 0);
        QCOMPARE(range(s, 1, 2, 12), (Values{0, 0, 105, 106, 107, 108, 109, 110, 111, 112, 0, 0}));
        QVERIFY(block(s, 1, 0) == Samples(4, 0));
        QVERIFY(block(s, 1, 1) == ramp(4, 105));
        QVERIFY(block(s, 0, 2) == ramp(4, 9));
    }

    void appendFormsAndListeners()
    {
        TLiveSignal s(4, 40, 2, 250);
        Listener once, always;
        once.leave = &s;
        s.addListener(&once);
        s.addListener(&always);
        s.addListener(&always);
        s.addListener(nullptr);
        const qint16 frames[] = {1, -1, 2, -2, 3};
        s.appendInterleaved(frames, 10); // two and a half frames: the half is dropped
        // Doubles are truncated and keep their low 16 bits; beyond any integer they give 0.
        const double a[] = {40000.7, -32769.5, 1e30}, b[] = {-1.9, 65541.0, -0.5};
        const double *doubles[] = {a, b};
        s.appendChannelsF64(doubles, 3);
        append(s, {{7}, {8}});
        QVERIFY(once.calls == 1);
        QVERIFY(always.calls == 3);
        QCOMPARE(range(s, 0, 0, 6), (Values{1, 2, 40000 - 65536, 32767, 0, 7}));
        QCOMPARE(range(s, 1, 0, 6), (Values{-1, -2, -1, 5, 0, 8}));
        // Signals that cannot grow still tell their listeners.
        s.removeListener(&always);
        TMemorySignal memory({ramp(4)}, 4, 250);
        memory.addListener(&always);
        const qint16 *none[] = {frames};
        memory.appendInterleaved(frames, 2);
        memory.appendChannels(none, 1);
        memory.appendChannelsF64(doubles, 1);
        append(s, {{9}, {9}});
        QVERIFY(always.calls == 6);
        QVERIFY(memory.sampleCount() == 4);
    }

    void scaleAndLayout()
    {
        TLiveSignal s(250, 1000, 2, 250);
        QCOMPARE(s.lsb(), 2.0 / 65536);
        s.setRange(-6.0, 6.0);
        s.setResolutionBits(9);
        s.setChannelName(1, QStringLiteral("II"));
        s.setChannelName(2, QStringLiteral("none"));
        QCOMPARE(s.lsb(), 12.0 / 512);
        append(s, {ramp(500, -2), ramp(500, 3)});
        QVERIFY(s.duration() == 2.0);
        QVERIFY(TLiveSignal(1, 1, 1, 0).duration() == 0.0);
        QVERIFY(s.samplesIn(3.0) == 750);
        QVERIFY(s.samplesIn(0.006) == 2);
        // Integer means truncate toward zero; positions past the end count as 0.
        QVERIFY(s.mean(0, 0, 2) == -1);
        QVERIFY(s.mean(1, 498, 4) == (501 + 502) / 4);
        QVERIFY(s.mean(0, 0, 0) == 0);

        // A view takes over the whole layout; a stage output the scale and names.
        TFilteredSignal view(&s, nullptr);
        QCOMPARE(layout(view), (QVector<double>{12.0 / 512, -6, 6, 9, 250, 250, 2, 500}));
        QCOMPARE(view.channelName(1), QStringLiteral("II"));
        TLiveSignal stage(250, 250, 2, 250);
        stage.copyScaleFrom(s);
        QCOMPARE(layout(stage), (QVector<double>{12.0 / 512, -6, 6, 9, 250, 250, 0, 0}));
        QCOMPARE(stage.channelName(1), QStringLiteral("II"));
    }

    void pageCacheKeepsAtMost1024UnusedPages()
    {
        MemorySignal source({ramp(2000)}, 1);
        const qint16 *held = source.fetchPage(0, 0);
        for (int b = 1; b < 2000; ++b) {
            QVERIFY(source.fetchPage(0, b));
            source.releasePage(0, b);
        }
        // Past 1024 pages one is evicted per fetch: the oldest one not in use.
        QCOMPARE(source.fetchPage(0, 0), held);
        const int reads = source.reads;
        for (int b = 2000 - TSignal::MaxCachedPages; b < 2000; ++b) {
            QVERIFY(source.fetchPage(0, b)[0] == b + 1);
            source.releasePage(0, b);
        }
        QCOMPARE(source.reads, reads);
        QVERIFY(source.fetchPage(0, 1)[0] == 2);
        QVERIFY(source.reads == reads + 1);
        for (int b : {0, 0, 1, -1})
            source.releasePage(0, b);
        source.releasePage(3, 0);

        // The page table grows past the 4096 blocks reserved per channel.
        Samples many(5000);
        for (int i = 0; i < 5000; ++i)
            many[size_t(i)] = qint16(i % 3000);
        MemorySignal longRecord({many}, 1);
        TFilteredSignal view(&longRecord, nullptr);
        const Values all = range(view, 0, 0, 5000);
        for (int i = 0; i < 5000; i += 97)
            QCOMPARE(all[size_t(i)], double(i % 3000));
        QCOMPARE(view.sample(0, 4999), 4999 % 3000);
        // The view hands the source's pages back, so the source can evict them.
        const int longReads = longRecord.reads;
        QVERIFY(longRecord.fetchPage(0, 0));
        QVERIFY(longRecord.reads == longReads + 1);
        longRecord.releasePage(0, 0);
    }

    void filteredViewsAndBlocksThatCannotBeRead()
    {
        // Three-point moving sum on channel 0 in blocks of four; channel 1 copied.
        MemorySignal source({ramp(12), ramp(12, 101)}, 4);
        TFirBlockFilter sum3({1.0, 1.0, 1.0}, 1);
        TFilteredSignal view(&source, std::vector<TBlockFilter *>{&sum3});
        QCOMPARE(range(view, 0, -1, 14), (Values{0, 3, 6, 9, 12, 15, 18, 21, 24, 27, 30, 33, 23, 0}));
        const int reads = source.reads;
        QVERIFY(view.sample(0, 5) == 18);
        QVERIFY(source.reads == reads);

        // A source block that cannot be read counts as zeros, for the filter
        // and for a copied channel alike.
        MemorySignal gappy({ramp(12), ramp(12, 101)}, 4);
        gappy.unreadable = {1};
        TFilteredSignal gappyView(&gappy, std::vector<TBlockFilter *>{&sum3});
        QCOMPARE(range(gappyView, 0, 2, 8), (Values{9, 7, 4, 0, 0, 9, 19, 30}));
        QCOMPARE(range(gappyView, 1, 2, 8), (Values{103, 104, 0, 0, 0, 0, 109, 110}));
        // So does a block the view itself cannot produce.
        BrokenView broken(&source, nullptr);
        QVERIFY(range(broken, 1, 2, 8) == (Values{103, 104, 0, 0, 0, 0, 109, 110}));
        QVERIFY(broken.sample(1, 5) == 0);
        // A filter without taps gives zeros.
        TFirBlockFilter empty({}, 0);
        TFilteredSignal silent(&source, &empty);
        QCOMPARE(range(silent, 1, 0, 4), Values(4, 0.0));
    }

    void viewsFollowAGrowingSource()
    {
        TLiveSignal source(4, 400, 1, 250);
        TFirBlockFilter ahead({1.0, 0.0, 0.0}, 2); // y(i) = x(i + 2)
        CountingView view(&source, &ahead);
        CountingView stacked(&view, nullptr);
        append(source, {ramp(12)});
        QVERIFY(stacked.blockCount() == 3);
        QVERIFY(stacked.sample(0, 11) == 0);
        QVERIFY(stacked.sample(0, 3) == 6);
        // Growth drops only the blocks a missing neighbour reached: block 0 is
        // not computed again, block 2 is, through both views.
        append(source, {ramp(8, 13)});
        const int viewReads = view.reads, stackedReads = stacked.reads;
        QVERIFY(stacked.sample(0, 3) == 6);
        QVERIFY(view.reads == viewReads);
        QVERIFY(stacked.reads == stackedReads);
        QVERIFY(view.sampleCount() == 20);
        QVERIFY(stacked.blockCount() == 5);
        QVERIFY(stacked.sample(0, 11) == 14);
        QVERIFY(stacked.sample(0, 17) == 20);
        QVERIFY(view.reads > viewReads);
        QVERIFY(stacked.reads == stackedReads + 2);
    }

    void blockWindowServesThreeBlocks()
    {
        const qint16 previous[] = {1, 2, 3, 4}, current[] = {5, 6, 7, 8}, next[] = {9, 10, 11, 12};
        TBlockWindow w;
        w.n = 4;
        for (int missing = 0; missing < 3; ++missing) {
            w.previous = missing == 0 ? nullptr : previous;
            w.current = missing == 1 ? nullptr : current;
            w.next = missing == 2 ? nullptr : next;
            Values all(20, -99.0);
            w.read(-6, 20, all.data());
            for (int i = -6; i < 14; ++i) {
                const int which = i < -4 ? -1 : (i < 0 ? 0 : (i < 4 ? 1 : (i < 8 ? 2 : -1)));
                const double expected = which < 0 || which == missing ? 0.0 : 5.0 + i;
                QCOMPARE(w.x(i), expected);
                QCOMPARE(all[size_t(i + 6)], expected);
            }
        }
        // Nothing is written past the range asked for.
        double part[5] = {0, 0, 0, 0, -1};
        w.read(-2, 4, part);
        QCOMPARE(part[4], -1.0);
    }

    void recursiveBlockFilters()
    {
        // A running sum, forward only, with a margin of two blocks: the
        // previous block and the current one contribute, nothing before them.
        MemorySignal ones({Samples(16, 1)}, 4);
        TIirBlockFilter integrator({1.0, 0.0}, {0.0, 1.0}, 8, false, 1);
        TFilteredSignal summed(&ones, &integrator);
        QCOMPARE(range(summed, 0, 0, 12), (Values{1, 2, 3, 4, 5, 6, 7, 8, 5, 6, 7, 8}));

        // Forward and backward through y = x / 2 + y[n-1] / 2: an impulse comes
        // out as the symmetric 1000 (1/3, 1/6, 1/12 ...), also across blocks.
        Samples impulse(16, 0);
        impulse[6] = 1000;
        MemorySignal pulse({impulse}, 4);
        TIirBlockFilter smoother({0.5, 0.0}, {0.0, 0.5}, 8, true, 1);
        TFilteredSignal smoothed(&pulse, &smoother);
        QCOMPARE(range(smoothed, 0, 2, 9), (Values{20, 41, 83, 166, 333, 166, 83, 41, 20}));

        // Block outputs saturate at the 16-bit limits and truncate inside them.
        const struct { double gain; int input, expected; } cases[] = {{3, 20000, 32767}, {3, -20000, -32768}, {0.5, -3, -1}};
        for (const auto &c : cases) {
            MemorySignal source({Samples(8, qint16(c.input))}, 4);
            TFirBlockFilter fir({c.gain}, 0);
            TIirBlockFilter iir({c.gain}, {0.0}, 2, false, 1);
            TFilteredSignal firView(&source, &fir), iirView(&source, &iir);
            QVERIFY(firView.sample(0, 5) == c.expected);
            QVERIFY(iirView.sample(0, 5) == c.expected);
        }
    }

    void trendRemoval()
    {
        auto f = [](double x) { return 2 * x * x - 3 * x + 1; };
        QVERIFY(qAbs(TTrendBlockFilter(2, f(2), 3, f(3), 7, f(7)).trend(10) - f(10)) < 1e-9);
        // Points that do not make a parabola give the line through the outer
        // ones, or the first value.
        QVERIFY(TTrendBlockFilter(375, 10, 375, 15, 377, 30).trend(379) == 50.0);
        QVERIFY(TTrendBlockFilter(5, 7, 5, 8, 5, 9).trend(100) == 7.0);

        // Past the source's end the block stays 0; results keep the low 16 bits.
        MemorySignal source({ramp(10)}, 4);
        const qint16 partial[4] = {-30000, 30, 77, 77};
        TBlockWindow window;
        window.n = 4;
        window.current = partial;
        window.source = &source;
        window.block = 2;
        qint16 out[4];
        TTrendBlockFilter(0.0, 1.0, 10000.0).filterBlock(window, out);
        QCOMPARE(Samples(out, out + 4), (Samples{qint16(-30000 - 10008 + 65536), 30 - 10009, 0, 0}));
    }

    void firStreamMatchesTheDirectSumInAnyBatches()
    {
        // Full-scale noise in uneven batches: each output is the plain sum,
        // wrapped to 16 bits, and waits until the input `delay` ahead has come.
        std::vector<double> h(41);
        for (int j = 0; j < 41; ++j)
            h[size_t(j)] = std::sin(0.37 * j) * 0.9;
        Samples x(700);
        quint32 state = 12345;
        for (qint16 &v : x) {
            state = state * 1103515245u + 12345u;
            v = qint16(state >> 16);
        }
        TLiveSignal input(10, 1000, 1, 250), output(10, 1000, 1, 250);
        TFirStreamFilter fir(h, 20);
        fir.connectInput(&input, 0);
        fir.connectOutput(&output);
        for (size_t i = 0, step = 1; i < x.size(); i += step, step = step % 53 + 7) {
            append(input, {Samples(x.begin() + long(i), x.begin() + long(std::min(x.size(), i + step)))});
            fir.process();
        }
        QVERIFY(output.sampleCount() == 700 - 20);
        QVERIFY(fir.position() == 680);
        for (int k = 0; k < 680; ++k) {
            double y = 0;
            for (int j = 0; j < 41; ++j)
                y += h[size_t(j)] * (k + 20 - j >= 0 ? x[size_t(k + 20 - j)] : 0);
            QCOMPARE(output.sample(0, k), int(qint16(quint16(qint64(y) & 0xffff))));
        }
    }

    void streamFiltersKeepEachChannelsState()
    {
        TLiveSignal input(4, 400, 16, 250), firOut(4, 400, 16, 250), iirOut(4, 400, 16, 250);
        TFirStreamFilter fir({0.0, 1.0, 0.0}, 1);
        TIirStreamFilter iir({2.0, 0.0}, {0.0, 0.5});
        fir.connectInput(&input, 0);
        fir.connectOutput(&firOut);
        iir.connectInput(&input, 0);
        iir.connectOutput(&iirOut);
        Samples frames;
        for (int n = 0; n < 3; ++n)
            for (int c = 0; c < 16; ++c)
                frames.push_back(qint16(100 * c + n + (c == 15 && n == 2 ? 20000 : 0)));
        input.appendInterleaved(frames.data(), int(frames.size() * 2));
        fir.process();
        iir.process();
        QVERIFY(firOut.sampleCount() == 2);
        QVERIFY(iirOut.sampleCount() == 3);
        // y = 2 x[n] + y[n-1] / 2, each channel on its own.
        for (int c = 0; c < 16; ++c)
            QVERIFY(firOut.sample(c, 1) == 100 * c + 1 && iirOut.sample(c, 1) == int(2.0 * (100 * c + 1) + 0.5 * 2.0 * (100 * c)));
        // Without an output (or input) a stream filter does nothing.
        TFirStreamFilter firAlone({1.0}, 0);
        TIirStreamFilter iirAlone({1.0}, {0.0});
        firAlone.connectInput(&input, 0);
        iirAlone.connectInput(&input, 0);
        firAlone.process();
        iirAlone.process();
        QCOMPARE(firAlone.position() + iirAlone.position(), 0);
        // The recursive stream keeps the low 16 bits instead of saturating.
        const double y2 = 2.0 * (1500 + 2 + 20000) + 0.5 * (2.0 * 1501 + 0.5 * 2.0 * 1500);
        QCOMPARE(iirOut.sample(15, 2), int(y2) - 65536);
    }

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
        QVERIFY(!IirCoefficients::storedNotch50(250, c));
        QVERIFY(!IirCoefficients::storedBaseline(250, c));
        for (auto [rate, baselineCorner] : {std::pair{500, 0.5}, std::pair{1000, 0.6}}) {
            for (double corner : {0.05, 0.5}) {
                c = IirCoefficients::firstOrderHighPass(corner, rate);
                const Response h = response(c.b, c.a, rate);
                QVERIFY(std::fabs(crossing(h, corner / 20, corner * 10) - corner) <= corner / 50);
                QVERIFY(h(0) < 1e-12);
                QVERIFY(std::fabs(h(rate / 2.0) - 1) < 0.01);
            }
            // The recorded chain's notch, single pass: about 0.02 at 50 Hz,
            // -3 dB at about 48 and 52 Hz; then its baseline high-pass.
            QVERIFY(IirCoefficients::storedNotch50(rate, c));
            Response h = response(c.b, c.a, rate);
            QVERIFY(std::fabs(dB(h(50)) - dB(0.02)) <= 2);
            QVERIFY(std::fabs(h(0) - 1) < 0.001);
            QVERIFY(std::fabs(crossing(h, 50, 30) - 48) <= 0.3);
            QVERIFY(std::fabs(crossing(h, 50, 70) - 52) <= 0.3);
            QVERIFY(IirCoefficients::storedBaseline(rate, c));
            h = response(c.b, c.a, rate);
            QVERIFY(std::fabs(crossing(h, 0.01, 5) - baselineCorner) <= 0.05);
            QVERIFY(std::fabs(h(10) - 1) < 0.01);
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
            QVERIFY(head->channelName(0) == QStringLiteral("V5"));
            QVERIFY(head->lsb() == 12.0 / 512);
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
        QVERIFY(head->sampleCount() == 4);
        QVERIFY(head->sample(0, 0) == int(y0));
        QVERIFY(head->sample(0, 1) == int(y1));

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
        QVERIFY(chain.head()->sampleCount() == 2500);
        QVERIFY(peak(chain.head(), 0, 2000, 0) <= 2);
        QVERIFY(peak(chain.head(), 0, 2000, 1) <= 2);

        // Two seconds of a constant 100: both means divide 500 samples by 750.
        TMemorySignal shortInput({Samples(500, 100)}, 250, 250);
        TStoredFilterChain shortChain(&shortInput);
        std::vector<double> out(100);
        shortChain.head()->readRange(0, 450, 100, out.data());
        QVERIFY(shortChain.head()->sample(0, 0) == 33);
        QVERIFY(out[49] == 33.0);
        QVERIFY(out[50] == 0.0);
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

QTEST_MAIN(TestSignals)
#include "tst_signals.moc"
