#include "dsp/tmemorysignal.h"
#include "reports/plotgraphic.h"
#include "reports/signalgraphic.h"

#include <QImage>
#include <QPainter>
#include <QtTest>

namespace {

// A white page of 10 pixels per millimetre.
QImage paper(int widthMm, int heightMm)
{
    QImage image(widthMm * 10, heightMm * 10, QImage::Format_RGB32);
    image.setDotsPerMeterX(10000);
    image.setDotsPerMeterY(10000);
    image.fill(Qt::white);
    return image;
}

// Starts of the runs of pixels of one kind along a row or column.
QVector<int> runStarts(const QImage &image, int fixed, bool alongRow, const std::function<bool(QRgb)> &kind)
{
    QVector<int> starts;
    const int n = alongRow ? image.width() : image.height();
    bool inside = false;
    for (int i = 0; i < n; ++i) {
        const bool hit = kind(alongRow ? image.pixel(i, fixed) : image.pixel(fixed, i));
        if (hit && !inside)
            starts << i;
        inside = hit;
    }
    return starts;
}

bool isBlack(QRgb c)
{
    return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
}

bool isGrey(QRgb c)
{
    return !isBlack(c) && c != qRgb(255, 255, 255);
}

} // namespace

class TestReportDrawings : public QObject
{
    Q_OBJECT

private slots:
    void stripKeepsPaperScale()
    {
        // 1 mV is 64 counts; the second half of the window is 1 mV higher.
        std::vector<qint16> samples(3000, 0);
        std::fill(samples.begin() + 925, samples.end(), qint16(64));
        TMemorySignal signal({samples}, 1000, 250);
        signal.setRange(-4.0, 4.0);
        signal.setResolutionBits(9);

        QImage image = paper(185, 25);
        SignalGraphic graphic;
        graphic.setSignal(&signal);
        QPainter painter(&image);
        graphic.draw(painter, image.rect());
        painter.end();

        // Lines every 5 mm, dots every millimetre, from the top-left corner
        // (the first line lies under the strip's black left edge).
        const QVector<int> lines = runStarts(image, 7, true, isGrey);
        QVERIFY(lines.size() >= 30);
        for (int i = 0; i < 30; ++i)
            QVERIFY2(qAbs(lines[i] - 50 * (i + 1)) <= 1, qPrintable(QStringLiteral("%1 at %2").arg(lines[i]).arg(i)));
        const QVector<int> dots = runStarts(image, 20, false, isGrey);
        QVERIFY(dots.size() >= 15);
        for (int i = 0; i < 15; ++i)
            QVERIFY2(qAbs(dots[i] - 10 * i) <= 1, qPrintable(QStringLiteral("%1 at %2").arg(dots[i]).arg(i)));

        // 25 mm/s: the step at 3.7 s is 92.5 mm from the left; 10 mm/mV: the
        // two levels, centred on the window's mean, are 10 mm apart.
        const QVector<int> before = runStarts(image, 400, false, isBlack);
        const QVector<int> after = runStarts(image, 1500, false, isBlack);
        QCOMPARE(before.size(), 1);
        QCOMPARE(after.size(), 1);
        QVERIFY(qAbs(before[0] - after[0] - 100) <= 2);
        QVERIFY(qAbs(before[0] - 175) <= 2);
        const QVector<int> trace = runStarts(image, after[0] + 1, true, isBlack);
        QVERIFY(trace.size() >= 2);
        QVERIFY(qAbs(trace[1] - 925) <= 2);
    }

    void stripWithoutWholeSampleShowsPaperOnly()
    {
        std::vector<qint16> samples(1000, 100);
        TMemorySignal signal({samples}, 1000, 250);
        for (double speed : {25.0, 1e9}) {
            QImage image = paper(40, 20);
            SignalGraphic graphic;
            graphic.setSignal(speed == 25.0 ? nullptr : &signal);
            graphic.setSpeed(speed);
            QPainter painter(&image);
            graphic.draw(painter, image.rect());
            painter.end();
            int black = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    black += isBlack(image.pixel(x, y)) ? 1 : 0;
            QCOMPARE(black, 0);
            QVERIFY(!runStarts(image, 7, true, isGrey).isEmpty());
        }
        QCOMPARE(stripWindow(1, 47.2, 1e9, 10.0, 250).count, 0);
    }

    void historyGraphHasAGridLinePerSession()
    {
        // The size of the summary report's heart-rate graph.
        QImage image = paper(91, 46);
        PlotGraphic plot;
        plot.addSeries({1, 2, 3}, {100, 100, 100}, Qt::darkGreen);
        plot.setStyle(PlotGraphic::LinesAndMarkers);
        plot.setXRange(0.5, 20.5);
        plot.setXStep(1.0);
        plot.setYRange(0, 200);
        QPainter painter(&image);
        plot.draw(painter, image.rect());
        painter.end();

        const double left = 70, width = image.width() - 1 - left, bottom = image.height() - 1 - 50;
        auto columnOf = [&](double x) { return int(left + (x - 0.5) * width / 20.0); };
        for (int session = 1; session <= 3; ++session)
            QCOMPARE(image.pixelColor(columnOf(session), int(bottom / 2)), QColor(Qt::darkGreen));
        QVERIFY(image.pixelColor(columnOf(5), int(bottom / 2)) != QColor(Qt::darkGreen));
        const QVector<int> grid = runStarts(image, 5, true, isGrey);
        QCOMPARE(grid.size(), 20);
        QVERIFY(qAbs(grid[19] - columnOf(20)) <= 1);
    }
};

QTEST_MAIN(TestReportDrawings)
#include "tst_reportdrawings.moc"
