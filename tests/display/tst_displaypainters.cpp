// The painters shared by the screens and the printed reports, drawn on a
// page of 10 pixels per millimetre: where the ECG paper's lines and dots
// fall, where a recording ends, a trace kept in its lane, the calibration
// pulse; the plot's series, highlight, labels kept whole inside their strips
// and a legend placed where it hides no data. (The trace's scale is measured
// on a printed strip.)

#include "paperimage.h"

#include "display/ecgpaper.h"
#include "display/plotpainter.h"

#include <QPainter>
#include <QtTest>

namespace {

constexpr double PxPerMm = 10.0;

ecgpaper::TraceResult drawWindow(QImage &image, const QRectF &rect, TSignal *signal, double start, bool keep = false,
                                 const QVector<QPair<qint64, qint64>> &missing = {}, int hidden = -1)
{
    ecgpaper::TraceWindow window;
    window.signal = signal;
    window.startTime = start;
    window.visible.fill(true);
    if (hidden >= 0)
        window.visible[hidden] = false;
    window.keepInLane = keep;
    window.missing = missing;
    std::vector<double> samples;
    QPolygonF points;
    QPainter painter(&image);
    // The printed pen, 0.2 mm.
    return ecgpaper::drawWindow(painter, rect, PxPerMm, window, {Qt::black, 2.0}, samples, points);
}

bool isLabel(QRgb c)
{
    return qAbs(qGray(c) - QColor(Qt::darkGray).value()) < 60 && !isWhite(c);
}

bool isRed(QRgb c)
{
    return qRed(c) > 200 && qGreen(c) < 80 && qBlue(c) < 80;
}

class Points : public IPlotValues
{
public:
    QVector<QPointF> points;
    QString label;
    int seriesCount() override { return 1; }
    int pointCount(int) override { return points.size(); }
    double x(int, int p) override { return points[p].x(); }
    double y(int, int p) override { return points[p].y(); }
    QColor color(int) override { return Qt::red; }
    QString name(int) override { return label; }
};

} // namespace

class TestDisplayPainters : public QObject
{
    Q_OBJECT

private slots:
    void paperLinesAndDots()
    {
        QImage image = paperImage(60, 30);
        auto paint = [&](const QRectF &rect, ecgpaper::PaperLook::Grid grid) {
            image.fill(Qt::white);
            QPainter painter(&image);
            ecgpaper::drawPaper(painter, rect, PxPerMm, ecgpaper::screenPaper(grid, QColor(220, 200, 180)));
            // The caller's painter comes back as it was lent.
            QVERIFY(!painter.hasClipping());
            QVERIFY(!painter.testRenderHint(QPainter::Antialiasing));
        };
        // Between two 5-mm lines a row shows only the vertical lines; a row
        // of dots adds a dot every millimetre. Nothing outside the paper.
        paint(QRectF(20, 30, 500, 200), ecgpaper::PaperLook::Dotted);
        auto drawn = [](QRgb c) { return !isWhite(c); };
        QVector<int> dots, fifths;
        for (int x = 20; x < 520; x += 10)
            dots << x;
        QCOMPARE(runStarts(image, 35, true, drawn), QVector<int>({20, 70, 120, 170, 220, 270, 320, 370, 420, 470}));
        QCOMPARE(runStarts(image, 40, true, drawn), dots);
        QCOMPARE(runStarts(image, 25, false, drawn), QVector<int>({30, 80, 130, 180}));
        QCOMPARE(countPixels(image, QRect(0, 0, 20, 300), drawn) + countPixels(image, QRect(520, 0, 80, 300), drawn), 0);

        // The ruled paper: a line every millimetre, every fifth darker, both ways.
        paint(QRectF(0.5, 0.5, 600, 300), ecgpaper::PaperLook::Ruled);
        for (int x = 0; x < 300; x += 50)
            fifths << x;
        QCOMPARE(runStarts(image, 35, true, [](QRgb c) { return qBlue(c) < 235; }).size(), 60);
        QCOMPARE(runStarts(image, 35, true, [](QRgb c) { return qBlue(c) < 195; }).mid(0, 6), fifths);
        QCOMPARE(runStarts(image, 35, false, [](QRgb c) { return qBlue(c) < 195; }), fifths);
        QVERIFY(qBlue(image.pixel(10, 35)) > 205); // a minor line, antialiased, covers 3/4 of its pixel
    }

    void calibrationPulse()
    {
        // 2 mm flat, 10 mm up (1 mV at 10 mm/mV), 3 mm flat, down, 2 mm flat.
        QImage image = paperImage(20, 20);
        {
            QPainter painter(&image);
            ecgpaper::drawCalibrationPulse(painter, QPointF(10, 150), PxPerMm, 10.0);
        }
        QCOMPARE(runStarts(image, 100, true, isBlack), QVector<int>({30, 60}));
        QCOMPARE(runStarts(image, 45, false, isBlack) + runStarts(image, 20, false, isBlack)
                     + runStarts(image, 70, false, isBlack), QVector<int>({50, 150, 150}));
        QCOMPARE(countPixels(image, QRect(81, 0, 119, 200), isBlack), 0);
    }

    void windowsPastTheRecording()
    {
        // A 3-s recording shown from 2 s: the trace stops after 1 s, with
        // nothing (no flat line) after it.
        auto signal = signalOf(std::vector<qint16>(750, 10));
        QImage image = paperImage(185, 25);
        ecgpaper::TraceResult drawn = drawWindow(image, image.rect(), signal.get(), 2.0);
        QCOMPARE(drawn.extent, ecgpaper::TraceResult::Partial);
        QCOMPARE(drawn.endX, 249.0);
        QVERIFY(countPixels(image, QRect(0, 0, 240, 250), isBlack) > 200);
        QCOMPARE(countPixels(image, QRect(252, 0, 1600, 250), isBlack), 0);
        // One sample a second, 7 across the paper: the end lies 2 of them in.
        TMemorySignal slow({std::vector<qint16>(5, 10)}, 1000, 1);
        drawn = drawWindow(image, image.rect(), &slow, 2.0);
        QVERIFY(drawn.extent == ecgpaper::TraceResult::Partial);
        QVERIFY(qAbs(drawn.endX - 2 * 1850.0 / 7) < 0.01);
        // Windows far past the end (beyond any 32-bit sample index), before
        // the start, or without samples draw nothing and say why.
        // (17179869 s is 2^32 samples and 46 more: in 32 bits, 46 before the start.)
        for (double start : {20.0, 17179869.0, 1e9, 9e15, -1e12}) {
            image.fill(Qt::white);
            QCOMPARE(drawWindow(image, image.rect(), signal.get(), start).extent, ecgpaper::TraceResult::PastEnd);
            QCOMPARE(countPixels(image, image.rect(), isBlack), 0);
        }
        auto empty = signalOf({});
        QCOMPARE(drawWindow(image, image.rect(), empty.get(), 0.0).extent, ecgpaper::TraceResult::NoRecording);
        QCOMPARE(drawWindow(image, image.rect(), nullptr, 0.0).extent, ecgpaper::TraceResult::NoRecording);
        // The end's note stands right of its line only where it fits whole;
        // notes and end marks leave the painter as they found it.
        image.fill(Qt::white);
        const QFontMetricsF metrics(QFont(), &image);
        const int x = int(image.width() - metrics.horizontalAdvance(ecgpaper::recordingEndText())
                          - metrics.averageCharWidth() / 2);
        {
            QPainter painter(&image);
            painter.setPen(Qt::red);
            ecgpaper::drawRecordingEnd(painter, image.rect(), x, QFont(), Qt::darkGray);
            ecgpaper::drawNote(painter, QRectF(0, 0, 200, 200), ecgpaper::pastEndText(), QFont(), Qt::darkGray);
            QCOMPARE(painter.pen().color(), QColor(Qt::red));
        }
        QCOMPARE(countPixels(image, QRect(x + 3, 0, image.width(), 250), [](QRgb c) { return !isWhite(c); }), 0);
    }

    // A gap in a recording: no trace across it, a shaded band with its note
    // where it fits, and the trace on both sides at its place.
    void missingStretchesAreNoTrace()
    {
        // 185 mm at 25 mm/s: 7.4 s, 1850 samples; 2 s missing from 2 s on,
        // 0.04 s (too narrow for the note) from 6 s on.
        auto signal = signalOf(std::vector<qint16>(1850, 10));
        QImage image = paperImage(185, 25);
        const ecgpaper::TraceResult drawn = drawWindow(image, image.rect(), signal.get(), 0.0, false, {{500, 500}, {1500, 10}});
        QCOMPARE(drawn.missingX, (std::vector<std::pair<double, double>>{{500.0, 1000.0}, {1500.0, 1510.0}}));
        QVERIFY(countPixels(image, QRect(0, 0, 495, 250), isBlack) > 400);
        QCOMPARE(countPixels(image, QRect(503, 0, 494, 250), isBlack), 0);
        QVERIFY(countPixels(image, QRect(1003, 0, 490, 250), isBlack) > 400);
        {
            QPainter painter(&image);
            ecgpaper::drawMissing(painter, image.rect(), drawn, QFont(), Qt::darkGray);
        }
        QVERIFY(countPixels(image, QRect(520, 0, 460, 250), isLabel) > 20);
        QCOMPARE(countPixels(image, QRect(1500, 0, 10, 250), isLabel), 0);
        QVERIFY(countPixels(image, QRect(1500, 0, 10, 250), [](QRgb c) { return !isWhite(c); }) > 1000);
    }

    void channelsInLanes()
    {
        // Three channels, the middle one hidden: two lanes, each trace at its
        // lane's centre.
        TMemorySignal three({std::vector<qint16>(500, 5), std::vector<qint16>(500, 9), std::vector<qint16>(500, 7)},
                            1000, 250);
        QImage image = paperImage(50, 25);
        const ecgpaper::TraceResult drawn = drawWindow(image, image.rect(), &three, 0.0, false, {}, 1);
        QCOMPARE(drawn.baselines, std::vector<double>({62.5, 187.5}));
        QCOMPARE(runStarts(image, 100, false, isBlack), QVector<int>({62, 187}));
    }

    void traceKeptInItsLane()
    {
        // 1.6-mV spikes in a 19-mm lane under a 6-mm band: centred on the
        // mean they would cross the band; kept in the lane they reach its top.
        std::vector<qint16> samples(2000, 0);
        for (size_t i = 0; i < samples.size(); i += 200)
            samples[i] = samples[i + 1] = 102;
        auto signal = signalOf(samples);
        const QRectF lane(0, 60, 1850, 190);
        QImage image = paperImage(185, 25);
        drawWindow(image, lane, signal.get(), 0.0, false);
        QVERIFY(countPixels(image, QRect(0, 0, 1850, 60), isBlack) > 0);
        image.fill(Qt::white);
        const ecgpaper::TraceResult drawn = drawWindow(image, lane, signal.get(), 0.0, true);
        QCOMPARE(countPixels(image, QRect(0, 0, 1850, 59), isBlack), 0);
        QVERIFY(countPixels(image, QRect(0, 60, 1850, 5), isBlack) > 0);
        QVERIFY(drawn.baselines.at(0) > 60 + 190 / 2);
        // 2.5-mV spikes cannot fit: they overflow the lane evenly, about
        // 3 cm up and down, tips above the lane, baseline below it.
        for (size_t i = 0; i < samples.size(); i += 200)
            samples[i] = samples[i + 1] = 160;
        auto tall = signalOf(samples);
        image.fill(Qt::white);
        drawWindow(image, lane, tall.get(), 0.0, true);
        const int top = runStarts(image, 0, false, isBlack).value(0, -1);
        QVERIFY2(top >= 20 && top <= 45, qPrintable(QString::number(top)));
    }

    void plotLabelsStayWhole()
    {
        // A heart-rate plot: 50 to 200 bpm over five and a half minutes in a
        // small frame. The top value is labelled whole; the time labels are
        // whole, the last moved in from the edge, and none reaches into the
        // column of the y labels (where "50" reaches down).
        Points hr;
        hr.label = QStringLiteral("HR");
        hr.points = {{0, 70}, {300, 80}};
        plotpainter::Axes axes;
        axes.xMin = 0, axes.xMax = 330, axes.yMin = 50, axes.yMax = 200;
        QFont font;
        font.setPointSizeF(7.5);
        const plotpainter::Look look = plotpainter::screenLook(font);
        auto drawn = [&](const QString &timeFormat) {
            axes.timeFormat = timeFormat;
            QImage image(181, 81, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            plotpainter::draw(painter, QRectF(0, 0, 181, 81), 96 / 25.4, look, axes, &hr);
            return image;
        };
        const QImage image = drawn(QStringLiteral("mm:ss")), blank = drawn(QStringLiteral(" "));
        const plotpainter::Layout l = plotpainter::layout(QRectF(0, 0, 181, 81), 96 / 25.4, &image, look, axes, &hr);
        QCOMPARE(l.plot, QRectF(30, 0, 151, 66));
        QVERIFY(l.legend.right() == 171 && l.legend.top() == 2); // 10 pixels in, 2 down
        QVERIFY(countPixels(image, QRect(0, 0, 29, 10), isLabel) > 0); // "200"
        QVERIFY(countPixels(image, QRect(120, 0, 61, 20), isRed) > 20); // "HR", its name alone
        QCOMPARE(countPixels(image, QRect(0, 0, 181, 1), isLabel) + countPixels(image, QRect(0, 0, 1, 81), isLabel), 0);
        int timePixels = 0;
        for (int y = 66; y < 81; ++y)
            for (int x = 0; x < 181; ++x)
                if (image.pixel(x, y) != blank.pixel(x, y)) {
                    ++timePixels;
                    QVERIFY2(x >= 25, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                }
        QVERIFY(timePixels > 50);
        QVERIFY(countPixels(image, QRect(165, 66, 15, 15), isLabel) > 0); // "05:00", moved in

        // Forty pixels without time labels: a y label the bottom edge pushes
        // onto the one above it is left out, so no two overlap.
        axes.timeFormat.clear();
        axes.xLabels = false;
        QImage small(90, 40, QImage::Format_RGB32);
        small.fill(Qt::white);
        {
            QPainter painter(&small);
            plotpainter::draw(painter, QRectF(0, 0, 90, 40), 96 / 25.4, look, axes, &hr);
        }
        const int digitHeight = int(std::ceil(QFontMetricsF(font, &small).tightBoundingRect("0123456789").height()));
        QVector<int> rows;
        for (int y = 0; y < 40; ++y)
            rows << int(countPixels(small, QRect(0, y, 29, 1), isLabel) > 0);
        for (int y = 0, run = 0; y < 40; ++y) {
            run = rows[y] ? run + 1 : 0;
            QVERIFY2(run <= digitHeight, qPrintable(QString::number(y)));
        }
        QVERIFY(rows.count(1) >= 2 * digitHeight - 2); // two labels at least

        // Labels are moved inside the frame; one then too close to the one
        // before it is left out.
        const QVector<double> lefts = plotpainter::placeLabels({0, 40, 60, 200}, {30, 30, 30, 30}, 0, 210, 2);
        QVERIFY(lefts[0] == 0.0);
        QVERIFY(std::isnan(lefts[1]));
        QVERIFY(lefts[2] == 45.0);
        QVERIFY(lefts[3] == 180.0);
        QVERIFY(std::isnan(plotpainter::placeLabels({15, 46}, {30, 30}, 0, 100, 2)[1])); // 1 px apart, gap 2
    }

    void seriesAndHighlight()
    {
        // Markers at every point, the first included; points closer than a
        // pixel drawn as one vertical stroke; the highlight line at its value.
        Points series;
        plotpainter::Axes axes;
        axes.xMin = 0, axes.xMax = 100, axes.yMin = 0, axes.yMax = 100;
        axes.xLabels = axes.yLabels = false;
        plotpainter::Marks marks;
        marks.highlight = true;
        marks.highlightValue = 70;
        auto drawn = [&](int style) {
            axes.style = style;
            QImage image(201, 101, QImage::Format_RGB32);
            image.fill(Qt::white);
            QPainter painter(&image);
            plotpainter::draw(painter, QRectF(0, 0, 201, 101), 96 / 25.4, plotpainter::screenLook(QFont()), axes,
                              &series, marks);
            return image;
        };
        series.points = {{10, 50}, {100, 50}};
        const QImage markers = drawn(plotpainter::Markers);
        QVERIFY(isRed(markers.pixel(20, 50)));
        QVERIFY(isRed(markers.pixel(199, 50)));
        QVERIFY(!isRed(markers.pixel(100, 50)));
        // A 6-pixel square centred on its point (x 20.1): columns 17 to 22.
        QCOMPARE(runStarts(markers, 50, true, isRed).mid(0, 1), QVector<int>({17}));
        QCOMPARE(countPixels(markers, QRect(0, 50, 40, 1), isRed), 6);
        const QVector<int> highlight = runStarts(markers, 20, true, [](QRgb c) { return qGray(c) < 180; });
        QCOMPARE(highlight, QVector<int>({140}));
        series.points = {{0, 50}, {50, 10}, {50.001, 90}, {100, 10}};
        QVERIFY(isRed(drawn(plotpainter::Lines).pixel(100, 50)));
        // A lone point still gets its marker.
        series.points = {{50, 50}};
        QCOMPARE(countPixels(drawn(plotpainter::LinesAndMarkers), QRect(90, 50, 20, 1), isRed), 6);
    }

    void legendGoesWhereThereIsNoData()
    {
        // Points high on the right: the legend leaves the top right corner.
        // Data in every corner: the legend takes a band above the data.
        Points series;
        series.label = QStringLiteral("HR");
        series.points = {{0, 20}, {50, 30}, {80, 95}, {100, 95}};
        plotpainter::Axes axes;
        axes.xMin = 0, axes.xMax = 100, axes.yMin = 0, axes.yMax = 100;
        const plotpainter::Look look = plotpainter::paperLook(QFont().family());
        QImage page = paperImage(90, 45);
        const plotpainter::Layout l = plotpainter::layout(page.rect(), PxPerMm, &page, look, axes, &series);
        QVERIFY(l.legend.left() < l.plot.center().x());
        QVERIFY(l.legend.bottom() < l.plot.center().y());
        QCOMPARE(l.plot.top(), 0.0);
        series.points.clear();
        for (int x = 0; x <= 100; ++x)
            series.points << QPointF(x, x % 2 ? 100 : 0);
        const plotpainter::Layout band = plotpainter::layout(page.rect(), PxPerMm, &page, look, axes, &series);
        QVERIFY(!band.legend.isEmpty());
        QVERIFY(band.plot.top() > band.legend.bottom());
    }

};

QTEST_MAIN(TestDisplayPainters)
#include "tst_displaypainters.moc"
