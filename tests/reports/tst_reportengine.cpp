#include "reports/reportengine.h"
#include "reports/reporterror.h"
#include "reports/textfit.h"

#include <QDir>
#include <QFile>
#include <QImage>
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

} // namespace

class TestReportEngine : public QObject
{
    Q_OBJECT

private slots:
    void bandsPrintByTypeOnTheirSheets();
    void stationTemplatesPaginate_data();
    void stationTemplatesPaginate();
    void textShrinksThenIsCut_data();
    void textShrinksThenIsCut();
    void failedPrintKeepsThePreviousFile();
};

void TestReportEngine::bandsPrintByTypeOnTheirSheets()
{
    // Bands written in reverse order; a 1000-unit page without margins leaves
    // 950 units above the footer.
    const QByteArray xml = "<Reports><Report pageWidth=\"800\" pageHeight=\"1000\" marginsLeft=\"0\" marginsRight=\"0\""
                           " marginsTop=\"0\" marginsBottom=\"0\">"
        + band("F", "PageFooter", 50) + band("D", "MasterData", 300) + band("M", "MasterHeader", 200)
        + band("H", "PageHeader", 50) + band("T", "ReportTitle", 100)
        + "</Report><Report pageWidth=\"800\" pageHeight=\"1000\">" + band("H2", "PageHeader", 50)
        + band("Huge", "MasterHeader", 2000) + band("D2", "MasterData", 100) + "</Report></Reports>";
    ReportTemplate layout;
    QVERIFY(layout.parse(xml));
    const QVector<ReportSheet> sheets = paginateReport(layout, {3});

    QCOMPARE(sheets.size(), 3);
    QCOMPARE(describe(layout, sheets[0]),
             QStringList({"T:0@0", "H:0@100", "M:0@150", "D:0@350", "D:1@650", "F:1@950"}));
    // The third record does not fit: a new sheet with the page header only.
    QCOMPARE(describe(layout, sheets[1]), QStringList({"H:2@0", "D:2@50", "F:2@950"}));
    // A report page without record count prints no data but still its own
    // sheet; a band taller than a sheet is placed once, not pushed forever.
    QCOMPARE(sheets[2].reportPage, 1);
    QCOMPARE(describe(layout, sheets[2]), QStringList({"H2:0@40", "Huge:0@90"}));

    QVERIFY(!ReportTemplate().parse("<Reports><Report pageWidth=\"80\" marginsLeft=\"40\" marginsRight=\"40\"/></Reports>"));
    QVERIFY(!ReportTemplate().parse("<Other/>"));
    QVERIFY(!ReportTemplate().load(QStringLiteral(":/res/missing.xml")));
}

void TestReportEngine::stationTemplatesPaginate_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QVector<int>>("counts");
    QTest::addColumn<QVector<int>>("sheetsPerPage");
    QTest::addColumn<int>("firstSheetRecords");
    // Title 130 + patient block 456 leave room for four strips of 113 on the
    // first sheet, nine on the next ones.
    QTest::newRow("session, 10 strips") << ":/res/sessionreport1.xml" << QVector<int>{10} << QVector<int>{2} << 4;
    QTest::newRow("session, no strip") << ":/res/sessionreport1.xml" << QVector<int>{0} << QVector<int>{1} << 0;
    // 33 table rows under the column heads, then 35 a sheet; 9 strips a sheet.
    QTest::newRow("summary, 36 sessions, 20 strips")
        << ":/res/summaryreport1.xml" << QVector<int>{1, 36, 20} << QVector<int>{1, 2, 3} << 1;
}

void TestReportEngine::stationTemplatesPaginate()
{
    QFETCH(QString, path);
    QFETCH(QVector<int>, counts);
    QFETCH(QVector<int>, sheetsPerPage);
    QFETCH(int, firstSheetRecords);
    ReportTemplate layout;
    QVERIFY(layout.load(path));
    const QVector<ReportSheet> sheets = paginateReport(layout, counts);
    QVector<int> perPage(layout.pages().size());
    int masterHeaders = 0, dataOnFirst = 0;
    for (int s = 0; s < sheets.size(); ++s) {
        ++perPage[sheets[s].reportPage];
        const ReportPageLayout &page = layout.pages()[sheets[s].reportPage];
        for (const PlacedBand &b : sheets[s].bands) {
            const BandType type = page.bands[b.band].type;
            masterHeaders += type == BandType::MasterHeader ? 1 : 0;
            dataOnFirst += s == 0 && type == BandType::MasterData ? 1 : 0;
            QVERIFY(b.top + page.bands[b.band].height <= page.pageHeight - page.marginBottom);
        }
    }
    QCOMPARE(perPage, sheetsPerPage);
    // The master header (the session report's patient block) is never repeated.
    int pagesWithMasterHeader = 0;
    for (const ReportPageLayout &page : layout.pages())
        pagesWithMasterHeader += page.band(BandType::MasterHeader) ? 1 : 0;
    QCOMPARE(masterHeaders, pagesWithMasterHeader);
    QCOMPARE(dataOnFirst, firstSheetRecords);
}

void TestReportEngine::textShrinksThenIsCut_data()
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
    QTest::newRow("one line is cut") << QStringLiteral("x").repeated(200) << QSizeF(20, 5) << false << "cut";
}

void TestReportEngine::textShrinksThenIsCut()
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
    QVERIFY(fitted.lines.size() * metrics.height() <= box.height() + 0.01 || fitted.lines.size() == 1);
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
    if (wrap && outcome == QLatin1String("cut"))
        QVERIFY(fitted.lines.last().startsWith(QStringLiteral("08:10 Event %1 ").arg(fitted.lines.size() - 1)));
}

void TestReportEngine::failedPrintKeepsThePreviousFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    {
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("previous report");
    }
    ReportEngine engine;
    QVERIFY(engine.loadTemplate(QStringLiteral(":/res/summaryreport1.xml")));
    engine.recordCounts() << 1 << 40 << 0;
    // Fails while the second sheet is printed.
    connect(&engine, &ReportEngine::progress, &engine, [&engine](int page) {
        if (page == 2)
            engine.cancel();
    });
    QVERIFY_EXCEPTION_THROWN(engine.printPdf(path), ReportError);
    QFile kept(path);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QCOMPARE(kept.readAll(), QByteArray("previous report"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList({"report.pdf"}));
}

QTEST_MAIN(TestReportEngine)
#include "tst_reportengine.moc"
