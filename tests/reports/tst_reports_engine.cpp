// The report engine: templates read and laid out on sheets, a sheet painted
// into an image and measured, text fitted into its box, and a print that
// fails (cancelled, or cut short by a file-size limit) keeping the previous file.

#include "reports/reportcontent.h"
#include "reports/reportengine.h"
#include "reports/reporterror.h"
#include "reports/reportsheetpainter.h"
#include "reports/textfit.h"

#include "../common/teststorage.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// Layout of a report page as "band:record@top" in printing order.
QStringList describe(const ReportTemplate &layout, const ReportSheet &sheet)
{
    QStringList bands;
    for (const PlacedBand &b : sheet.bands)
        bands << QStringLiteral("%1:%2@%3").arg(layout.pages()[sheet.reportPage].bands[b.band].name).arg(b.record).arg(b.top);
    return bands;
}

QByteArray band(const char *name, const char *type, int height, const QByteArray &fields = QByteArray())
{
    return QByteArray("<ReportBand name=\"") + name + "\" type=\"" + type + "\" height=\"" + QByteArray::number(height)
        + "\">" + fields + "</ReportBand>";
}

QByteArray field(const char *type, const char *value, QRect r, const char *more = "")
{
    return QStringLiteral("<TContainerField type=\"%1\" value=\"%2\" left=\"%3\" top=\"%4\" width=\"%5\" height=\"%6\" %7/>")
        .arg(type, value)
        .arg(r.left()).arg(r.top()).arg(r.width()).arg(r.height())
        .arg(more)
        .toUtf8();
}

// Answers every name with a text of its own and paints every image field red,
// well past its bounds.
class FakeContent : public ReportContent
{
public:
    QMap<QString, QString> values;
    QVector<QRect> drawn;

    QString value(int record, const QString &name, int reportPage) const override
    {
        return values.value(name, QStringLiteral("%1/%2/%3").arg(name).arg(record).arg(reportPage));
    }
    void draw(int, const QString &, QPainter &painter, const QRect &bounds, int) override
    {
        drawn << bounds;
        painter.fillRect(bounds.adjusted(-500, -500, 500, 500), Qt::red);
    }
};

// Bounding box of the pixels that are not `background` inside `area`; with
// `found`, of those that are `background`.
QRect inked(const QImage &image, const QRect &area, QRgb background, bool found = false)
{
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if ((image.pixel(x, y) == background) == found)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

private slots:
    void bandsPrintByTypeOnTheirSheets()
    {
        // Bands written in reverse order; a 1000-unit page without margins leaves
        // 950 units above the footer.
        const QByteArray xml = "<Reports><Report pageWidth=\"800\" pageHeight=\"1000\" marginsLeft=\"0\" marginsRight=\"0\""
                               " marginsTop=\"0\" marginsBottom=\"0\">"
            + band("F", "PageFooter", 50) + band("D", "MasterData", 300) + band("M", "MasterHeader", 200)
            + band("H", "PageHeader", 50) + band("T", "ReportTitle", 100)
            + "</Report><Report pageWidth=\"800\" pageHeight=\"1000\">" + band("H2", "PageHeader", 50)
            + band("Huge", "MasterHeader", 2000) + band("D2", "MasterData", 100)
            + "</Report><Report orientation=\"1\">" + band("H3", "PageHeader", 60) + band("D3", "MasterData", 100)
            + "</Report></Reports>";
        ReportTemplate layout;
        QVERIFY(layout.parse(xml));
        QVector<ReportSheet> sheets = paginateReport(layout, {3});

        QCOMPARE(sheets.size(), 3);
        QCOMPARE(describe(layout, sheets[0]),
                 QStringList({"T:0@0", "H:0@100", "M:0@150", "D:0@350", "D:1@650", "F:1@950"}));
        // The third record does not fit: a new sheet with the page header only.
        QCOMPARE(describe(layout, sheets[1]), QStringList({"H:2@0", "D:2@50", "F:2@950"}));
        // A report page without record count prints no data but still its own
        // sheet; a band taller than a sheet is placed once, not pushed forever.
        QCOMPARE(sheets[2].reportPage, 1);
        QCOMPARE(describe(layout, sheets[2]), QStringList({"H2:0@40", "Huge:0@90"}));
        // The third page, of records and headers only, printed no sheet without
        // records; it lies across: 800 units above its bottom margin, filled.
        sheets = paginateReport(layout, {0, 0, 12});
        QCOMPARE(sheets.size(), 4);
        QCOMPARE(describe(layout, sheets[3]),
                 QStringList({"H3:7@40", "D3:7@100", "D3:8@200", "D3:9@300", "D3:10@400", "D3:11@500"}));

        QVERIFY(!ReportTemplate().parse("<Reports><Report pageWidth=\"80\" marginsLeft=\"40\" marginsRight=\"40\"/></Reports>"));
        QVERIFY(!ReportTemplate().parse("<Reports><Report pageHeight=\"80\" marginsBottom=\"41\"/></Reports>"));
        QVERIFY(!ReportTemplate().parse("<Other/>"));
        QVERIFY(!ReportTemplate().load(QStringLiteral(":/res/missing.xml")));

        // Printed, each sheet has its own page's size in points: 200 x 250 mm,
        // then A4 lying across.
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(QStringLiteral("layout.xml")), xml));
        ReportEngine engine;
        QVERIFY(engine.loadTemplate(dir.filePath(QStringLiteral("layout.xml"))));
        engine.recordCounts() = {0, 0, 12};
        FakeContent content;
        engine.printPdf(dir.filePath(QStringLiteral("sheets.pdf")), content);
        QStringList sizes;
        const QByteArray pdf = readFile(dir.filePath(QStringLiteral("sheets.pdf")));
        const QRegularExpression mediaBox(QStringLiteral("/MediaBox \\[0 0 (\\d+)\\.0+ (\\d+)\\.0+\\]"));
        for (auto boxes = mediaBox.globalMatch(QString::fromLatin1(pdf.constData(), pdf.size())); boxes.hasNext();) {
            const QRegularExpressionMatch box = boxes.next();
            sizes << box.captured(1) + "x" + box.captured(2);
        }
        QCOMPARE(sizes, QStringList({"567x709", "567x709", "842x595", "842x595"}));
    }

    void stationTemplatesPaginate_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QVector<int>>("counts");
        QTest::addColumn<QVector<int>>("sheetsPerPage");
        QTest::addColumn<int>("firstSheetRecords");
        // Title 130 + patient block 456 leave room for four strips of 113 on the
        // first sheet, nine on the next ones; the ectopy, ST and rhythm
        // sections (566) never fit beside the patient block, so they take a
        // sheet of their own after the strips; 41 events a sheet in the list.
        QTest::newRow("session, 10 strips, 43 events")
            << ":/res/sessionreport1.xml" << QVector<int>{10, 43} << QVector<int>{3, 2, 0} << 4;
        QTest::newRow("session, no strip, no list") << ":/res/sessionreport1.xml" << QVector<int>{0, 0}
                                                     << QVector<int>{2, 0, 0} << 0;
        // The alarm table also holds 41 rows a sheet.
        QTest::newRow("session, 42 alarms") << ":/res/sessionreport1.xml" << QVector<int>{0, 0, 42}
                                            << QVector<int>{2, 0, 2} << 0;
        // 33 table rows a sheet under the column heads; 9 strips a sheet; no
        // sheet for strips when there are none.
        QTest::newRow("summary, 36 sessions, 20 strips")
            << ":/res/summaryreport1.xml" << QVector<int>{1, 36, 20} << QVector<int>{1, 2, 3} << 1;
        QTest::newRow("summary, no strip") << ":/res/summaryreport1.xml" << QVector<int>{1, 3, 0}
                                           << QVector<int>{1, 1, 0} << 1;
    }

    void stationTemplatesPaginate()
    {
        QFETCH(QString, path);
        QFETCH(QVector<int>, counts);
        QFETCH(QVector<int>, sheetsPerPage);
        QFETCH(int, firstSheetRecords);
        ReportTemplate layout;
        QVERIFY(layout.load(path));
        const QVector<ReportSheet> sheets = paginateReport(layout, counts);
        QVector<int> perPage(layout.pages().size());
        int dataOnFirst = 0;
        for (int s = 0; s < sheets.size(); ++s) {
            ++perPage[sheets[s].reportPage];
            const ReportPageLayout &page = layout.pages()[sheets[s].reportPage];
            QVector<BandType> types;
            for (const PlacedBand &b : sheets[s].bands) {
                types << page.bands[b.band].type;
                dataOnFirst += s == 0 && page.bands[b.band].type == BandType::MasterData ? 1 : 0;
                QVERIFY(b.top + page.bands[b.band].height <= page.pageHeight - page.marginBottom);
            }
            // The master header (the patient block) is never repeated; the
            // page header (with the column heads of a table) heads every sheet.
            QCOMPARE(types.contains(BandType::MasterHeader), s == 0 && page.band(BandType::MasterHeader));
            QCOMPARE(types.contains(BandType::PageHeader), page.band(BandType::PageHeader) != nullptr);
        }
        QCOMPARE(perPage, sheetsPerPage);
        QCOMPARE(dataOnFirst, firstSheetRecords);
    }

    // The course table's heads and cells each keep a place of their own:
    // no text prints over another's.
    void summaryTableCellsDoNotOverlap()
    {
        ReportTemplate layout;
        QVERIFY(layout.load(QStringLiteral(":/res/summaryreport1.xml")));
        for (const ReportBand &band : layout.pages().at(1).bands) {
            if (band.type != BandType::PageHeader && band.type != BandType::MasterData)
                continue;
            for (const ReportField &a : band.fields)
                for (const ReportField &b : band.fields) {
                    const QRect ra(a.left, a.top, a.width, a.height), rb(b.left, b.top, b.width, b.height);
                    if (a.name < b.name && a.type == FieldType::Label && b.type == FieldType::Label)
                        QVERIFY2(!ra.intersects(rb), qPrintable(a.name + QLatin1String(" / ") + b.name));
                    QVERIFY(ra.right() < 760);
                }
        }
    }

    void sheetIsPaintedAsTheTemplateSays()
    {
        // 400 x 400 units at 254 dpi: 2.5 pixels a unit. The band is 200 units high.
        const QByteArray fields =
            field("labelImage", "[ecg]", {20, 20, 160, 80}, "borderTop=\"rgba(0,0,0,255)\"")
            + field("label", "[name] &lt;Page&gt;/&lt;TotalPages&gt;", {20, 20, 160, 20}, "aligmentH=\"hLeft\" aligmentV=\"vTop\"")
            + field("label", "[right]", {200, 120, 180, 40}, "aligmentH=\"hRight\" backgroundColor=\"rgba(238,238,238,255)\"")
            + field("label", "[many]", {20, 120, 160, 40}, "aligmentV=\"vTop\"")
            + field("reactangle", "", {200, 20, 100, 60})
            + field("label", "[cut]", {20, 190, 360, 60}, "aligmentH=\"hCenter\" aligmentV=\"vTop\" fontSize=\"20\"");
        ReportTemplate layout;
        QVERIFY(layout.parse("<Reports><Report pageWidth=\"400\" pageHeight=\"400\" marginsLeft=\"0\" marginsRight=\"0\""
                             " marginsTop=\"0\" marginsBottom=\"0\">" + band("B", "MasterData", 200, fields) + "</Report></Reports>"));
        FakeContent content;
        content.values = {{"name", "Ana"}, {"right", "Derecha"}, {"cut", "MMMM"},
                          {"many", QStringLiteral("renglón ").repeated(400)}};
        QImage image(1000, 1000, QImage::Format_RGB32);
        image.setDotsPerMeterX(10000);
        image.setDotsPerMeterY(10000);
        image.fill(Qt::white);
        const ReportSheetPainter sheetPainter(layout, content);
        QPainter painter(&image);
        sheetPainter.paint(painter, ReportSheet{0, {{0, 3, 0}}}, 2, 7);
        painter.end();
        const QRgb white = qRgb(255, 255, 255), red = qRgb(255, 0, 0);

        // The drawing fills its own box only, bordered on top.
        QCOMPARE(content.drawn, QVector<QRect>({QRect(50, 50, 400, 200)}));
        const QRect drawing = inked(image, QRect(0, 0, 480, 280), white);
        QVERIFY(drawing.contains(QRect(50, 50, 400, 200)));
        QVERIFY(QRect(48, 48, 404, 202).contains(drawing));
        QCOMPARE(image.pixel(400, 240), red);
        QCOMPARE(QColor(image.pixel(300, 49)).value(), 0);
        // The label over it is transparent: only red and its text, on the left.
        const QRect name = inked(image, QRect(52, 52, 396, 46), red);
        QVERIFY(!name.isEmpty());
        QVERIFY(name.right() < 250);
        QVERIFY(inked(image, QRect(52, 52, 396, 46), white, true).isEmpty());
        QCOMPARE(sheetPainter.labelText("[name] <Page>/<TotalPages>", 3, 0, 2, 7), QStringLiteral("Ana 2/7"));
        // Right-aligned text on its grey background ends at the box's right edge.
        const QRect right = inked(image, QRect(500, 300, 450, 100), qRgb(238, 238, 238));
        QVERIFY(right.right() <= 949);
        QVERIFY(right.right() > 930);
        QVERIFY(right.left() > 700);
        QVERIFY(qAbs(right.center().y() - 350) < 5);
        // A text too long for its box is cut inside it; the frame is black.
        QVERIFY(QRect(50, 300, 400, 100).contains(inked(image, QRect(0, 290, 480, 160), white)));
        QCOMPARE(QColor(image.pixel(500, 120)).value(), 0);
        // Nothing leaves the band, 500 pixels high: the last label, centred, shows its top only.
        const QRect cut = inked(image, QRect(0, 440, 1000, 560), white);
        QVERIFY(!cut.isEmpty());
        QVERIFY(cut.bottom() <= 499);
        QVERIFY(qAbs(cut.center().x() - 500) < 5);

        // A clip set by the caller is kept.
        image.fill(Qt::white);
        painter.begin(&image);
        painter.setClipRect(0, 0, 100, 1000);
        sheetPainter.paint(painter, ReportSheet{0, {{0, 0, 0}}}, 1, 1);
        painter.end();
        QVERIFY(inked(image, QRect(100, 0, 900, 1000), white).isEmpty());
        content.values["name"] = QStringLiteral("x").repeated(MaxPrintedValueLength + 10);
        QCOMPARE(sheetPainter.labelText("[name]", 0, 0, 1, 1).size(), MaxPrintedValueLength);
    }

    void textShrinksThenIsCut_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QSizeF>("boxMm");
        QTest::addColumn<bool>("wrap");
        QTest::addColumn<QString>("outcome");
        QStringList events;
        for (int i = 0; i < 60; ++i)
            events << QStringLiteral("08:10 Event %1 with a description").arg(i);
        QTest::newRow("fits") << "Conclusiones" << QSizeF(26, 7.5) << true << "kept";
        QTest::newRow("long label shrinks") << "Conclusiones del programa" << QSizeF(30, 7.5) << true << "shrunk";
        QTest::newRow("many lines shrink") << events.mid(0, 12).join("\r\n") << QSizeF(70, 43) << true << "shrunk";
        QTest::newRow("too many lines are cut") << events.join("\r\n") << QSizeF(70, 43) << true << "cut";
        QTest::newRow("one line is cut") << QStringLiteral("xx ").repeated(70) << QSizeF(20, 5) << false << "cut";
        QTest::newRow("ten million characters") << QStringLiteral("Apellido ").repeated(1200000) << QSizeF(115, 5)
                                                << true << "cut";
    }

    void textShrinksThenIsCut()
    {
        QFETCH(QString, text);
        QFETCH(QSizeF, boxMm);
        QFETCH(bool, wrap);
        QFETCH(QString, outcome);
        QImage device(10, 10, QImage::Format_RGB32);
        device.setDotsPerMeterX(47244);
        device.setDotsPerMeterY(47244);
        const QSizeF box = boxMm * 47.244;
        QFont font(printFontFamily(QStringLiteral("MS Shell Dlg 2")));
        font.setPointSizeF(10);

        const FittedText fitted = fitText(text, font, box, wrap, &device);
        const QFontMetricsF metrics(fitted.font, &device);
        QVERIFY(fitted.lines.size() * metrics.height() <= box.height() + 0.01);
        QVERIFY((wrap || fitted.lines.size() == 1));
        for (const QString &line : fitted.lines)
            QVERIFY2(metrics.horizontalAdvance(line) <= box.width(), qPrintable(line));
        QCOMPARE(fitted.elided, outcome == QLatin1String("cut"));
        if (outcome == QLatin1String("kept"))
            QCOMPARE(fitted.font.pointSizeF(), 10.0);
        else if (outcome == QLatin1String("shrunk"))
            QVERIFY(fitted.font.pointSizeF() < 10.0 && fitted.font.pointSizeF() >= MinimumFitPointSize);
        else
            QVERIFY(fitted.font.pointSizeF() == MinimumFitPointSize && fitted.lines.last().endsWith(QChar(0x2026)));
        // The cut line is the one that follows the kept ones.
        if (wrap && outcome == QLatin1String("cut") && text.startsWith("08"))
            QVERIFY(fitted.lines.last().startsWith(QStringLiteral("08:10 Event %1 ").arg(fitted.lines.size() - 1)));
        // The font compiled into the program is the one printed.
        QVERIFY(registerPrintFonts());
        QCOMPARE(QFontInfo(fitted.font).family(), QStringLiteral("Liberation Sans"));
    }

    void failedPrintKeepsThePreviousFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("report.pdf"));
        const QByteArray previous = QByteArray("%PDF previous report ").repeated(20);
        QVERIFY(writeFile(path, previous));
        FakeContent content;
        ReportEngine engine;
        QVERIFY(engine.loadTemplate(QStringLiteral(":/res/summaryreport1.xml")));
        engine.recordCounts() << 1 << 40 << 0;
        auto kept = [&]() {
            return readFile(path) == previous && QDir(dir.path()).entryList(QDir::Files) == QStringList({"report.pdf"});
        };
        auto failure = [&](const ReportEngine::Progress &progress) {
            try {
                engine.printPdf(path, content, progress);
            } catch (const ReportError &e) {
                return QString::fromUtf8(e.what());
            }
            return QString();
        };
#ifdef Q_OS_UNIX
        // Files limited to 100 bytes less than the report: its very end, the
        // last bytes written, cannot be.
        engine.printPdf(dir.filePath(QStringLiteral("whole.pdf")), content);
        const qint64 limit = QFileInfo(dir.filePath(QStringLiteral("whole.pdf"))).size() - 100;
        QVERIFY(QFile::remove(dir.filePath(QStringLiteral("whole.pdf"))));
        QString tooLarge;
        {
            const FileSizeLimit full(limit);
            tooLarge = failure({});
        }
        QVERIFY2(tooLarge.contains(QStringLiteral("could not be written")) && tooLarge.contains(QStringLiteral("large")),
                 qPrintable(tooLarge));
        QVERIFY(kept());
#endif
        // Cancelled while the second sheet is printed.
        QVector<int> sheets;
        QCOMPARE(failure([&](int sheet, int total) {
                     sheets << sheet << total;
                     if (sheet == 2)
                         engine.cancel();
                 }),
                 QStringLiteral("The report was cancelled"));
        QCOMPARE(sheets, QVector<int>({1, 3, 2, 3}));
        QVERIFY(kept());
    }
};

QTEST_MAIN(TestReportEngine)
#include "tst_reports_engine.moc"
