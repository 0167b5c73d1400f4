// The report engine (templates, pagination, text fitted into its field, a
// failed print that keeps the previous file) and the values and strips the
// session and summary reports print.

#include "reports/reportengine.h"
#include "reports/reporterror.h"
#include "reports/reportvalues.h"
#include "reports/sessionreport.h"
#include "reports/summaryreport.h"
#include "reports/textfit.h"
#include "storage/monitordatabase.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

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

using namespace reportvalues;

class TestReports : public QObject
{
    Q_OBJECT

    QTemporaryDir root;
    std::unique_ptr<MonitorDatabase> database;
    PatientRecord patient;
    std::vector<std::unique_ptr<MonitorSession>> owned;

    // "weight/height/borg/basal heart rate/present", one entry per session.
    QList<const MonitorSession *> sessionsFrom(const QStringList &entries)
    {
        QList<const MonitorSession *> sessions;
        for (const QString &entry : entries) {
            const QStringList v = entry.split(QLatin1Char('/'));
            SessionData data;
            data.patientId = patient.id;
            data.sessionNumber = sessions.size() + 1;
            data.startDateTime = QDateTime(QDate(2024, 1, 5 + sessions.size()), QTime(8, 30));
            data.weight = v[0].toDouble();
            data.height = v[1].toDouble();
            data.borgRPE = v[2].toInt();
            data.presence = v[4] == QLatin1String("1");
            owned.push_back(std::make_unique<MonitorSession>(data));
            owned.back()->setCheckpoint(PhaseBasal, Checkpoint{0.0, v[3].toInt(), 120, 80});
            sessions.append(owned.back().get());
        }
        return sessions;
    }

    // Events "e0", "e1", ... of which those listed are marked for printing.
    static void addEvents(const MonitorSession *session, int count, const QVector<int> &marked)
    {
        auto *s = const_cast<MonitorSession *>(session);
        for (int i = 0; i < count; ++i)
            s->events.append(SessionEvent{60 * i, QStringLiteral("e%1").arg(i), marked.contains(i)});
    }

private slots:
    void initTestCase()
    {
        database = std::make_unique<MonitorDatabase>(root.path());
        patient.lastName = QStringLiteral("Núñez");
        patient.firstName = QStringLiteral("José");
        patient.birthDate = QDate(1950, 12, 20);
        patient.sex = QStringLiteral("M");
        database->insertPatient(patient);
    }

    void summaryAverages_data()
    {
        QTest::addColumn<QStringList>("sessions");
        QTest::addColumn<QStringList>("expected"); // avgWeight avgBMI avgBorg avgBasalHR assistance
        QTest::newRow("a zero weight is not counted")
            << QStringList{"80/0/0/0/1", "0/0/0/0/1"} << QStringList{"80.0", "0.0", "0.0", "0", "100 %"};
        QTest::newRow("body-mass index from the unrounded means")
            << QStringList{"70/170/12/70/1", "80/180/0/0/1"} << QStringList{"75.0", "24.5", "12.0", "70", "100 %"};
        QTest::newRow("nothing entered") << QStringList{"0/0/0/0/0"} << QStringList{"0.0", "0.0", "0.0", "0", "0 %"};
        QTest::newRow("seven sessions, five attended")
            << QStringList{"0/0/0/70/1", "0/0/0/76/1", "0/0/0/0/0", "0/0/0/0/1", "0/0/0/0/0", "0/0/0/0/1", "0/0/0/0/1"}
            << QStringList{"0.0", "0.0", "0.0", "73", "71 %"};
    }

    void summaryAverages()
    {
        QFETCH(QStringList, sessions);
        QFETCH(QStringList, expected);
        const SummaryReport report(*database, patient.id, sessionsFrom(sessions));
        const QStringList names{"avgWeight", "avgBMI", "avgBorg", "avgBasalHR", "assistance"};
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(report.value(names[i]), expected[i]);
    }

    void sessionReportValues()
    {
        const MonitorSession *session = sessionsFrom({"0/172.5/14/0/1"}).first();
        addEvents(session, 4, {1, 3});
        SessionReport report(*database, *session);
        QCOMPARE(report.value("patientName"), QStringLiteral("Núñez, José"));
        // Born in December 1950, reported in January 2024: only years count.
        QCOMPARE(report.value("patientAge"), QStringLiteral("74"));
        QCOMPARE(report.value("sessionWeight"), QStringLiteral("0"));
        QCOMPARE(report.value("sessionHeight"), QStringLiteral("172.5"));
        QCOMPARE(report.value("sessionBMI"), QStringLiteral("0.0"));
        QCOMPARE(report.value("checkpointIntraExBP"), QStringLiteral("0/0"));
        QCOMPARE(report.value("sessionEvents"),
                 QStringLiteral("08:30 e0\r\n08:31 e1\r\n08:32 e2\r\n08:33 e3\r\n"));
        // Strips of the marked events only: record 1 is the fourth event.
        QCOMPARE(report.stripCount(), 2);
        QString value;
        emit report.engine().setValue(1, QStringLiteral("eventDescription"), value, 0);
        QCOMPARE(value, QStringLiteral("e3"));

        QCOMPARE(ageText(QDate(), QDate(2024, 1, 1)), QString());
        SessionData stranger;
        stranger.patientId = 999;
        QVERIFY_EXCEPTION_THROWN(SessionReport(*database, MonitorSession(stranger)), ReportError);
    }

    void summaryStripsComeFromFirstAndLastSession()
    {
        const QList<const MonitorSession *> five = sessionsFrom({"0/0/0/0/1", "0/0/0/0/1", "0/0/0/0/1", "0/0/0/0/1", "0/0/0/0/1"});
        addEvents(five[0], 3, {0, 2});
        addEvents(five[2], 1, {0});
        addEvents(five[4], 2, {1});
        SummaryReport report(*database, patient.id, five);
        QCOMPARE(report.stripCount(), 3);
        QStringList labels;
        for (int r = 0; r < 3; ++r) {
            QString value;
            emit report.engine().setValue(r, QStringLiteral("eventDescription"), value, 2);
            labels << value;
        }
        QCOMPARE(labels, QStringList({"Sesión #1 - e0", "Sesión #1 - e2", "Sesión #5 - e1"}));
        QCOMPARE(report.engine().recordCounts(), QVector<int>({1, 5, 3}));

        QString row;
        emit report.engine().setValue(0, QStringLiteral("basalBP"), row, 1);
        QCOMPARE(row, QStringLiteral("120/80"));
        // A single session is both first and last: its strips appear once.
        QCOMPARE(summaryStrips({five[0]}).size(), 2);
        QCOMPARE(summaryStrips({five[0], five[4]}).size(), 3);
    }

    void reportFileNames_data()
    {
        QTest::addColumn<QString>("lastName");
        QTest::addColumn<QString>("firstName");
        QTest::addColumn<QString>("session");
        QTest::addColumn<QString>("summary");
        QTest::newRow("accents kept") << "Núñez" << "José" << "Núñez-José-20240105083000.pdf" << "Núñez-José-20240105.pdf";
        QTest::newRow("unsafe characters")
            << "O/Brien: Díaz" << "Ana.María" << "O_Brien_ Díaz-Ana_María-20240105083000.pdf" << "O_Brien_ Díaz-Ana_María-20240105.pdf";
    }

    void reportFileNames()
    {
        QFETCH(QString, lastName);
        QFETCH(QString, firstName);
        const QDateTime start(QDate(2024, 1, 5), QTime(8, 30));
        QTEST(sessionReportFileName(lastName, firstName, start), "session");
        QTEST(summaryReportFileName(lastName, firstName, start.date()), "summary");
    }

    void bandsPrintByTypeOnTheirSheets()
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

    void stationTemplatesPaginate_data()
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
        QTest::newRow("one line is cut") << QStringLiteral("x").repeated(200) << QSizeF(20, 5) << false << "cut";
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

    void failedPrintKeepsThePreviousFile()
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
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
