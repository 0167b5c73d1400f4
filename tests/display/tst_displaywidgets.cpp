// The two painted widgets, looked at pixel by pixel: the sweeping ECG on
// millimetre paper, and the trend plot with its styles, panning, zooming and
// selection.

#include "display/qplotgraphic.h"
#include "display/qsignalmonitordisplay.h"
#include "display/sweepgeometry.h"
#include "dsp/tlivesignal.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// Paper and grid are light; traces are dark.
bool isTrace(QRgb p)
{
    return qRed(p) < 150 && qGreen(p) < 150 && qBlue(p) < 150;
}

bool isRed(QRgb p)
{
    return qRed(p) > qGreen(p) + 60 && qRed(p) > qBlue(p) + 60;
}

// Whether column x holds a trace pixel within `tolerance` rows of y.
bool traceNear(const QImage &image, int x, double y, int tolerance = 2)
{
    for (int row = qMax(0, int(y) - tolerance); row <= qMin(image.height() - 1, int(y) + tolerance); ++row)
        if (isTrace(image.pixel(x, row)))
            return true;
    return false;
}

void appendConstant(TSignal &signal, int value, int n)
{
    const std::vector<qint16> samples(static_cast<size_t>(n), static_cast<qint16>(value));
    std::vector<const qint16 *> channels(size_t(signal.channelCount()), samples.data());
    signal.appendChannels(channels.data(), n);
}

class Series : public QPlotGraphic::IPlotValues
{
public:
    std::vector<double> xs, ys;
    int seriesCount() override { return 1; }
    int pointCount(int) override { return int(xs.size()); }
    double x(int, int p) override { return xs[size_t(p)]; }
    double y(int, int p) override { return ys[size_t(p)]; }
    QColor color(int) override { return Qt::red; }
    QString name(int) override { return QStringLiteral("HR"); }
};

void move(QWidget *w, const QPoint &pos, Qt::KeyboardModifiers modifiers)
{
    QMouseEvent event(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(w, &event);
}

} // namespace

class TestDisplayWidgets : public QObject
{
    Q_OBJECT

private slots:
    void sweepingEcg()
    {
        // 945 px at 96 dpi are 250 mm: a 10-second sweep at 25 mm/s.
        QSignalMonitorDisplay display;
        display.resize(945, 301);
        display.refresh();
        if (display.frameBuffer().widthMM() != 250)
            QSKIP("the test screen is not 96 dpi");
        const QImage paper = display.frameBuffer().toImage();
        TLiveSignal signal(250, 10000, 1, 250);
        signal.setRange(-6.0, 6.0);
        signal.setResolutionBits(9);
        auto y = [&display](int value, double centre = 150.0) {
            return centre - value * sweep::verticalScale(12.0 / 512.0, 37.8, display.amplitude());
        };
        display.setAutoCenter(false);
        display.setSignal(&signal);
        appendConstant(signal, 60, 2500);  // the whole first sweep high
        appendConstant(signal, -60, 1000); // four seconds of the second low
        display.refresh();
        QImage image = display.frameBuffer().toImage();
        // Left of the cursor the new sweep, right of it what is left of the old one.
        QVERIFY(traceNear(image, 200, y(-60)) && !traceNear(image, 200, y(60)));
        QVERIFY(traceNear(image, 600, y(60)) && !traceNear(image, 600, y(-60)));
        display.setAmplitude(20.0);
        QVERIFY(traceNear(display.frameBuffer().toImage(), 200, y(-60)));
        display.setAmplitude(10.0);

        // Auto-centring takes the mean of the last sweep's worth at each new sweep.
        display.setAutoCenter(true);
        appendConstant(signal, -60, 1600);
        display.refresh();
        QVERIFY(traceNear(display.frameBuffer().toImage(), 10, y(0)));

        // Two channels get two lanes; a hidden channel gives its lane up.
        TLiveSignal two(250, 10000, 2, 250);
        display.setAutoCenter(false);
        display.setSignal(&two);
        appendConstant(two, 0, 500);
        display.refresh();
        image = display.frameBuffer().toImage();
        QVERIFY(traceNear(image, 100, 75.0, 1) && traceNear(image, 100, 225.0, 1));
        display.setChannelVisible(0, false);
        QVERIFY(traceNear(display.frameBuffer().toImage(), 100, 150.0, 1));
        QVERIFY(!traceNear(display.frameBuffer().toImage(), 100, 75.0, 3));
        // Without a signal, or one without a rate, only the paper is drawn.
        display.setSignal(nullptr);
        QCOMPARE(display.frameBuffer().toImage(), paper);
        TLiveSignal noRate(250, 10000, 1, 0);
        appendConstant(noRate, 100, 1000);
        display.setSignal(&noRate);
        QCOMPARE(display.frameBuffer().toImage(), paper);
        display.setSignal(nullptr);
    }

    void trendPlot()
    {
        Series values;
        values.xs = {0, 100, 200, 300};
        values.ys = {50, 50, 50, 50};
        QPlotGraphic plot;
        plot.resize(330, 115);
        plot.setXRange(0, 300);
        plot.setYRange(0, 100);
        plot.setValues(&values);
        QCOMPARE(plot.plotLeft(), 30);
        QCOMPARE(plot.plotBottom(), 100);
        const int y = int(plot.pixelY(50)), between = int(plot.pixelX(150)), marker = int(plot.pixelX(100));
        plot.setStyle(QPlotGraphic::Markers);
        QImage image = plot.frameBuffer().toImage();
        QVERIFY(isRed(image.pixel(marker + 2, y - 3)) && !isRed(image.pixel(between, y)));
        plot.setStyle(QPlotGraphic::Lines);
        image = plot.frameBuffer().toImage();
        QVERIFY(isRed(image.pixel(between, y)) && !isRed(image.pixel(marker + 2, y - 3)));
        // A gap wider than the threshold is drawn dotted in a paler colour.
        plot.setGapThreshold(50);
        plot.refresh();
        image = plot.frameBuffer().toImage();
        bool pale = false, solid = false;
        for (int x = between - 20; x < between + 20; ++x) {
            pale = pale || (qRed(image.pixel(x, y)) > 240 && qGreen(image.pixel(x, y)) > 100 && qGreen(image.pixel(x, y)) < 160);
            solid = solid || (qRed(image.pixel(x, y)) > 240 && qGreen(image.pixel(x, y)) < 40);
        }
        QVERIFY(pale && !solid);

        // Thirty minutes on 300 pixels: many points per column, still a trend across.
        plot.setGapThreshold(0);
        values.xs.clear();
        values.ys.clear();
        for (int s = 0; s < 1800; ++s) {
            values.xs.push_back(s);
            values.ys.push_back(s < 900 ? 80 + s / 30 : 140);
        }
        plot.setXRange(0, 1800);
        plot.setYRange(40, 200);
        plot.refresh();
        image = plot.frameBuffer().toImage();
        for (int x = 35; x < 320; x += 5) {
            bool found = false;
            for (int row = 25; row < plot.plotBottom() && !found; ++row)
                found = isRed(image.pixel(x, row));
            QVERIFY2(found, qPrintable(QString::number(x)));
        }
    }

    void panZoomAndSelect()
    {
        Series values;
        values.xs = {0, 300};
        values.ys = {50, 50};
        QPlotGraphic plot;
        plot.resize(331, 115); // a plot area 301 px wide
        plot.setValues(&values);
        plot.setXRange(0, 302);
        plot.setYRange(0, 100);
        plot.setXLocked(false);
        plot.refresh();
        QSignalSpy scale(&plot, &QPlotGraphic::scaleChanged);
        // Drags start on the label strip: 20 px pan, then a 10 px zoom with Ctrl.
        QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, QPoint(100, 108));
        move(&plot, QPoint(120, 108), Qt::NoModifier);
        QCOMPARE(QVector<double>({plot.xMin(), plot.xMax(), plot.yMin()}), QVector<double>({-20, 282, 0}));
        move(&plot, QPoint(130, 108), Qt::ControlModifier);
        QCOMPARE(QVector<double>({plot.xMin(), plot.xMax()}), QVector<double>({-10, 272}));
        QCOMPARE(scale.count(), 2);
        move(&plot, QPoint(330, 108), Qt::ControlModifier); // would invert the range
        QCOMPARE(plot.xMax(), 272.0);
        QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, QPoint(130, 108));
        scale.clear();
        // Released, moving does nothing; a press inside the plot area does not pan.
        move(&plot, QPoint(200, 108), Qt::NoModifier);
        QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, QPoint(100, 50));
        move(&plot, QPoint(150, 50), Qt::NoModifier);
        QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, QPoint(150, 50));
        QCOMPARE(scale.count(), 0);

        // Shift-drag selects once selection is enabled; the band lies between its ends.
        plot.setXRange(0, 300);
        plot.setXLocked(true);
        plot.setSelectionColor(QColor(255, 255, 0));
        QSignalSpy selected(&plot, &QPlotGraphic::selectedValueChanged);
        QTest::mousePress(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(80, 50));
        QTest::mouseRelease(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(80, 50));
        QCOMPARE(selected.count(), 0);
        plot.setSelectionEnabled(true);
        QTest::mousePress(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(80, 50));
        move(&plot, QPoint(180, 50), Qt::ShiftModifier);
        QTest::mouseRelease(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(180, 50));
        QCOMPARE(selected.count(), 2);
        QCOMPARE(plot.selectionStart(), plot.valueAtX(80));
        QCOMPARE(plot.selectionEnd(), plot.valueAtX(180));
        const QImage image = plot.frameBuffer().toImage();
        int inside = 0, outside = 0;
        for (int x = 85; x < 320; ++x) {
            const bool band = image.pixel(x, 90) == qRgb(255, 255, 0);
            inside += x < 175 && band;
            outside += x >= 185 && band;
        }
        QVERIFY(inside > 80 && outside == 0);
        // A click without dragging is an empty selection, which is cleared.
        QTest::mousePress(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 50));
        QTest::mouseRelease(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 50));
        QCOMPARE(plot.activeSelection(), -1);
    }
};

QTEST_MAIN(TestDisplayWidgets)
#include "tst_displaywidgets.moc"
