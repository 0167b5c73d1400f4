#include "memorysignal.h"

#include "display/qsignalmonitordisplay.h"
#include "display/sweepgeometry.h"

#include <QImage>
#include <QtTest>

namespace {

bool isTrace(QRgb p)
{
    // Paper and grid are light (>= 180 in every channel); the trace is black.
    return qRed(p) < 150 && qGreen(p) < 150 && qBlue(p) < 150;
}

// Rows of column x where the trace is drawn, -1 when none.
int traceRowNear(const QImage &image, int x, double expectedY, int tolerance = 2)
{
    for (int y = qMax(0, int(expectedY) - tolerance); y <= qMin(image.height() - 1, int(expectedY) + tolerance); ++y)
        if (isTrace(image.pixel(x, y)))
            return y;
    return -1;
}

bool columnHasTrace(const QImage &image, int x)
{
    for (int y = 0; y < image.height(); ++y)
        if (isTrace(image.pixel(x, y)))
            return true;
    return false;
}

} // namespace

class TestSignalMonitorDisplay : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void gridOnlyWithoutSignal();
    void traceAtExpectedHeight();
    void autoCentreRemovesOffset();
    void previousSweepRightOfCursor();
    void lanes();

private:
    double yFor(int value, int lane = 0, int lanes = 1) const;
    QImage frame() const { return m_display->frameBuffer().toImage(); }

    QSignalMonitorDisplay *m_display = nullptr;
};

void TestSignalMonitorDisplay::init()
{
    m_display = new QSignalMonitorDisplay;
    // 945 px at 96 dpi are 250 mm: a 10-second sweep at 25 mm/s.
    m_display->resize(945, 301);
    m_display->refresh();
}

void TestSignalMonitorDisplay::cleanup()
{
    delete m_display;
    m_display = nullptr;
}

double TestSignalMonitorDisplay::yFor(int value, int lane, int lanes) const
{
    const QPixmap &f = m_display->frameBuffer();
    const double scale = sweep::verticalScale(12.0 / 512.0, sweep::pixelsPerCentimetre(f.width(), f.widthMM()),
                                              m_display->amplitude());
    return sweep::laneCentre(f.height(), lanes, lane) - value * scale;
}

void TestSignalMonitorDisplay::gridOnlyWithoutSignal()
{
    const QImage empty = frame();
    MemorySignal signal(1, 250);
    m_display->setSignal(&signal);
    signal.appendConstant(0, 1000);
    m_display->setSignal(nullptr);
    m_display->refresh();
    QCOMPARE(frame(), empty);

    // A signal without a rate draws nothing either.
    MemorySignal noRate(1, 0);
    noRate.appendConstant(100, 1000);
    m_display->setSignal(&noRate);
    QCOMPARE(frame(), empty);
}

void TestSignalMonitorDisplay::traceAtExpectedHeight()
{
    MemorySignal signal(1, 250);
    signal.setRange(-6.0, 6.0);
    signal.setResolutionBits(9);
    m_display->setAutoCenter(false);
    m_display->setSignal(&signal);
    // Before any sample: cursor at x = 0 (dotted grey), no trace elsewhere.
    QVERIFY(!columnHasTrace(frame(), 300));

    signal.appendConstant(64, 2000);   // 1.5 mV, 8 s of a 10 s sweep
    m_display->refresh();
    QImage image = frame();
    QVERIFY(traceRowNear(image, 300, yFor(64)) >= 0);
    QVERIFY(traceRowNear(image, 300, yFor(0), 5) < 0);
    // Nothing right of the cursor during the first sweep.
    QVERIFY(!columnHasTrace(image, 900));

    // Amplitude rescales the same samples at once.
    m_display->setAmplitude(20.0);
    image = frame();
    QVERIFY(traceRowNear(image, 300, yFor(64)) >= 0);
    QVERIFY(yFor(64) < 150.0 - 60);
}

void TestSignalMonitorDisplay::autoCentreRemovesOffset()
{
    MemorySignal signal(1, 250);
    signal.setRange(-6.0, 6.0);
    signal.setResolutionBits(9);
    m_display->setSignal(&signal);   // auto-centre on by default
    // Offsets follow the mean during the first second.
    signal.appendConstant(64, 200);
    m_display->refresh();
    QVERIFY(traceRowNear(frame(), 50, yFor(0)) >= 0);
    // Afterwards they stay until the next sweep starts.
    signal.appendConstant(100, 2000);
    m_display->refresh();
    QVERIFY(traceRowNear(frame(), 500, yFor(36)) >= 0);
    // A new sweep: the mean of the last sweep's worth becomes the offset.
    signal.appendConstant(100, 500);
    m_display->refresh();
    QVERIFY(traceRowNear(frame(), 10, yFor(0)) >= 0);

    m_display->setAutoCenter(false);
    QVERIFY(traceRowNear(frame(), 10, yFor(100)) >= 0);
}

void TestSignalMonitorDisplay::previousSweepRightOfCursor()
{
    if (m_display->frameBuffer().widthMM() != 250)
        QSKIP("the test screen is not 96 dpi");
    MemorySignal signal(1, 250);
    signal.setRange(-6.0, 6.0);
    signal.setResolutionBits(9);
    m_display->setAutoCenter(false);
    m_display->setSignal(&signal);
    signal.appendConstant(60, 2500);    // the whole first sweep high
    signal.appendConstant(-60, 1000);   // 4 s of the second sweep low
    m_display->refresh();

    const QImage image = frame();
    const int cursor = sweep::compute(945, 250, 25.0, 250, 3500).cursorX;
    QCOMPARE(cursor, 378);
    // Left of the cursor the new sweep, right of it what remains of the old one.
    QVERIFY(traceRowNear(image, 200, yFor(-60)) >= 0);
    QVERIFY(traceRowNear(image, 200, yFor(60)) < 0);
    QVERIFY(traceRowNear(image, 600, yFor(60)) >= 0);
}

void TestSignalMonitorDisplay::lanes()
{
    MemorySignal signal(2, 250);
    m_display->setAutoCenter(false);
    m_display->setSignal(&signal);
    signal.appendConstant(0, 500);
    m_display->refresh();
    QVERIFY(traceRowNear(frame(), 100, 75.0, 1) >= 0);
    QVERIFY(traceRowNear(frame(), 100, 225.0, 1) >= 0);

    // A hidden channel takes no lane: the other one is centred.
    m_display->setChannelVisible(0, false);
    QVERIFY(traceRowNear(frame(), 100, 150.0, 1) >= 0);
    QVERIFY(traceRowNear(frame(), 100, 75.0, 3) < 0);

    // Lanes follow a resize.
    m_display->resize(945, 201);
    m_display->refresh();
    QVERIFY(traceRowNear(frame(), 100, 100.5, 1) >= 0);
}

QTEST_MAIN(TestSignalMonitorDisplay)
#include "tst_signalmonitordisplay.moc"
