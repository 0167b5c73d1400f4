#include "dsp/tblockwindow.h"
#include "dsp/tfilteredsignal.h"
#include "dsp/tfirblockfilter.h"
#include "dsp/tfirstreamfilter.h"
#include "dsp/tiirblockfilter.h"
#include "dsp/tiirstreamfilter.h"
#include "dsp/tlivesignal.h"
#include "dsp/tmemorysignal.h"
#include "dsp/ttrendblockfilter.h"

#include <QtTest>

#include <numeric>
#include <stdexcept>

class TestSignalModel : public QObject
{
    Q_OBJECT

private slots:
    void channelCountLimits();
    void liveRingHoldsOnlyTheLastCapacity();
    void liveInterleavedIgnoresPartialFrame();
    void liveDoublesWrapToLow16Bits();
    void pageTableGrowsPastInitialSize();
    void cacheEvictsOldestUnreferenced();
    void filteredViewNeighboursReadZero();
    void recursiveMarginBeyondNeighbourReadsZero();
    void filteredViewFollowsGrowingSource();
    void trendThroughThreePoints();
    void trendLeavesTailOfPartialBlockZero();
    void blockOutputsSaturate_data();
    void blockOutputsSaturate();
    void streamOutputsWrap();
    void firStreamMatchesDirectSum();
    void streamFiltersKeepSixteenChannels();
};

namespace {

// An in-memory recording that counts the blocks it has to read.
struct MemorySignal : TMemorySignal
{
    MemorySignal(const std::vector<qint16> &samples, int blockLength, int rate)
        : TMemorySignal({samples}, blockLength, rate) {}
    qint16 *readBlock(int channel, int block) override
    {
        qint16 *data = TMemorySignal::readBlock(channel, block);
        blocksRead += data ? 1 : 0;
        return data;
    }
    int blocksRead = 0;
};

std::vector<qint16> ramp(int n, int first = 1)
{
    std::vector<qint16> v(n);
    std::iota(v.begin(), v.end(), qint16(first));
    return v;
}

void appendSamples(TSignal &signal, const std::vector<qint16> &samples)
{
    const qint16 *channels[] = {samples.data()};
    signal.appendChannels(channels, int(samples.size()));
}

std::vector<qint16> block(TSignal &signal, int channel, int index)
{
    const qint16 *data = signal.fetchPage(channel, index);
    if (!data)
        return {};
    std::vector<qint16> out(data, data + signal.blockLength());
    signal.releasePage(channel, index);
    return out;
}

} // namespace

void TestSignalModel::channelCountLimits()
{
    QVERIFY_EXCEPTION_THROWN(TLiveSignal(10, 100, 17, 250), std::invalid_argument);
    QVERIFY_EXCEPTION_THROWN(TLiveSignal(10, 100, 0, 250), std::invalid_argument);
    TLiveSignal sixteen(10, 100, 16, 250);
    QVERIFY(!sixteen.channel(16));
}

void TestSignalModel::liveRingHoldsOnlyTheLastCapacity()
{
    TLiveSignal s(4, 8, 1, 250);
    appendSamples(s, ramp(12)); // values 1..12 at indexes 0..11
    // Index 3 is older than count - capacity; its ring slot holds 12 now.
    QCOMPARE(s.sample(0, 3), 0);
    QCOMPARE(s.sample(0, 4), 5);
    QCOMPARE(s.sample(0, 12), 0);

    double out[12];
    s.readRange(0, 2, 12, out);
    const double expected[12] = {0, 0, 5, 6, 7, 8, 9, 10, 11, 12, 0, 0};
    for (int i = 0; i < 12; ++i)
        QCOMPARE(out[i], expected[i]);

    // Block 0 is no longer held: zeros; block 1 is; block 3 does not exist.
    QCOMPARE(block(s, 0, 0), std::vector<qint16>(4, 0));
    QCOMPARE(block(s, 0, 1), (std::vector<qint16>{5, 6, 7, 8}));
    QVERIFY(!s.fetchPage(0, 3));
}

void TestSignalModel::liveInterleavedIgnoresPartialFrame()
{
    TLiveSignal s(4, 40, 2, 250);
    const qint16 frames[] = {1, -1, 2, -2, 3};
    s.appendInterleaved(frames, 7); // one and a half frames
    QCOMPARE(s.sampleCount(), 1);
    QCOMPARE(s.sample(0, 0), 1);
    QCOMPARE(s.sample(1, 0), -1);
    s.appendInterleaved(frames + 2, 4);
    QCOMPARE(s.sampleCount(), 2);
    QCOMPARE(s.sample(1, 1), -2);
}

void TestSignalModel::liveDoublesWrapToLow16Bits()
{
    TLiveSignal s(4, 40, 1, 250);
    const double values[] = {40000.7, -1.9, 65541.0, -32769.5, 1e30};
    const double *channels[] = {values};
    s.appendChannelsF64(channels, 5);
    QCOMPARE(s.sample(0, 0), 40000 - 65536);
    QCOMPARE(s.sample(0, 1), -1);
    QCOMPARE(s.sample(0, 2), 5);
    QCOMPARE(s.sample(0, 3), 32767);
    QCOMPARE(s.sample(0, 4), 0); // beyond any integer: a defined 0
}

void TestSignalModel::pageTableGrowsPastInitialSize()
{
    // One sample per block: 5000 blocks, past the 4096 reserved per channel.
    std::vector<qint16> samples(5000);
    for (int i = 0; i < 5000; ++i)
        samples[i] = qint16(i % 3000);
    MemorySignal source(samples, 1, 250);
    TFilteredSignal view(&source, nullptr);
    QCOMPARE(view.blockCount(), 5000);
    QCOMPARE(view.sample(0, 4999), 4999 % 3000);
    std::vector<double> all(5000);
    view.readRange(0, 0, 5000, all.data());
    for (int i = 0; i < 5000; i += 97)
        QCOMPARE(all[i], double(i % 3000));
}

void TestSignalModel::cacheEvictsOldestUnreferenced()
{
    MemorySignal source(ramp(2000), 1, 250);
    const qint16 *held = source.fetchPage(0, 0);
    QVERIFY(held);
    for (int b = 1; b < 2000; ++b) {
        QVERIFY(source.fetchPage(0, b));
        source.releasePage(0, b);
    }
    // More than 1024 pages trigger eviction of one per fetch.
    QCOMPARE(source.cachedPageCount(), TSignal::MaxCachedPages + 1);
    // The referenced oldest page survived; the next oldest went.
    QCOMPARE(source.fetchPage(0, 0), held);
    const int readsBefore = source.blocksRead;
    QCOMPARE(source.fetchPage(0, 1)[0], qint16(2));
    QCOMPARE(source.blocksRead, readsBefore + 1);
    // A block still cached is not read again.
    QCOMPARE(source.fetchPage(0, 1999)[0], qint16(2000));
    QCOMPARE(source.blocksRead, readsBefore + 1);
    source.releasePage(0, 1);
    source.releasePage(0, 1999);
    source.releasePage(0, 0);
    source.releasePage(0, 0);
}

void TestSignalModel::filteredViewNeighboursReadZero()
{
    // Three-point moving sum centred on each sample, blocks of 4.
    MemorySignal source(ramp(12), 4, 250);
    TFirBlockFilter sum3({1.0, 1.0, 1.0}, 1);
    TFilteredSignal view(&source, &sum3);
    QCOMPARE(view.blockCount(), 3);
    QCOMPARE(view.sample(0, 0), 0 + 1 + 2);    // no block before the first
    QCOMPARE(view.sample(0, 3), 3 + 4 + 5);    // next block's first sample
    QCOMPARE(view.sample(0, 4), 4 + 5 + 6);    // previous block's last sample
    QCOMPARE(view.sample(0, 11), 11 + 12 + 0); // no block after the last
    QCOMPARE(view.sample(0, 12), 0);
    QCOMPARE(view.sample(0, -1), 0);
    double out[3];
    view.readRange(0, 10, 3, out);
    QCOMPARE(out[0], 33.0);
    QCOMPARE(out[1], 23.0);
    QCOMPARE(out[2], 0.0);
    // Computed once, then served from the view's cache.
    const int reads = source.blocksRead;
    QCOMPARE(view.sample(0, 5), 18);
    QCOMPARE(source.blocksRead, reads);
}

void TestSignalModel::recursiveMarginBeyondNeighbourReadsZero()
{
    // A running sum, forward only, with a margin of two blocks: only the
    // previous block and the current one may contribute.
    MemorySignal source(std::vector<qint16>(16, 1), 4, 250);
    TIirBlockFilter integrator({1.0, 0.0}, {0.0, 1.0}, 8, false, 1);
    TFilteredSignal view(&source, &integrator);
    QCOMPARE(view.sample(0, 8), 5);  // 4 from block 1, then itself
    QCOMPARE(view.sample(0, 11), 8);
    QCOMPARE(view.sample(0, 0), 1);  // first block: nothing before it
}

void TestSignalModel::filteredViewFollowsGrowingSource()
{
    TLiveSignal source(4, 400, 1, 250);
    TFirBlockFilter next({1.0, 0.0, 0.0}, 2); // y(i) = x(i + 2)
    TFilteredSignal view(&source, &next);
    TFilteredSignal stacked(&view, nullptr);
    appendSamples(source, ramp(4));
    QCOMPARE(stacked.blockCount(), 1);
    QCOMPARE(stacked.sample(0, 3), 0); // the next block does not exist yet
    appendSamples(source, ramp(8, 5));
    QCOMPARE(view.sampleCount(), 12);
    QCOMPARE(stacked.blockCount(), 3);
    QCOMPARE(stacked.sample(0, 3), 6); // recomputed with the real neighbour
    QCOMPARE(view.sample(0, 9), 12);
}

void TestSignalModel::trendThroughThreePoints()
{
    auto f = [](double x) { return 2 * x * x - 3 * x + 1; };
    TTrendBlockFilter quadratic(-1, f(-1), 2, f(2), 5, f(5));
    QVERIFY(qAbs(quadratic.trend(7) - f(7)) < 1e-9);
    // Coinciding points (a record as long as the averaging time) give a
    // finite trend instead of a division by zero.
    TTrendBlockFilter degenerate(375, 10, 375, 15, 376, 20);
    QVERIFY(qIsFinite(degenerate.trend(1000)));
    QCOMPARE(degenerate.trend(376), 20.0);
}

void TestSignalModel::trendLeavesTailOfPartialBlockZero()
{
    MemorySignal source(ramp(10), 4, 250); // last block holds 2 of 4 samples
    TTrendBlockFilter line(0.0, 1.0, 0.5); // trend x + 0.5
    const qint16 partial[4] = {20, 30, 77, 77};
    TBlockWindow window;
    window.n = 4;
    window.current = partial;
    window.source = &source;
    window.block = 2;
    qint16 out[4];
    line.filterBlock(window, out);
    QCOMPARE(out[0], qint16(11)); // 20 - 8.5 truncated
    QCOMPARE(out[1], qint16(20));
    QCOMPARE(out[2], qint16(0)); // past the source's end
    QCOMPARE(out[3], qint16(0));
    const qint16 full[4] = {-30000, 0, 0, 0};
    TTrendBlockFilter offset(0.0, 0.0, 10000.0);
    window.block = 0;
    window.current = full;
    offset.filterBlock(window, out);
    QCOMPARE(out[0], qint16(-40000 + 65536)); // trend removal keeps the low 16 bits
}

void TestSignalModel::blockOutputsSaturate_data()
{
    QTest::addColumn<double>("gain");
    QTest::addColumn<int>("input");
    QTest::addColumn<int>("expected");
    QTest::newRow("above") << 3.0 << 20000 << 32767;
    QTest::newRow("below") << 3.0 << -20000 << -32768;
    QTest::newRow("inside, truncated") << 0.5 << -3 << -1;
}

void TestSignalModel::blockOutputsSaturate()
{
    QFETCH(double, gain);
    QFETCH(int, input);
    QFETCH(int, expected);
    MemorySignal source(std::vector<qint16>(8, qint16(input)), 4, 250);
    TFirBlockFilter fir({gain}, 0);
    TIirBlockFilter iir({gain}, {0.0}, 2, false, 1);
    TFilteredSignal firView(&source, &fir);
    TFilteredSignal iirView(&source, &iir);
    QCOMPARE(firView.sample(0, 5), expected);
    QCOMPARE(iirView.sample(0, 5), expected);
}

void TestSignalModel::streamOutputsWrap()
{
    // (The FIR stream filter's wrap-around is checked against the direct sum below.)
    TLiveSignal input(4, 400, 1, 250);
    TLiveSignal iirOut(4, 400, 1, 250);
    TIirStreamFilter iir({3.0}, {0.0});
    iir.connectInput(&input, 0);
    iir.connectOutput(&iirOut);
    appendSamples(input, {20000, -20000});
    iir.process();
    QCOMPARE(iirOut.sample(0, 0), 60000 - 65536);
    QCOMPARE(iirOut.sample(0, 1), -60000 + 65536);
}

void TestSignalModel::firStreamMatchesDirectSum()
{
    // Full-scale noise in uneven batches: every output is the plain sum,
    // wrapped to 16 bits, whatever the batch boundaries; an output waits
    // until the input `delay` samples ahead of it has arrived.
    std::vector<double> h(41);
    for (int j = 0; j < 41; ++j)
        h[j] = std::sin(0.37 * j) * 0.9;
    std::vector<qint16> x(700);
    quint32 state = 12345;
    for (qint16 &v : x) {
        state = state * 1103515245u + 12345u;
        v = qint16(state >> 16);
    }
    TLiveSignal input(10, 1000, 1, 250);
    TLiveSignal output(10, 1000, 1, 250);
    TFirStreamFilter fir(h, 20);
    fir.connectInput(&input, 0);
    fir.connectOutput(&output);
    for (size_t i = 0, step = 1; i < x.size(); i += step, step = step % 53 + 7) {
        appendSamples(input, std::vector<qint16>(x.begin() + i, x.begin() + std::min(x.size(), i + step)));
        fir.process();
    }
    QCOMPARE(output.sampleCount(), 700 - 20);
    for (int k = 0; k < 680; ++k) {
        double y = 0;
        for (int j = 0; j < 41; ++j) {
            const int at = k + 20 - j;
            y += h[j] * (at >= 0 ? x[at] : 0);
        }
        QCOMPARE(output.sample(0, k), int(qint16(quint16(qint64(y) & 0xffff))));
    }
}

void TestSignalModel::streamFiltersKeepSixteenChannels()
{
    TLiveSignal input(4, 400, 16, 250);
    TLiveSignal firOut(4, 400, 16, 250);
    TLiveSignal iirOut(4, 400, 16, 250);
    TFirStreamFilter fir({0.0, 1.0, 0.0}, 1);
    TIirStreamFilter iir({2.0, 0.0}, {0.0, 0.5});
    fir.connectInput(&input, 0);
    fir.connectOutput(&firOut);
    iir.connectInput(&input, 0);
    iir.connectOutput(&iirOut);
    std::vector<qint16> frames;
    for (int n = 0; n < 3; ++n)
        for (int c = 0; c < 16; ++c)
            frames.push_back(qint16(100 * c + n));
    input.appendInterleaved(frames.data(), int(frames.size() * 2));
    fir.process();
    iir.process();
    QCOMPARE(firOut.sampleCount(), 2);
    QCOMPARE(iirOut.sampleCount(), 3);
    for (int c = 0; c < 16; ++c) {
        QCOMPARE(firOut.sample(c, 1), 100 * c + 1);
        // y = 2 x[n] + 0.5 y[n-1], each channel with its own state
        const double y0 = 2.0 * (100 * c), y1 = 2.0 * (100 * c + 1) + 0.5 * y0;
        QCOMPARE(iirOut.sample(c, 1), int(y1));
    }
}

QTEST_APPLESS_MAIN(TestSignalModel)
#include "tst_signalmodel.moc"
