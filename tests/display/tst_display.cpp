// The ECG displays and the trend plot: their arithmetic without a widget
// (millimetres to pixels, sweeps and their cursor, lanes, browsing ranges and
// labels, pixel mapping, grid steps, frame buffers at any pixel density), then
// the painted and driven widgets looked at pixel by pixel: the live display's
// partial repaints against a whole paint, the browse display kept inside its
// recording.

#include "paperimage.h"
#include "../common/drawncontrast.h"

#include "display/alarmcolours.h"
#include "display/browsegeometry.h"
#include "display/qecgviewcontrols.h"
#include "display/ecgpaper.h"
#include "display/framebuffer.h"
#include "display/plotscale.h"
#include "display/qplotgraphic.h"
#include "display/qsignalbrowsedisplay.h"
#include "display/qsignalmonitordisplay.h"
#include "display/sweepgeometry.h"
#include "dsp/tlivesignal.h"
#include "dsp/tmemorysignal.h"

#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QtTest>

#include <cmath>
#include <ctime>

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

// A beat every 0.8 s: a 1.5-mV spike on a slow wave, in station counts.
std::vector<qint16> beats(int n)
{
    std::vector<qint16> out(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        out[size_t(i)] = qint16((i % 200 < 3 ? 64 : 0) + 8 * std::sin(i * 0.02));
    return out;
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

class TestDisplay : public QObject
{
    Q_OBJECT

private slots:
    void viewControlsNameEveryScale()
    {
        // The full row names each choice with its unit; the compact one
        // button names the present scale and its menu offers every choice
        // with the same names, the filters by their full names.
        QEcgViewControls controls;
        QStringList texts;
        for (QPushButton *button : controls.findChildren<QPushButton *>())
            texts << button->text();
        QCOMPARE(texts.join('|'), QStringLiteral("12.5 mm/s|25 mm/s|50 mm/s|5 mm/mV|10 mm/mV|20 mm/mV|MF|NF|BF"));
        controls.setCompact(true);
        auto *view = controls.findChild<QPushButton *>(QStringLiteral("btnViewMenu"));
        QVERIFY(view);
        QCOMPARE(view->text(), QStringLiteral("25 mm/s  10 mm/mV"));
        QStringList offered;
        for (QAction *action : view->menu()->actions())
            if (!action->isSeparator())
                offered << action->text();
        QCOMPARE(offered.join('|'), QStringLiteral("12.5 mm/s|25 mm/s|50 mm/s|5 mm/mV|10 mm/mV|20 mm/mV|"
                                                   "Muscle noise filter|Line notch filter|Baseline filter"));
        for (QPushButton *button : controls.findChildren<QPushButton *>())
            QCOMPARE(button->isHidden(), button != view);
    }

    void alarmColoursAreReadable()
    {
        // Each priority's text on its background reads at 4.5:1 or more;
        // the high one is red, the medium yellow, the low cyan.
        for (const char *priority : {"high", "medium", "low"}) {
            const AlarmColours c = alarmColours(QLatin1String(priority));
            QVERIFY2(contrastRatio(c.background.rgb(), c.text.rgb()) >= 4.5, priority);
            QCOMPARE(alarmStyleSheet(QLatin1String(priority)),
                     QStringLiteral("background-color: %1; color: %2;").arg(c.background.name(), c.text.name()));
        }
        QCOMPARE(alarmColours("high").background.hue(), 0);
        QCOMPARE(alarmColours("medium").background.hue() / 10, 5);
        QCOMPARE(alarmColours("low").background.hue() / 10, 18);
        QVERIFY(!alarmColours("none").background.isValid());
        QVERIFY(alarmStyleSheet(QString()).isEmpty());
    }

    void paperScale()
    {
        // Station samples (-6..6 mV over 9 bits) at 10 and 20 mm/mV.
        const double countsPerMillivolt = 512.0 / 12.0;
        QVERIFY(qAbs(countsPerMillivolt * ecgpaper::pixelsPerCount(12.0 / 512.0, 3.78, 10.0) - 37.8) < 1e-9);
        QVERIFY(qAbs(countsPerMillivolt * ecgpaper::pixelsPerCount(12.0 / 512.0, 3.78, 20.0) - 75.6) < 1e-9);
        QCOMPARE(ecgpaper::laneCentre(301, 2, 1), 225.0);
        QCOMPARE(ecgpaper::laneCentre(250, 1, 0), 125.0);
        QCOMPARE(ecgpaper::laneHeight(301, 0), 0);
        QCOMPARE(ecgpaper::nearest(2.5), qint64(3));
        // The screen's physical resolution, unless it does not know it.
        QCOMPARE(framebuffer::pixelsPerMm(150.0, 96.0) * 25.4, 150.0);
        QCOMPARE(framebuffer::pixelsPerMm(0.0, 96.0) * 25.4, 96.0);
    }
    void sweeps()
    {
        // A 945-pixel buffer 250 mm wide, 250 samples/s: speed, samples held,
        // then sweep seconds, index, start, samples per sweep, cursor, and the
        // old samples right of it (from, count).
        const struct { double speed; int count; QVector<double> expected; } cases[] = {
            {25, 0, {10, 0, 0, 2500, 0, 0, 0}},         {25, 1000, {10, 0, 0, 2500, 378, 0, 0}},
            {25, 2500, {10, 1, 2500, 2500, 0, 0, 2500}}, {25, 3000, {10, 1, 2500, 2500, 189, 500, 2000}},
            {12.5, 6000, {20, 1, 5000, 5000, 189, 1000, 4000}}, {50, 1300, {5, 1, 1250, 1250, 37, 50, 1200}},
            {50, 2600, {5, 2, 2500, 1250, 75, 1350, 1150}}};
        for (const auto &c : cases) {
            const sweep::Geometry g = sweep::compute(945, 3.78, c.speed, 250, c.count);
            QVERIFY(g.valid);
            QCOMPARE(QVector<double>({g.sweepSeconds, double(g.sweepIndex), double(g.sweepStart), double(g.samplesPerSweep),
                                      double(g.cursorX), double(g.previousFrom), double(g.previousCount)}),
                     c.expected);
            QCOMPARE(g.xStep, 945.0 / g.samplesPerSweep);
            // An old sample keeps its place: one sweep back, the same x.
            QCOMPARE(g.previousX(g.sweepStart - 1), g.currentX(g.sweepStart + g.samplesPerSweep - 1));
        }
        // Nothing to draw: no rate, no speed, no scale, no samples, or a sweep
        // under half a sample (1 mm at 100 m/s).
        QVERIFY(!sweep::compute(945, 3.78, 25, 0, 10).valid);
        QVERIFY(!sweep::compute(945, 3.78, 0.0, 250, 10).valid);
        QVERIFY(!sweep::compute(945, 0, 25, 250, 10).valid);
        QVERIFY(!sweep::compute(0, 3.78, 25, 250, 10).valid);
        QVERIFY(!sweep::compute(945, 3.78, 25, 250, -1).valid);
        QVERIFY(!sweep::compute(4, 4, 100000.0, 250, 10).valid);
        QVERIFY(sweep::compute(4, 4, 500.0, 250, 10).valid);
    }

    void pixelMappingAndSteps()
    {
        QCOMPARE(plotscale::toPixel(150, 0, 300, 30, 330), 180.0);
        QCOMPARE(plotscale::toPixel(0.4, 0, 300, 30, 330), 30.0);
        QCOMPARE(plotscale::toPixel(0.6, 0, 300, 30, 330), 31.0);
        // Upward: truncation toward zero rounds half a pixel down.
        QCOMPARE(plotscale::toPixel(2, 0, 10, 100, 0), 81.0);
        // Far outside the range a whole number still, without int overflow.
        QCOMPARE(plotscale::toPixel(1e30, 0, 1, 0, 100), std::trunc(1e32 + 0.5));
        QCOMPARE(plotscale::toValue(180, 0, 300, 30, 330), 150.0);
        QCOMPARE(plotscale::toValue(81, 0, 10, 100, 0), 1.9);
        QCOMPARE(plotscale::toValue(5, 7, 10, 3, 3), 7.0);
        // distance, numeric step (2, 5 or 10 times a power of ten), time step
        const double cases[][3] = {{1, 2, 1},        {2, 2, 5},         {2.5, 5, 5},    {7, 10, 10},
                                   {0.03, 0.05, 1},  {22.5, 50, 30},    {61, 100, 300}, {1000, 2000, 1800},
                                   {5000, 5000, 3600}, {0, 0, 1}};
        for (const auto &c : cases) {
            QVERIFY(qFuzzyCompare(plotscale::automaticStep(c[0]) + 1, c[1] + 1));
            QCOMPARE(plotscale::automaticTimeStep(c[0]), c[2]);
        }
        QCOMPARE(plotscale::automaticStep(-1.0) + plotscale::automaticStep(qInf()), 0.0);
        // Grid lines never closer than a label: the next multiple of the step beyond it.
        QCOMPARE(plotscale::gridSpacing(30, 45, 2.0), 30.0);
        QCOMPARE(plotscale::gridSpacing(30, 60, 2.0), 60.0);
        QCOMPARE(plotscale::gridSpacing(1, 45, 1.0), 46.0);
        QCOMPARE(plotscale::gridSpacing(0, 45, 1.0) + plotscale::gridSpacing(1, 45, 0.0), 0.0);
        QCOMPARE(plotscale::firstGridValue(-7, 5), -5.0);
        QCOMPARE(plotscale::firstGridValue(10, 5), 10.0);
        QCOMPARE(plotscale::firstGridValue(11, 5), 15.0);
    }

    void labels()
    {
        QCOMPARE(plotscale::formatLabel(QStringLiteral("%.1f kg"), 70.0), QStringLiteral("70.0 kg"));
        QCOMPARE(plotscale::formatLabel(QStringLiteral("%3.0f%%"), 98.0), QStringLiteral(" 98%"));
        QCOMPARE(plotscale::formatLabel(QStringLiteral("%+lf"), 2.5), QStringLiteral("+2.500000"));
        // Formats that would read a missing or wrong argument fall back to %g.
        for (const char *unsafe : {"%s", "%g %g", "%*g", "%d", "no conversion", "%"})
            QCOMPARE(plotscale::formatLabel(QLatin1String(unsafe), 2.5), QStringLiteral("2.5"));
        QCOMPARE(plotscale::mixWithWhite(0), 127);
        QCOMPARE(plotscale::mixWithWhite(255, 256), 255);
        // Elapsed times keep their minutes in a zone with a half-hour offset.
        const QByteArray zone = qgetenv("TZ");
        const bool hadZone = qEnvironmentVariableIsSet("TZ");
        qputenv("TZ", "IST-5:30");
        tzset();
        const QString label = plotscale::timeLabel(90.0, QStringLiteral("mm:ss"));
        const QString hourLabel = plotscale::timeLabel(3725.4, QStringLiteral("H:mm:ss"));
        const QString pastHour = plotscale::timeLabel(3600.0, QStringLiteral("mm:ss"));
        hadZone ? qputenv("TZ", zone) : qunsetenv("TZ");
        tzset();
        QCOMPARE(label, QStringLiteral("01:30"));
        QCOMPARE(hourLabel, QStringLiteral("1:02:05"));
        // Past the first hour the hours go in front.
        QCOMPARE(pastHour, QStringLiteral("1:00:00"));
    }

    void liveRepaintsMatchTheWholePicture()
    {
        // What reached the screen after many partial repaints, through sweeps
        // and the centring at each, marks included, is what a whole paint
        // shows.
        QSignalMonitorDisplay display;
        display.resize(400, 200);
        display.show();
        QVERIFY(QTest::qWaitForWindowExposed(&display));
        TLiveSignal signal(250, 10000, 1, 250);
        signal.setRange(-6.0, 6.0);
        signal.setResolutionBits(9);
        display.setSignal(&signal);
        // Each beat marked a little after it arrived, as a detector would.
        const std::vector<qint16> ecg = beats(3000);
        QVector<qint64> marks;
        for (int fed = 0, n = 13; fed < 2600; fed += n, n = 25 - n) {
            const qint16 *channels[] = {ecg.data() + fed};
            signal.appendChannels(channels, n);
            display.refresh();
            if (fed >= marks.size() * 200 + 30) {
                marks << marks.size() * 200;
                display.setBeatMarks(marks);
            }
        }
        QCoreApplication::processEvents();
        const QImage screen = display.screen()->grabWindow(display.winId()).toImage().convertToFormat(QImage::Format_RGB32);
        const QImage whole = display.grab().toImage().convertToFormat(QImage::Format_RGB32);
        QCOMPARE(screen.size(), whole.size());
        QVERIFY(screen == whole);
        QVERIFY(countPixels(whole, whole.rect(), isDark) > 100);
        // Every beat of the sweep, at its sample, just under the top; the
        // mark of a beat the sweep has passed again is gone with its trace.
        const sweep::Geometry g = sweep::compute(400, framebuffer::pixelsPerMm(display), 25.0, 250, 2600);
        const int y = qRound(framebuffer::pixelsPerMm(display));
        QVector<int> expected;
        for (qint64 m : marks)
            if (m >= g.sweepStart)
                expected << qRound(g.currentX(int(m)));
            else if (m >= g.previousFrom)
                expected << qRound(g.previousX(int(m)));
        QVERIFY(expected.size() >= 4);
        QCOMPARE(runStarts(whole, y, true, isMark).size(), expected.size());
        for (int x : expected)
            QVERIFY2(isMark(whole.pixel(x, y)), qPrintable(QString::number(x)));
    }

    void sweepingEcg()
    {
        // About 10 seconds a sweep at 25 mm/s: 945 px at 96 dpi are 250 mm.
        QSignalMonitorDisplay display;
        display.resize(945, 301);
        const QImage paper = display.grab().toImage();
        TLiveSignal signal(250, 10000, 1, 250);
        signal.setRange(-6.0, 6.0);
        signal.setResolutionBits(9);
        auto y = [&display](int value) {
            return 150 - value * ecgpaper::pixelsPerCount(12.0 / 512.0, framebuffer::pixelsPerMm(display), display.amplitude());
        };
        display.setAutoCenter(false);
        display.setSignal(&signal);
        appendConstant(signal, 60, 2500);  // the whole first sweep high
        appendConstant(signal, -60, 1000); // four seconds of the second low
        display.setAmplitude(20.0);
        // Left of the cursor the new sweep, right of it what is left of the old one.
        QImage image = display.grab().toImage();
        QVERIFY(traceNear(image, 200, y(-60)));
        QVERIFY(!traceNear(image, 200, y(60)));
        QVERIFY(traceNear(image, 600, y(60)));
        QVERIFY(!traceNear(image, 600, y(-60)));
        // Auto-centring takes the mean of the last sweep's worth at each new sweep.
        display.setAutoCenter(true);
        appendConstant(signal, -60, 1600);
        display.refresh();
        QVERIFY(traceNear(display.grab().toImage(), 10, y(0)));
        // Two channels in two lanes; a hidden one gives its lane up.
        TLiveSignal two(250, 10000, 2, 250);
        display.setSignal(&two);
        appendConstant(two, 0, 500);
        display.refresh();
        QVERIFY(traceNear(display.grab().toImage(), 100, 75.0, 1));
        QVERIFY(traceNear(display.grab().toImage(), 100, 225.0, 1));
        display.setChannelVisible(0, false);
        QVERIFY(traceNear(display.grab().toImage(), 100, 150.0, 1));
        // A gap in the recording stays paper, the trace goes on after it.
        TLiveSignal gapped(250, 10000, 1, 250);
        display.setSignal(&gapped);
        display.setChannelVisible(0, true);
        display.setMissing({{500, 750}});
        appendConstant(gapped, 0, 2000);
        display.refresh();
        image = display.grab().toImage();
        const double perSample = 945.0 / 2500.0;
        QVERIFY(traceNear(image, int(400 * perSample), 150.0, 1));
        QVERIFY(traceNear(image, int(1400 * perSample), 150.0, 1));
        QVERIFY(!traceNear(image, int(600 * perSample), 150.0, 1));
        QVERIFY(!traceNear(image, int(1150 * perSample), 150.0, 1));
        // Without a signal only the paper is drawn.
        display.setSignal(nullptr);
        QCOMPARE(display.grab().toImage(), paper);
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
            const QRgb p = plot.grab().toImage().pixel(x, row);
            return qRed(p) > qGreen(p) + 60 && qRed(p) > qBlue(p) + 60;
        };
        plot.setStyle(QPlotGraphic::Markers);
        QVERIFY(redAt(marker + 2, y - 3));
        QVERIFY(!redAt(between, y));
        plot.setStyle(QPlotGraphic::Lines);
        QVERIFY(redAt(between, y));
        QVERIFY(!redAt(marker + 2, y - 3));
        // A gap wider than the threshold is no solid line.
        plot.setGapThreshold(50);
        plot.refresh();
        QVERIFY(!redAt(between, y) || qGreen(plot.grab().toImage().pixel(between, y)) > 60);

        // Pan by dragging on the label strip, zoom with Ctrl; never invert the range.
        plot.setXLocked(false);
        drag(&plot, QPoint(100, 108), QPoint(130, 108), Qt::NoModifier);
        drag(&plot, QPoint(100, 108), QPoint(110, 108), Qt::ControlModifier);
        drag(&plot, QPoint(100, 108), QPoint(320, 108), Qt::ControlModifier);
        drag(&plot, QPoint(100, 50), QPoint(150, 50), Qt::NoModifier); // inside the plot: no pan
        QVERIFY(plot.xMin() == -20 && plot.xMax() == 262 && plot.yMin() == 0);

        // Shift-drag selects once selection is enabled; an empty selection is cleared.
        plot.resize(330, 115);
        plot.setXRange(0, 300);
        plot.refresh();
        plot.setSelectionColor(QColor(255, 255, 0));
        plot.setSelectionEnabled(true);
        drag(&plot, QPoint(80, 50), QPoint(180, 50), Qt::ShiftModifier);
        QVERIFY(plot.selectionStart() == 50);
        QVERIFY(plot.selectionEnd() == 150);
        const QImage image = plot.grab().toImage();
        QVERIFY(image.pixel(120, 90) == qRgb(255, 255, 0));
        QVERIFY(image.pixel(200, 90) != qRgb(255, 255, 0));
        drag(&plot, QPoint(100, 50), QPoint(100, 50), Qt::ShiftModifier);
        QCOMPARE(plot.activeSelection(), -1);
    }

    void browseScrollBar()
    {
        // 250 mm at 25 mm/s: a screen is 10 s, a step 1 s. Signal, duration,
        // visible, start, then maximum, single step, page step, value, enabled.
        const struct { bool hasSignal; double duration, visible, start; QVector<int> expected; } cases[] = {
            {true, 60.0, 10.0, 0.0, {5000, 100, 1000, 0, 1}},
            {true, 60.0, 20.0, 12.34, {4000, 200, 2000, 1234, 1}}, // 12.5 mm/s keeps the start
            {true, 8.0, 10.0, 0.0, {0, 100, 1000, 0, 0}},          // shorter than the screen
            {true, 10.005, 10.0, 0.0, {0, 100, 1000, 0, 0}},       // under 10 ms longer
            {true, 10.015, 10.0, 0.0, {1, 100, 1000, 0, 1}},       // one step longer
            {false, 60.0, 10.0, 0.0, {0, 100, 1000, 0, 0}}};
        for (const auto &c : cases) {
            const browse::ScrollRange r = browse::scrollRange(c.hasSignal, c.duration, c.visible, c.start);
            QCOMPARE(QVector<int>({r.maximum, r.singleStep, r.pageStep, r.value, int(r.enabled)}), c.expected);
        }
    }

    void browseDrag()
    {
        // 1000 pixels show 10 s: anchor, x, duration, expected start. Inside,
        // before the start, past the last screen, a recording shorter than
        // the screen, not a number.
        const double cases[][4] = {{30.0, 500, 60.0, 25.0}, {3.0, 800, 60.0, 0.0}, {58.0, 0, 60.0, 50.0},
                                   {5.0, 0, 8.0, 0.0}, {qQNaN(), 0, 60.0, 0.0}};
        for (const auto &c : cases) {
            const double start = browse::dragStartTime(c[0], int(c[1]), 1000, 10.0, c[2]);
            QCOMPARE(start, c[3]);
            QCOMPARE(browse::clampStart(c[0] - c[1] * 0.01, c[2], 10.0), start);
            // The time under the mouse stays where the drag grabbed it, unless clamped.
            if (start > 0.0 && start < c[2] - 10.0)
                QCOMPARE(browse::timeAtPixel(start, int(c[1]), 1000, 10.0), c[0]);
        }
        // A one-pixel view still maps its pixel; an empty one stays at its start.
        QVERIFY(browse::timeAtPixel(2.0, 1, 1, 10.0) == 12.0);
        QVERIFY(browse::timeAtPixel(2.0, 1, 0, 10.0) == 2.0);
    }

    void browseLabels()
    {
        // start, visible seconds, width: labels as second@centre. A 40-pixel
        // label covering at most 1 s: every second; covering 4 s: every 5 s,
        // from the first multiple at or after the start.
        const struct { double start, visible; int width; const char *expected; } cases[] = {
            {0.0, 3.0, 1000, "0@0 1@333 2@666 3@1000"}, {0.0, 2.0, 80, "0@0 1@40 2@80"}, {0.0, 2.0, 79, "0@0"},
            {3.5, 20.0, 200, "5@15 10@65 15@115 20@165"},  {5.0, 20.0, 200, "5@0 10@50 15@100 20@150 25@200"},
            {-1.0, 20.0, 200, ""}, {5.0, 0.0, 200, ""}};
        for (const auto &c : cases) {
            QStringList found;
            for (const browse::TimeLabel &label : browse::timeLabels(c.start, c.visible, c.width, 40))
                found.append(QStringLiteral("%1@%2").arg(label.second).arg(label.centre));
            QCOMPARE(found.join(QLatin1Char(' ')), QLatin1String(c.expected));
        }
        // Hours from the first on.
        QCOMPARE(QStringList({browse::labelText(0), browse::labelText(65), browse::labelText(3599), browse::labelText(3725)}),
                 QStringList({"00:00", "01:05", "59:59", "1:02:05"}));
    }

    void browseIsAlwaysAWindowOfTheRecording()
    {
        TMemorySignal signal({beats(250 * 180)}, 250, 250);
        QSignalBrowseDisplay display;
        display.resize(800, 300);
        display.show();
        QVERIFY(QTest::qWaitForWindowExposed(&display));
        display.setSignal(&signal);
        const double visible = display.visibleSeconds();
        QVERIFY(visible > 5.0);
        QVERIFY(visible < 60.0);
        const QRect paper(0, 0, 800, 300 - display.scrollBar()->height());
        // Beats marked before the screen, 0.4 s and 2 s into it.
        display.setPosition(10.0);
        display.setBeatMarks({3000, 2000, 2600});
        const QImage marked = display.grab().toImage();
        const double xStep = framebuffer::pixelsPerMm(display) * 25.0 / 250;
        const int y = qRound(framebuffer::pixelsPerMm(display));
        QCOMPARE(runStarts(marked, y, true, isMark).size(), 2);
        QVERIFY(isMark(marked.pixel(qRound(100 * xStep), y)));
        QVERIFY(isMark(marked.pixel(qRound(500 * xStep), y)));
        display.setBeatMarks({});
        // An event at the very end, or a click on the trend past it, shows
        // the last screen, not blank paper.
        for (double at : {180.0, 1e12}) {
            display.setPosition(at);
            QVERIFY(qAbs(display.position() - (180.0 - visible)) < 0.011);
            QVERIFY(countPixels(display.grab().toImage(), paper.adjusted(paper.width() / 2, 0, 0, 0), isDark) > 50);
        }
        // A slower speed shows more: the start moves back to keep the end.
        display.setSpeed(12.5);
        QVERIFY(qAbs(display.position() - (180.0 - 2 * visible)) < 0.011);
        display.setSpeed(25.0);
        // A recording shorter than the screen is shown from its start, with
        // its end marked; without one the paper says so.
        TMemorySignal shortOne({beats(250 * 3)}, 250, 250);
        display.setSignal(&shortOne);
        QCOMPARE(display.position(), 0.0);
        QVERIFY(countPixels(display.grab().toImage(), paper.adjusted(0, 0, -paper.width() / 2, 0), isDark) > 50);
        const QImage blank = display.grab().toImage();
        display.setSignal(nullptr);
        const QImage none = display.grab().toImage();
        display.setSignal(&shortOne);
        const QRect middle(paper.center() - QPoint(60, 10), QSize(120, 20));
        QVERIFY(none.copy(middle) != blank.copy(middle));
    }

    void keysDragAndScrollBarMoveTogether()
    {
        TMemorySignal signal({std::vector<qint16>(250 * 60, 10)}, 250, 250);
        QSignalBrowseDisplay display;
        display.resize(800, 300);
        display.show();
        QVERIFY(QTest::qWaitForWindowExposed(&display));
        display.setSignal(&signal);
        QSignalSpy moved(&display, &QSignalBrowseDisplay::startTimeChanged);
        QScrollBar *bar = display.scrollBar();
        const int width = display.width();
        const double visible = display.visibleSeconds();
        QCOMPARE(bar->maximum(), int((60.0 - visible) * 100));
        QVERIFY(bar->isEnabled());

        // A position that moves the scroll bar is truncated to its 10-ms step.
        display.setPosition(10.004);
        QCOMPARE(bar->value(), 1000);
        QCOMPARE(display.position(), 10.0);
        QCOMPARE(moved.count(), 1);

        QTest::keyClick(&display, Qt::Key_PageDown);
        QCOMPARE(bar->value(), 1000 + bar->pageStep());
        QTest::keyClick(&display, Qt::Key_Left);
        QCOMPARE(display.position(), (1000 + bar->pageStep() - bar->singleStep()) * 0.01);
        QTest::keyClick(&display, Qt::Key_End);
        QCOMPARE(bar->value(), bar->maximum());
        QTest::keyClick(&display, Qt::Key_Home);
        QCOMPARE(display.position(), 0.0);

        // Dragging from the middle to a quarter of the width moves a quarter screen.
        const QImage before = display.grab().toImage();
        drag(&display, QPoint(width / 2, 100), QPoint(width / 4, 100), Qt::NoModifier);
        QVERIFY(qAbs(display.position() - (width / 2 - width / 4) * visible / width) < 0.01);
        QCOMPARE(bar->value(), int(display.position() * 100));
        QVERIFY(display.grab().toImage() != before);

        // Without a signal nothing scrolls.
        display.setSignal(nullptr);
        QVERIFY(!bar->isEnabled());
        QCOMPARE(display.position(), 0.0);
    }

    void scaleIsKeptAtEveryRatio()
    {
        // Logical size, pixel ratio (whole, fractional; an empty widget) and the buffer's device size.
        const struct { QSize logical; qreal ratio; QSize device; } cases[] = {
            {{945, 301}, 1.0, {945, 301}}, {{945, 301}, 2.0, {1890, 602}}, {{131, 131}, 1.5625, {205, 205}}, {{0, 0}, 2.0, {2, 2}}};
        for (const auto &c : cases) {
            const QPixmap buffer = framebuffer::create(c.logical, c.ratio);
            QCOMPARE(buffer.size(), c.device);
            QCOMPARE(buffer.devicePixelRatioF(), c.ratio);
            QCOMPARE(buffer.toImage().pixel(c.device.width() - 1, c.device.height() - 1), qRgb(255, 255, 255));
            const QSize shown = c.logical.expandedTo(QSize(1, 1));
            QCOMPARE(framebuffer::logicalSize(buffer), shown);
            QVERIFY(!framebuffer::needsRebuild(buffer, c.logical, c.ratio));
            QVERIFY(framebuffer::needsRebuild(buffer, c.logical, c.ratio * 2));
            QVERIFY(framebuffer::needsRebuild(buffer, shown + QSize(1, 0), c.ratio));
        }
    }
};

QTEST_MAIN(TestDisplay)
#include "tst_display.moc"
