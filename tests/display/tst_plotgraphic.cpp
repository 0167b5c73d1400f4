#include "display/plotscale.h"
#include "display/qplotgraphic.h"

#include <QImage>
#include <QSignalSpy>
#include <QtTest>

#include <ctime>
#include <vector>

namespace {

// One series per entry, points in increasing x.
class TestValues : public QPlotGraphic::IPlotValues
{
public:
    struct Series
    {
        std::vector<double> x, y;
        QColor color;
        QString name;
    };
    std::vector<Series> series;

    int seriesCount() override { return int(series.size()); }
    int pointCount(int s) override { return int(series[size_t(s)].x.size()); }
    double x(int s, int p) override { return series[size_t(s)].x[size_t(p)]; }
    double y(int s, int p) override { return series[size_t(s)].y[size_t(p)]; }
    QColor color(int s) override { return series[size_t(s)].color; }
    QString name(int s) override { return series[size_t(s)].name; }
};

bool isRedish(QRgb p)
{
    return qRed(p) > qGreen(p) + 60 && qRed(p) > qBlue(p) + 60;
}

void sendMove(QWidget *w, const QPoint &pos, Qt::KeyboardModifiers modifiers)
{
    QMouseEvent move(QEvent::MouseMove, pos, w->mapToGlobal(pos), Qt::NoButton, Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(w, &move);
}

} // namespace

class TestPlotGraphic : public QObject
{
    Q_OBJECT

private slots:
    void pixelMapping();
    void automaticSteps_data();
    void automaticSteps();
    void spacingNeverCloserThanLabel();
    void labelFormats();
    void stylesDrawMarkersOrLines();
    void denseTrendSpansTheWidth();
    void panAndZoomUnlockedAxes();
    void shiftSelection();
};

void TestPlotGraphic::pixelMapping()
{
    QPlotGraphic plot;
    plot.resize(330, 115);
    plot.refresh();
    QCOMPARE(plot.plotLeft(), 30);
    QCOMPARE(plot.plotRight(), 330);
    QCOMPARE(plot.plotBottom(), 100);
    plot.setXRange(0, 300);
    plot.setYRange(0, 10);
    plot.refresh();
    QCOMPARE(plot.pixelX(150), 180.0);
    QCOMPARE(plot.pixelX(300), 330.0);
    QCOMPARE(plot.pixelX(0.4), 30.0);
    QCOMPARE(plot.pixelX(0.6), 31.0);
    // Truncation runs toward zero: upward offsets round half a pixel down.
    QCOMPARE(plot.pixelY(2), 81.0);
    QCOMPARE(plot.valueAtX(180), 150.0);
    // Far outside the range stays a finite whole number (no int overflow).
    QCOMPARE(plotscale::toPixel(1e30, 0, 1, 0, 100), std::trunc(1e32 + 0.5));

    plot.setXLabelsVisible(false);
    plot.setYLabelsVisible(false);
    plot.refresh();
    QCOMPARE(plot.plotLeft(), 0);
    QCOMPARE(plot.plotBottom(), 115);
}

void TestPlotGraphic::automaticSteps_data()
{
    QTest::addColumn<double>("r");
    QTest::addColumn<double>("numeric");
    QTest::addColumn<double>("time");

    QTest::newRow("one") << 1.0 << 2.0 << 1.0;
    QTest::newRow("2.5") << 2.5 << 5.0 << 5.0;
    QTest::newRow("seven") << 7.0 << 10.0 << 10.0;
    QTest::newRow("0.03") << 0.03 << 0.05 << 1.0;
    QTest::newRow("22.5 s") << 22.5 << 50.0 << 30.0;
    QTest::newRow("61 s") << 61.0 << 100.0 << 300.0;
    QTest::newRow("beyond an hour") << 5000.0 << 5000.0 << 3600.0;
}

void TestPlotGraphic::automaticSteps()
{
    QFETCH(double, r);
    QFETCH(double, numeric);
    QFETCH(double, time);
    QVERIFY(qFuzzyCompare(plotscale::automaticStep(r), numeric));
    QCOMPARE(plotscale::automaticTimeStep(r), time);
    QCOMPARE(plotscale::automaticStep(0.0), 0.0);
    QCOMPARE(plotscale::automaticStep(-1.0), 0.0);
}

void TestPlotGraphic::spacingNeverCloserThanLabel()
{
    QCOMPARE(plotscale::gridSpacing(30, 45, 2.0), 30.0);    // 60 px apart
    QCOMPARE(plotscale::gridSpacing(30, 60, 2.0), 60.0);    // exactly a label: one more step
    QCOMPARE(plotscale::gridSpacing(1, 45, 1.0), 46.0);     // fixed small steps are thinned
    QCOMPARE(plotscale::gridSpacing(0, 45, 1.0), 0.0);
    QCOMPARE(plotscale::firstGridValue(-7, 5), -5.0);
    QCOMPARE(plotscale::firstGridValue(11, 5), 15.0);
}

void TestPlotGraphic::labelFormats()
{
    QCOMPARE(plotscale::formatLabel(QStringLiteral("%.1f kg"), 70.0), QStringLiteral("70.0 kg"));
    QCOMPARE(plotscale::formatLabel(QStringLiteral("%3.0f%%"), 98.0), QStringLiteral(" 98%"));
    // Formats that would read a missing or wrong argument fall back to %g.
    QCOMPARE(plotscale::formatLabel(QStringLiteral("%s"), 2.5), QStringLiteral("2.5"));
    QCOMPARE(plotscale::formatLabel(QStringLiteral("%g %g"), 2.5), QStringLiteral("2.5"));
    QCOMPARE(plotscale::formatLabel(QStringLiteral("%*g"), 2.5), QStringLiteral("2.5"));

    // Elapsed times keep their minutes in a zone with a half-hour offset.
    const QByteArray zone = qgetenv("TZ");
    const bool hadZone = qEnvironmentVariableIsSet("TZ");
    qputenv("TZ", "IST-5:30");
    tzset();
    const QString label = plotscale::timeLabel(90.0, QStringLiteral("mm:ss"));
    const QString hourLabel = plotscale::timeLabel(3725.0, QStringLiteral("H:mm:ss"));
    if (hadZone)
        qputenv("TZ", zone);
    else
        qunsetenv("TZ");
    tzset();
    QCOMPARE(label, QStringLiteral("01:30"));
    QCOMPARE(hourLabel, QStringLiteral("1:02:05"));
}

void TestPlotGraphic::stylesDrawMarkersOrLines()
{
    TestValues values;
    values.series.push_back({{0, 100, 200, 300}, {50, 50, 50, 50}, Qt::red, QString()});
    QPlotGraphic plot;
    plot.resize(330, 115);
    plot.setXRange(0, 300);
    plot.setYRange(0, 100);
    plot.setValues(&values);
    const int y = int(plot.pixelY(50));
    const int between = int(plot.pixelX(150));
    const int marker = int(plot.pixelX(100));

    plot.setStyle(QPlotGraphic::Markers);
    QImage image = plot.frameBuffer().toImage();
    QVERIFY(isRedish(image.pixel(marker + 2, y - 3)));
    QVERIFY(!isRedish(image.pixel(between, y)));

    plot.setStyle(QPlotGraphic::Lines);
    image = plot.frameBuffer().toImage();
    QVERIFY(isRedish(image.pixel(between, y)));
    QVERIFY(!isRedish(image.pixel(marker + 2, y - 3)));

    // A gap wider than the threshold is drawn dotted in a paler colour.
    plot.setStyle(QPlotGraphic::Lines);
    plot.setGapThreshold(50);
    plot.refresh();
    image = plot.frameBuffer().toImage();
    bool pale = false, solid = false;
    for (int x = between - 20; x < between + 20; ++x) {
        const QRgb p = image.pixel(x, y);
        pale = pale || (qRed(p) > 240 && qGreen(p) > 100 && qGreen(p) < 160);
        solid = solid || (qRed(p) > 240 && qGreen(p) < 40);
    }
    QVERIFY(pale);
    QVERIFY(!solid);
}

void TestPlotGraphic::denseTrendSpansTheWidth()
{
    // 30 min of heart rate, one point a second, on 300 pixels: many points
    // share a pixel column, yet the trend must still run across the plot.
    TestValues values;
    TestValues::Series hr;
    for (int s = 0; s < 1800; ++s) {
        hr.x.push_back(s);
        hr.y.push_back(s < 900 ? 80 + s / 30 : 140);
    }
    hr.color = Qt::red;
    values.series.push_back(hr);

    QPlotGraphic plot;
    plot.resize(330, 115);
    plot.setXRange(0, 1800);
    plot.setYRange(40, 200);
    plot.setValues(&values);
    const QImage image = plot.frameBuffer().toImage();
    for (int x = 35; x < 260; x += 5) {
        bool found = false;
        for (int y = 25; y < plot.plotBottom() && !found; ++y)
            found = isRedish(image.pixel(x, y));
        QVERIFY2(found, qPrintable(QStringLiteral("no trace in column %1").arg(x)));
    }
}

void TestPlotGraphic::panAndZoomUnlockedAxes()
{
    QPlotGraphic plot;
    plot.resize(331, 115);   // plot area 301 px wide
    plot.setXRange(0, 302);
    plot.setYRange(0, 100);
    plot.setXLocked(false);
    plot.refresh();
    QSignalSpy scale(&plot, &QPlotGraphic::scaleChanged);

    // Drags start on the label strip, outside the plot area.
    QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, QPoint(100, 108));
    sendMove(&plot, QPoint(120, 108), Qt::NoModifier);
    QCOMPARE(scale.count(), 1);
    QCOMPARE(plot.xMin(), -20.0);   // 20 px of 302 units over 301 + 1 px
    QCOMPARE(plot.xMax(), 282.0);
    QCOMPARE(plot.yMin(), 0.0);     // y stays locked

    sendMove(&plot, QPoint(130, 108), Qt::ControlModifier);
    QCOMPARE(scale.count(), 2);
    QCOMPARE(plot.xMin(), -10.0);   // zoom in by 10 units on each end
    QCOMPARE(plot.xMax(), 272.0);
    sendMove(&plot, QPoint(330, 108), Qt::ControlModifier);   // would invert the range: ignored
    QCOMPARE(plot.xMax(), 272.0);
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, QPoint(130, 108));
    scale.clear();

    // Once released, moving does nothing; a press inside the plot area does not pan.
    sendMove(&plot, QPoint(200, 108), Qt::NoModifier);
    QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, QPoint(100, 50));
    sendMove(&plot, QPoint(150, 50), Qt::NoModifier);
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, QPoint(150, 50));
    QCOMPARE(scale.count(), 0);

    // Unlocked y pans upwards when dragged down (y grows upwards).
    plot.setYLocked(false);
    plot.setXLocked(true);
    QTest::mousePress(&plot, Qt::LeftButton, Qt::NoModifier, QPoint(10, 50));
    sendMove(&plot, QPoint(10, 60), Qt::NoModifier);
    QCOMPARE(plot.xMin(), -10.0);
    QCOMPARE(plot.yMin(), 10 * 100 / 101.0);   // 10 px of 100 units over 100 + 1 px
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::NoModifier, QPoint(10, 60));
}

void TestPlotGraphic::shiftSelection()
{
    TestValues values;
    values.series.push_back({{0, 300}, {50, 50}, Qt::blue, QStringLiteral("HR")});
    QPlotGraphic plot;
    plot.resize(330, 115);
    plot.setXRange(0, 300);
    plot.setYRange(0, 100);
    plot.setValues(&values);
    plot.setSelectionColor(QColor(255, 255, 0));
    QSignalSpy selected(&plot, &QPlotGraphic::selectedValueChanged);

    // Disabled: Shift-press selects nothing.
    QTest::mousePress(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(80, 50));
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(80, 50));
    QCOMPARE(selected.count(), 0);
    QCOMPARE(plot.activeSelection(), -1);

    plot.setSelectionEnabled(true);
    QTest::mousePress(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(80, 50));
    QCOMPARE(plot.selectionStart(), 50.0);
    sendMove(&plot, QPoint(180, 50), Qt::ShiftModifier);
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(180, 50));
    QCOMPARE(selected.count(), 2);
    QCOMPARE(plot.selectionEnd(), 150.0);
    // The band is painted between the two ends only.
    const QImage image = plot.frameBuffer().toImage();
    auto yellowIn = [&image](int from, int to) {
        int n = 0;
        for (int x = from; x < to; ++x)
            n += image.pixel(x, 90) == qRgb(255, 255, 0);
        return n;
    };
    QVERIFY(yellowIn(85, 175) > 80);
    QCOMPARE(yellowIn(185, 320), 0);

    // A click without dragging leaves an empty selection, which is cleared.
    QTest::mousePress(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 50));
    QTest::mouseRelease(&plot, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 50));
    QCOMPARE(selected.count(), 4);
    QCOMPARE(plot.activeSelection(), -1);
}

QTEST_MAIN(TestPlotGraphic)
#include "tst_plotgraphic.moc"
