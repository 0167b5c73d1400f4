// The two painted widgets, looked at pixel by pixel: the sweeping ECG on
// millimetre paper, and the trend plot with its styles, panning and selection.

#include "display/qplotgraphic.h"
#include "display/qsignalmonitordisplay.h"
#include "display/sweepgeometry.h"
#include "dsp/tlivesignal.h"

#include <QSignalSpy>
#include <QtTest>

namespace {

// Whether column x holds a dark (trace) pixel within `tolerance` rows of y.
bool traceNear(const QImage &image, int x, double y, int tolerance = 2)
{
    for (int row = qMax(0, int(y) - tolerance); row <= qMin(image.height() - 1, int(y) + tolerance); ++row)
        if (qRed(image.pixel(x, row)) < 150 && qGreen(image.pixel(x, row)) < 150 && qBlue(image.pixel(x, row)) < 150)
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

void drag(QWidget *w, QPoint from, QPoint to, Qt::KeyboardModifiers modifiers)
{
    QTest::mousePress(w, Qt::LeftButton, modifiers, from);
    QMouseEvent move(QEvent::MouseMove, to, w->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(w, &move);
    QTest::mouseRelease(w, Qt::LeftButton, modifiers, to);
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
        auto y = [&display](int value) { return 150 - value * sweep::verticalScale(12.0 / 512.0, 37.8, display.amplitude()); };
        display.setAutoCenter(false);
        display.setSignal(&signal);
        appendConstant(signal, 60, 2500);  // the whole first sweep high
        appendConstant(signal, -60, 1000); // four seconds of the second low
        display.setAmplitude(20.0);
        // Left of the cursor the new sweep, right of it what is left of the old one.
        QImage image = display.frameBuffer().toImage();
        QVERIFY(traceNear(image, 200, y(-60)) && !traceNear(image, 200, y(60)));
        QVERIFY(traceNear(image, 600, y(60)) && !traceNear(image, 600, y(-60)));
        // Auto-centring takes the mean of the last sweep's worth at each new sweep.
        display.setAutoCenter(true);
        appendConstant(signal, -60, 1600);
        display.refresh();
        QVERIFY(traceNear(display.frameBuffer().toImage(), 10, y(0)));
        // Two channels in two lanes; a hidden one gives its lane up.
        TLiveSignal two(250, 10000, 2, 250);
        display.setSignal(&two);
        appendConstant(two, 0, 500);
        display.refresh();
        QVERIFY(traceNear(display.frameBuffer().toImage(), 100, 75.0, 1) && traceNear(display.frameBuffer().toImage(), 100, 225.0, 1));
        display.setChannelVisible(0, false);
        QVERIFY(traceNear(display.frameBuffer().toImage(), 100, 150.0, 1));
        // Without a signal only the paper is drawn.
        display.setSignal(nullptr);
        QCOMPARE(display.frameBuffer().toImage(), paper);
    }

    void trendPlot()
    {
        Series values;
        values.xs = {0, 100, 200, 300};
        values.ys = {50, 50, 50, 50};
        QPlotGraphic plot;
        plot.resize(331, 115); // a plot area 301 px wide for 302 units: one unit per dragged pixel
        plot.setXRange(0, 302);
        plot.setYRange(0, 100);
        plot.setValues(&values);
        const int y = int(plot.pixelY(50)), between = int(plot.pixelX(150)), marker = int(plot.pixelX(100));
        auto redAt = [&plot](int x, int row) {
            const QRgb p = plot.frameBuffer().toImage().pixel(x, row);
            return qRed(p) > qGreen(p) + 60 && qRed(p) > qBlue(p) + 60;
        };
        plot.setStyle(QPlotGraphic::Markers);
        QVERIFY(redAt(marker + 2, y - 3) && !redAt(between, y));
        plot.setStyle(QPlotGraphic::Lines);
        QVERIFY(redAt(between, y) && !redAt(marker + 2, y - 3));
        // A gap wider than the threshold is dotted in a paler colour.
        plot.setGapThreshold(50);
        plot.refresh();
        const QImage gap = plot.frameBuffer().toImage();
        int pale = 0, solid = 0;
        for (int x = between - 20; x < between + 20; ++x) {
            pale += qRed(gap.pixel(x, y)) > 240 && qGreen(gap.pixel(x, y)) > 100 && qGreen(gap.pixel(x, y)) < 160;
            solid += qRed(gap.pixel(x, y)) > 240 && qGreen(gap.pixel(x, y)) < 40;
        }
        QVERIFY(pale > 0 && solid == 0);

        // Pan by dragging on the label strip, zoom with Ctrl; never invert the range.
        plot.setXLocked(false);
        drag(&plot, QPoint(100, 108), QPoint(130, 108), Qt::NoModifier);
        QVERIFY(plot.xMin() == -30 && plot.xMax() == 272 && plot.yMin() == 0);
        drag(&plot, QPoint(100, 108), QPoint(110, 108), Qt::ControlModifier);
        drag(&plot, QPoint(100, 108), QPoint(320, 108), Qt::ControlModifier);
        drag(&plot, QPoint(100, 50), QPoint(150, 50), Qt::NoModifier); // inside the plot: no pan
        QVERIFY(plot.xMin() == -20 && plot.xMax() == 262);

        // Shift-drag selects once selection is enabled; an empty selection is cleared.
        plot.resize(330, 115);
        plot.setXRange(0, 300);
        plot.refresh();
        plot.setSelectionColor(QColor(255, 255, 0));
        QSignalSpy selected(&plot, &QPlotGraphic::selectedValueChanged);
        drag(&plot, QPoint(80, 50), QPoint(180, 50), Qt::ShiftModifier);
        QCOMPARE(selected.count(), 0);
        plot.setSelectionEnabled(true);
        drag(&plot, QPoint(80, 50), QPoint(180, 50), Qt::ShiftModifier);
        QVERIFY(plot.selectionStart() == 50 && plot.selectionEnd() == 150);
        const QImage image = plot.frameBuffer().toImage();
        QVERIFY(image.pixel(120, 90) == qRgb(255, 255, 0) && image.pixel(200, 90) != qRgb(255, 255, 0));
        drag(&plot, QPoint(100, 50), QPoint(100, 50), Qt::ShiftModifier);
        QCOMPARE(plot.activeSelection(), -1);
    }
};

QTEST_MAIN(TestDisplayWidgets)
#include "tst_displaywidgets.moc"
