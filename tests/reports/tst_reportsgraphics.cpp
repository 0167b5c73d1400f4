// The drawings printed on the reports, on a page of 10 pixels per
// millimetre: an ECG strip at paper scale with its caption, calibration
// pulse and notes where there is no ECG; a history graph with a grid line
// per session and a legend that hides no data.

#include "../display/paperimage.h"

#include "reports/plotgraphic.h"
#include "reports/signalgraphic.h"

#include <QPainter>
#include <QTranslator>
#include <QtTest>

namespace {

QImage strip(TSignal *signal, double start)
{
    QImage image = paperImage(185, 25);
    SignalGraphic graphic;
    graphic.setSignal(signal);
    graphic.setStartTime(start);
    graphic.setSessionStart(QDateTime(QDate(2026, 3, 8), QTime(8, 40)));
    QPainter painter(&image);
    graphic.draw(painter, image.rect());
    return image;
}

// The trace's part of a strip: below the caption, right of the pulse.
const QRect Lane(71, 60, 1779, 190);

// Rows of an area with a pixel of that kind: the height of a text.
int rowsWith(const QImage &image, const QRect &area, const std::function<bool(QRgb)> &kind)
{
    int rows = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        rows += countPixels(image, QRect(area.left(), y, area.width(), 1), kind) > 0 ? 1 : 0;
    return rows;
}

// The notes' colour, which neither the paper nor the trace has.
bool isNote(QRgb c)
{
    return c == QColor(Qt::darkGray).rgb();
}

} // namespace

class TestReportsGraphics : public QObject
{
    Q_OBJECT

private slots:
    void stripAtPaperScale()
    {
        // The second half is 1 mV higher, with 0.6-mV beats: levels 10 mm
        // apart, the step 92.5 mm after the pulse (3.7 s at 25 mm/s), the
        // beats kept below the caption.
        std::vector<qint16> samples(3000, 0);
        std::fill(samples.begin() + 925, samples.end(), qint16(64));
        for (size_t i = 100; i < samples.size(); i += 200)
            samples[i] = qint16(samples[i] + 38);
        auto signal = signalOf(samples);
        const QImage image = strip(signal.get(), 0.0);

        // A line every 5 mm from the top-left corner.
        QVERIFY(qAbs(runStarts(image, 7, true, isGrey).value(29) - 1500) <= 1);
        const QVector<int> before = runStarts(image, 70 + 400, false, isBlack);
        const QVector<int> after = runStarts(image, 70 + 1550, false, isBlack);
        QVERIFY(before.size() == 1);
        QVERIFY(after.size() == 1);
        QVERIFY(qAbs(before[0] - after[0] - 100) <= 2);
        int level = 71; // where the higher level starts: the first long run
        for (int run = 0; level < 1850 && run < 20; ++level)
            run = isBlack(image.pixel(level, after[0])) ? run + 1 : 0;
        QVERIFY(qAbs(level - 20 - (70 + 925)) <= 2);
        QCOMPARE(countPixels(image, QRect(71, 0, 1779, 60), isBlack), 0);

        // The strip's left edge, then the 1-mV pulse from the trace's baseline.
        QCOMPARE(runStarts(image, 0, false, isBlack), QVector<int>({0}));
        const QVector<int> pulse = runStarts(image, 45, false, isBlack);
        QCOMPARE(pulse.size(), 1);
        const QVector<int> foot = runStarts(image, 10, false, isBlack);
        QVERIFY(!foot.isEmpty());
        QVERIFY(qAbs(foot.last() - pulse[0] - 100) <= 2);
        // The caption: clock time, offset in the session and scale.
        SignalGraphic graphic;
        graphic.setSignal(signal.get());
        graphic.setStartTime(3725.4);
        graphic.setSessionStart(QDateTime(QDate(2026, 3, 8), QTime(8, 40)));
        QCOMPARE(graphic.caption(), QStringLiteral("V5   09:42:05   +1:02:05   25 mm/s  10 mm/mV"));
        // Hours appear from the first hour on, never as "60:00".
        graphic.setStartTime(3600.0);
        QVERIFY(graphic.caption().contains(QStringLiteral("+1:00:00")));
        graphic.setStartTime(3599.9);
        QVERIFY(graphic.caption().contains(QStringLiteral("+59:59")));
        QVERIFY(countPixels(image, QRect(20, 0, 600, 60), isNote) > 100);
        // 8 points high, in the middle of its 6-mm line.
        int top = 0, bottom = 59;
        while (top < 60 && countPixels(image, QRect(20, top, 600, 1), isNote) == 0)
            ++top;
        while (bottom > 0 && countPixels(image, QRect(20, bottom, 600, 1), isNote) == 0)
            --bottom;
        QVERIFY2(bottom - top >= 15 && bottom - top <= 28 && qAbs(top + bottom - 60) <= 8,
                 qPrintable(QStringLiteral("%1-%2").arg(top).arg(bottom)));
    }

    void stripsWithoutEcgSaySo()
    {
        // A recording ending 1 s into the strip is marked where it ends.
        auto signal = signalOf(std::vector<qint16>(750, 10));
        const QImage ending = strip(signal.get(), 2.0);
        QCOMPARE(countPixels(ending, QRect(330, 60, 1520, 190), isBlack), 0);
        QVERIFY(countPixels(ending, QRect(315, 60, 300, 190), isNote) > 100);
        QCOMPARE(countPixels(ending, QRect(250, 60, 60, 190), isNote), 0);
        int noteTop = 60, noteBottom = 249; // the note across the lane's middle (155)
        while (noteTop < 250 && countPixels(ending, QRect(330, noteTop, 300, 1), isNote) == 0)
            ++noteTop;
        while (noteBottom > 60 && countPixels(ending, QRect(330, noteBottom, 300, 1), isNote) == 0)
            --noteBottom;
        QVERIFY2(noteTop < 155 && noteBottom > 155 && qAbs(noteTop + noteBottom - 2 * 160) <= 8,
                 qPrintable(QStringLiteral("%1-%2").arg(noteTop).arg(noteBottom)));
        // Past the end, far past any 32-bit sample index, or without any
        // recording: paper with a note, no trace.
        const QImage missing = strip(nullptr, 0.0);
        QCOMPARE(countPixels(missing, Lane, isBlack), 0);
        QVERIFY(countPixels(missing, Lane, isNote) > 100);
        const int note = rowsWith(missing, Lane, isNote); // 9 points
        QVERIFY2(note >= 18 && note <= 36, qPrintable(QString::number(note)));
        for (double start : {30.0, 1e9}) {
            const QImage late = strip(signal.get(), start);
            QCOMPARE(countPixels(late, Lane, isBlack), 0);
            QVERIFY(late.copy(Lane) != missing.copy(Lane)); // another note
            QVERIFY(countPixels(late, Lane, isNote) > 100);
        }
        // The notes are the report's, in Spanish: the station's language
        // does not change the strip.
        QTranslator spanish;
        QVERIFY(spanish.load(QStringLiteral("NorvaneCardiolane_es"), QStringLiteral(CARDIOLANE_BIN_DIR)));
        QCoreApplication::installTranslator(&spanish);
        const QImage endingInSpanish = strip(signal.get(), 2.0), missingInSpanish = strip(nullptr, 0.0);
        QCoreApplication::removeTranslator(&spanish);
        QVERIFY(endingInSpanish == ending);
        QVERIFY(missingInSpanish == missing);
        QCOMPARE(sessionOffsetText(59.9), QStringLiteral("+00:59"));
        QCOMPARE(sessionOffsetText(-5) + sessionOffsetText(0), QStringLiteral("-00:05+00:00"));
    }

    void historyGraph()
    {
        // The size of the summary report's heart-rate graph, 20 sessions with
        // an intra-exercise rate under where the legend used to be.
        QVector<double> sessions, basal, intra;
        for (int s = 1; s <= 20; ++s) {
            sessions << s;
            basal << 70;
            intra << 150;
        }
        auto drawn = [&](bool legend) {
            QImage image = paperImage(91, 46);
            PlotGraphic plot;
            plot.addSeries(sessions, basal, Qt::darkGreen, legend ? QStringLiteral("Basal") : QString());
            plot.addSeries(sessions, intra, Qt::darkBlue, legend ? QStringLiteral("Intra-esfuerzo") : QString());
            plot.setLegendTitle(legend ? QStringLiteral("FC") : QString());
            plot.setStyle(PlotGraphic::LinesAndMarkers);
            plot.setXRange(0.5, 20.5);
            plot.setXStep(1.0);
            plot.setYRange(0, 200);
            QPainter painter(&image);
            plot.draw(painter, image.rect());
            return image;
        };
        const QImage plain = drawn(false), named = drawn(true);
        // A grid line per session.
        const double left = 70, width = plain.width() - left;
        auto columnOf = [&](double x) { return int(left + (x - 0.5) * width / 20.0); };
        const QVector<int> grid = runStarts(plain, 5, true, isGrey);
        QCOMPARE(grid.size(), 20);
        QVERIFY(qAbs(grid[19] - columnOf(20)) <= 1);
        // Labels inside their strip, above its bottom edge.
        auto label = [](QRgb c) { return qGray(c) < 170 && qAbs(qRed(c) - qBlue(c)) < 10; };
        QVERIFY(countPixels(plain, QRect(70, 410, 840, 40), label) > 50);
        QCOMPARE(countPixels(plain, QRect(70, 452, 840, 8), label), 0);
        // The legend is there: its title in black, a line (160 pixels) and a
        // name in each series' colour; every pixel of data is as without it.
        for (const QColor &colour : {QColor(Qt::black), QColor(Qt::darkGreen), QColor(Qt::darkBlue)}) {
            auto ofColour = [colour](QRgb c) { return c == colour.rgb(); };
            QVERIFY(countPixels(named, named.rect(), ofColour) > countPixels(plain, plain.rect(), ofColour) + 200);
        }
        for (int y = 0; y < plain.height(); ++y)
            for (int x = 0; x < plain.width(); ++x)
                if (qBlue(plain.pixel(x, y)) > 100 && qRed(plain.pixel(x, y)) < 50)
                    QVERIFY2(named.pixel(x, y) == plain.pixel(x, y), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
    }
};

QTEST_MAIN(TestReportsGraphics)
#include "tst_reportsgraphics.moc"
