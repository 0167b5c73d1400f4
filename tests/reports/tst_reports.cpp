// The values, lists and strips the session and summary reports print, the
// sheets they fill, and the drawings they ask for by name.

#include "reports/reporterror.h"
#include "reports/reportsheetpainter.h"
#include "reports/reportvalues.h"
#include "reports/sessionreport.h"
#include "reports/sessionreportalarms.h"
#include "reports/summaryreport.h"
#include "storage/loggedalarms.h"
#include "storage/monitordatabase.h"
#include "storage/tfilesignal.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <algorithm>

#include <memory>
#include <vector>

using namespace reportvalues;

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

} // namespace

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

    // Gives a session a recording of `samples` samples (none: a header only, as an absent session has).
    void addRecording(const MonitorSession *session, int samples)
    {
        auto recording = std::make_unique<TFileSignal>(root.filePath(QStringLiteral("r%1.nvecg").arg(quintptr(session))), 1,
                                                       250, TFileSignal::RecordingHeaderSize, TFileSignal::Access::Create);
        const std::vector<qint16> zeros(samples, 0);
        recording->appendInterleaved(zeros.data(), samples * 2);
        const_cast<MonitorSession *>(session)->setRecording(std::move(recording));
    }

    // The texts of every sheet's footer (its last band), as printed.
    static QStringList footers(ReportProducer &report)
    {
        const QVector<ReportSheet> sheets = report.engine().paginate();
        const ReportSheetPainter painter(report.engine().layout(), report);
        QStringList texts;
        for (int i = 0; i < sheets.size(); ++i) {
            const PlacedBand &footer = sheets[i].bands.last();
            const auto &fields = report.engine().layout().pages()[sheets[i].reportPage].bands[footer.band].fields;
            texts << painter.labelText(fields[1].value + "|" + fields[2].value, footer.record, sheets[i].reportPage, i + 1,
                                       sheets.size());
        }
        return texts;
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
            << QStringList{"80/0/0/0/1", "0/0/0/0/1"} << QStringList{"80.0", "0.0", "0.0", "0", "100 % (2 de 2 sesiones)"};
        QTest::newRow("body-mass index from the unrounded means")
            << QStringList{"70/170/12/70/1", "80/180/0/0/1"} << QStringList{"75.0", "24.5", "12.0", "70", "100 % (2 de 2 sesiones)"};
        QTest::newRow("nothing entered") << QStringList{"0/0/0/0/0"} << QStringList{"0.0", "0.0", "0.0", "0", "0 % (0 de 1 sesión)"};
        QTest::newRow("seven sessions, five attended")
            << QStringList{"0/0/0/70/1", "0/0/0/76/1", "0/0/0/0/0", "0/0/0/0/1", "0/0/0/0/0", "0/0/0/0/1", "0/0/0/0/1"}
            << QStringList{"0.0", "0.0", "0.0", "73", "71 % (5 de 7 sesiones)"};
    }

    void summaryAverages()
    {
        QFETCH(QStringList, sessions);
        QFETCH(QStringList, expected);
        const SummaryReport report(*database, patient.id, sessionsFrom(sessions));
        const QStringList names{"avgWeight", "avgBMI", "avgBorg", "avgBasalHR", "assistance"};
        for (int i = 0; i < names.size(); ++i)
            QCOMPARE(report.value(0, names[i], 0), expected[i]);
    }

    void unreadableSessionsAreNamed()
    {
        // Sessions 1 and 3 read, 2 (attended) and 4 (absent) could not be read.
        const QList<const MonitorSession *> read = sessionsFrom({"80/0/0/70/1", "0/0/0/0/1", "90/0/0/80/0"});
        const_cast<MonitorSession *>(read[1])->sessionNumber = 3;
        SessionInfo second{patient.id, 2, true, QDateTime(QDate(2024, 1, 4), QTime(8, 30)), QString()};
        SessionInfo fourth{patient.id, 4, false, QDateTime(QDate(2024, 2, 1), QTime(8, 30)), QString()};
        const SummaryReport report(*database, patient.id, read.mid(0, 2), {second, fourth});
        QStringList values;
        for (const char *name : {"sessionCount", "firstSessionDate", "lastSessionDate", "assistance", "unreadableSessions"})
            values << report.value(0, name, 0);
        QCOMPARE(values, QStringList({"4", "04/01/2024", "01/02/2024", "75 % (3 de 4 sesiones)",
                                      "No leídas: #2 del 04/01/2024, #4 del 01/02/2024"}));
        // Every session has its row, in order; an unreadable one says so.
        QStringList rows;
        for (int r = 0; r < 4; ++r)
            rows << report.value(r, "sessionNumber", 1) + " " + report.value(r, "basalHR", 1) + " "
                    + report.value(r, "intraExHR", 1);
        QCOMPARE(rows, QStringList({"1 70 0", "2 Ilegible 04/01/2024", "3 0 0", "4 Ilegible 01/02/2024"}));
        QCOMPARE(SummaryReport(*database, patient.id, read.mid(0, 1), {second}).value(0, "unreadableSessions", 0),
                 QStringLiteral("No se pudo leer la sesión #2 del 04/01/2024"));
        QCOMPARE(SummaryReport(*database, patient.id, read).value(0, "unreadableSessions", 0), QString());
    }

    void sessionReportValues()
    {
        const MonitorSession *session = sessionsFrom({"0/172.5/14/0/1"}).first();
        addEvents(session, 4, {1, 3});
        SessionReport report(*database, *session);
        QStringList values;
        for (const char *name : {"patientName", "patientAge", "sessionWeight", "sessionHeight", "sessionBMI",
                                 "checkpointIntraExBP", "checkpointBasalHR", "sessionEvents"})
            values << report.value(0, name, 0);
        // Born in December 1950, reported in January 2024: 73 until the birthday.
        QCOMPARE(values, QStringList({"Núñez, José", "73", "0", "172.5", "0.0", "0/0", "0",
                                      "08:30 e0\r\n08:31 e1\r\n08:32 e2\r\n08:33 e3\r\n"}));
        // Strips of the marked events only: record 1 is the fourth event. The
        // box holds every event: no list.
        QCOMPARE(report.engine().recordCounts(), QVector<int>({2, 0}));
        QCOMPARE(report.value(1, "eventDescription", 0), QStringLiteral("e3"));
        report.setHeader(QString(), QStringLiteral("Clínica"), QString());
        QCOMPARE(report.value(0, "headerTitle", 0), QStringLiteral("Clínica"));
        // A description that may not fit on a line of the box: the list follows.
        const_cast<MonitorSession *>(session)->events.append(SessionEvent{300, QString(41, QLatin1Char('x')), false});
        QCOMPARE(SessionReport(*database, *session).engine().recordCounts(), QVector<int>({2, 5}));
        // Twelve short events fit the box.
        const MonitorSession *twelve = sessionsFrom({"0/0/0/0/1"}).first();
        addEvents(twelve, 12, {});
        QCOMPARE(SessionReport(*database, *twelve).engine().recordCounts(), QVector<int>({0, 0}));

        QCOMPARE(ageText(QDate(), QDate(2024, 1, 1)), QString());
        SessionData stranger;
        stranger.patientId = 999;
        QVERIFY_EXCEPTION_THROWN(SessionReport(*database, MonitorSession(stranger)), ReportError);
    }

    void summaryStripsComeFromFirstAndLastRecordedSession()
    {
        // Session 1 has no recording, 5 was absent: strips from 2 and 4, never 3.
        const QList<const MonitorSession *> five = sessionsFrom({"0/0/0/0/1", "0/0/0/0/1", "0/0/0/0/1", "0/0/0/0/1", "0/0/0/0/0"});
        for (int i = 0; i < 5; ++i) {
            addEvents(five[i], 3, {0, 2});
            if (i > 0)
                addRecording(five[i], i < 4 ? 250 : 0);
        }
        SummaryReport report(*database, patient.id, five);
        QStringList labels;
        for (int r = 0; r < 4; ++r)
            labels << report.value(r, QStringLiteral("eventDescription"), 2);
        QCOMPARE(labels, QStringList({"Sesión #2 - e0", "Sesión #2 - e2", "Sesión #4 - e0", "Sesión #4 - e2"}));
        QCOMPARE(report.engine().recordCounts(), QVector<int>({1, 5, 4}));
        // A single session is both first and last: its strips appear once.
        QCOMPARE(summaryStrips({five[1]}).size(), 2);
        QCOMPARE(summaryStrips({five[0], five[4]}).size(), 0);
        // Each sheet names the patient and the period.
        const QString footer = QStringLiteral("Pág. %1 de 3|Núñez, José - Sesiones del 05/01/2024 al 09/01/2024");
        QCOMPARE(footers(report), QStringList({footer.arg(1), footer.arg(2), footer.arg(3)}));

        // An absent session's row says so once, instead of zeros.
        QStringList rows;
        for (int r : {0, 3, 4})
            for (const char *name : {"sessionNumber", "basalHR", "intraExHR", "basalBP", "postExBP"})
                rows << report.value(r, name, 1);
        QCOMPARE(rows, QStringList({"1", "0", "0", "120/80", "0/0", "4", "0", "0", "120/80", "0/0",
                                    "5", "Ausente", "", "", ""}));
    }

    void everyEventIsListed_data()
    {
        QTest::addColumn<int>("events");
        QTest::addColumn<int>("listSheets");
        QTest::addColumn<QString>("last");
        QTest::newRow("43 events") << 43 << 2 << "08:32:48 02:48 Event 42";
        QTest::newRow("1,003 events") << 1003 << 25 << "09:36:48 1:06:48 Event 1002";
        QTest::newRow("more than a report prints")
            << MaxListedEvents + 7 << 122 << "  \u2026 Eventos no impresos en este informe: 7";
    }

    void everyEventIsListed()
    {
        QFETCH(int, events);
        QFETCH(int, listSheets);
        const MonitorSession *session = sessionsFrom({"0/0/0/0/1"}).first();
        for (int i = 0; i < events; ++i)
            const_cast<MonitorSession *>(session)->events.append(SessionEvent{4 * i, QStringLiteral("Event %1").arg(i), i == 2});
        SessionReport report(*database, *session);
        // The box shows eleven events and says how many more are listed.
        const QStringList box = report.value(0, "sessionEvents", 0).split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(box.size(), EventsInBox);
        QCOMPARE(box.last(), QStringLiteral("\u2026 y %1 eventos más en la lista de eventos").arg(events - 11));

        // Every event in order after the strip, with the column heads on each sheet.
        const ReportPageLayout &list = report.engine().layout().pages()[1];
        const QVector<ReportSheet> sheets = report.engine().paginate();
        QStringList listed;
        int listSheetsPrinted = 0;
        for (const ReportSheet &sheet : sheets) {
            // The first page's sections may take more than one sheet.
            if (sheet.reportPage != 1)
                continue;
            ++listSheetsPrinted;
            QCOMPARE(list.bands[sheet.bands.first().band].fields[1].value, QStringLiteral("Hora"));
            for (const PlacedBand &placed : sheet.bands)
                if (list.bands[placed.band].type == BandType::MasterData)
                    listed << report.value(placed.record, "eventTime", 1) + " " + report.value(placed.record, "eventElapsed", 1)
                            + " " + report.value(placed.record, "eventDescription", 1);
        }
        QCOMPARE(listSheetsPrinted, listSheets);
        QCOMPARE(listed.size(), qMin(events, MaxListedEvents + 1));
        QCOMPARE(listed[1], QStringLiteral("08:30:04 00:04 Event 1"));
        QTEST(listed.last(), "last");
        QCOMPARE(report.value(0, "eventDescription", 0), QStringLiteral("Event 2"));
        QCOMPARE(elapsedText(3599) + elapsedText(90061), QStringLiteral("59:5925:01:01"));
        // Each sheet names the patient and the session date.
        QCOMPARE(footers(report).last(),
                 QStringLiteral("Pág. %1 de %1|Núñez, José - Sesión #1 del 05/01/2024").arg(sheets.size()));
    }

    void everyAlarmIsListedAndHighAlarmsGetStrips()
    {
        const MonitorSession *session = sessionsFrom({"0/0/0/0/1"}).first();
        addEvents(session, 2, {1});
        auto &log = const_cast<MonitorSession *>(session)->alarmLog;
        using E = AlarmLogEntry;
        // An end without its onset (a log cut short at its start) is no alarm.
        log.append({0.5, E::End, "linkLost", "medium", "Link lost"});
        const char *const priorities[] = {"high", "medium", "low"};
        for (int i = 0; i < 100; ++i) {
            const QString condition = QStringLiteral("c%1").arg(i % 3);
            log.append({10.0 * i + 0.4, E::Onset, condition, priorities[i % 3], QStringLiteral("A%1").arg(i)});
            log.append({10.0 * i + 3.0, E::End, condition, priorities[i % 3], QString()});
            if (i % 3 == 0) // acknowledged once latched
                log.append({10.0 * i + 5.0, E::Acknowledged, condition, priorities[i % 3], QString()});
        }
        log.append({1001.0, E::Onset, "asystole", "high", QString()});
        // A damaged stamp reads as the longest session, not as an undefined time.
        log.append({1e300, E::End, "asystole", "high", QString()});
        SessionReport report(*database, *session);
        // One event strip, then a strip of each of the 35 high alarms, from
        // shortly before its onset but never before the recording.
        QCOMPARE(report.engine().recordCounts(), QVector<int>({1 + 35, 0, 101}));
        QCOMPARE(report.value(1, "eventDescription", 0), QStringLiteral("Alarma alta 08:30:00 - A0 (tira desde 08:30:00)"));
        QCOMPARE(report.value(35, "eventDescription", 0),
                 QStringLiteral("Alarma alta 08:46:41 - ASISTOLIA (tira desde 08:46:37)"));

        // Every alarm in order, with the column heads on each sheet after the strips.
        const ReportPageLayout &table = report.engine().layout().pages()[2];
        QStringList listed;
        int tableSheets = 0;
        for (const ReportSheet &sheet : report.engine().paginate()) {
            if (sheet.reportPage != 2)
                continue;
            ++tableSheets;
            QCOMPARE(table.bands[sheet.bands.first().band].fields[1].value, QStringLiteral("Hora"));
            for (const PlacedBand &placed : sheet.bands)
                if (table.bands[placed.band].type == BandType::MasterData) {
                    QStringList cells;
                    for (const char *name : {"alarmTime", "alarmElapsed", "alarmPriority", "alarmText", "alarmAcknowledged", "alarmEnded"})
                        cells << report.value(placed.record, name, 2);
                    listed << cells.join('|');
                }
        }
        QCOMPARE(tableSheets, 3);
        QCOMPARE(listed.size(), 101);
        QCOMPARE(listed[0], QStringLiteral("08:30:00|00:00|Alta|A0|08:30:05|08:30:03"));
        QCOMPARE(listed[2], QStringLiteral("08:30:20|00:20|Baja|A2|\u2014|08:30:23"));
        QCOMPARE(listed.last(), QStringLiteral("08:46:41|16:41|Alta|ASISTOLIA|\u2014|08:30:00"));
        QCOMPARE(footers(report).last(), QStringLiteral("Pág. 9 de 9|Núñez, José - Sesión #1 del 05/01/2024"));

        // Without alarms the table is left out.
        const_cast<MonitorSession *>(session)->alarmLog.clear();
        SessionReport quiet(*database, *session);
        QCOMPARE(quiet.engine().recordCounts(), QVector<int>({1, 0}));
        const QVector<ReportSheet> quietSheets = quiet.engine().paginate();
        QVERIFY(std::none_of(quietSheets.begin(), quietSheets.end(), [](const ReportSheet &s) { return s.reportPage == 2; }));
    }

    void alarmTextsInTheReportsLanguage()
    {
        // condition, stored text, printed text: the stored English or Spanish
        // in Spanish, a storage reason kept; missing numbers or an unknown
        // condition leave the stored text as it is.
        const char *const cases[][3] = {
            {"hrHigh", "HR 182 > 170", "FC 182 > 170"}, {"hrCaution", "HR 131 > 130", "FC 131 > 130"},
            {"hrLow", "HR 35 < 40", "FC 35 < 40"}, {"hrHigh", "FC 182 > 170", "FC 182 > 170"},
            {"ventricularTachycardia", "VT 3 beats 209 bpm", "TV 3 latidos 209 lpm"},
            {"frequentPvcs", "PVC 14/min", "EV 14/min"}, {"couplet", "Couplet", "Duplete"},
            {"linkLost", "Link lost", "Enlace perdido"}, {"asystole", "", "ASISTOLIA"},
            {"recordingStopped", "Recording stopped: Disk full", "Grabación detenida: Disk full"},
            {"recordingStopped", "Recording stopped", "Grabación detenida"}, {"hrHigh", "HR > 170", "HR > 170"},
            {"someNewCondition", "Something 3", "Something 3"}};
        for (const auto &c : cases) {
            LoggedAlarm alarm;
            alarm.condition = QString::fromUtf8(c[0]);
            alarm.text = QString::fromUtf8(c[1]);
            QCOMPARE(alarmReportText(alarm), QString::fromUtf8(c[2]));
        }
    }

    void graphsAndLogosAreDrawn()
    {
        const QList<const MonitorSession *> two = sessionsFrom({"80/170/0/70/1", "82/170/0/75/1"});
        const_cast<MonitorSession *>(two[1])->setCheckpoint(PhasePostExercise, Checkpoint{0.0, 90, 130, 85});
        SummaryReport report(*database, patient.id, two);
        QImage logo(200, 100, QImage::Format_RGB32);
        logo.fill(Qt::blue);
        QVERIFY(logo.save(root.filePath("logo.png")));
        report.setHeader(root.filePath("logo.png"), QString(), QString());
        QImage image = paper(90, 45);
        auto colours = [&](const QString &name, const QRect &bounds) {
            image.fill(Qt::white);
            QPainter painter(&image);
            report.draw(0, name, painter, bounds, 0);
            painter.end();
            QSet<QRgb> seen;
            for (int y = 0; y < image.height(); y += 2)
                for (int x = 0; x < image.width(); ++x)
                    seen << image.pixel(x, y);
            return seen;
        };
        // Each graph with its own values, the phases in their colours.
        const QRgb green = QColor(Qt::darkGreen).rgb(), magenta = QColor(Qt::darkMagenta).rgb(), black = qRgb(0, 0, 0);
        for (const char *name : {"hrGraphic", "sbpGraphic"}) {
            QVERIFY(colours(name, image.rect()).contains(green));
            QVERIFY(colours(name, image.rect()).contains(magenta));
        }
        QVERIFY(colours("weightGraphic", image.rect()).contains(black));
        QVERIFY(colours("bmiGraphic", image.rect()).contains(black));
        QVERIFY(!colours("abdomenGraphic", image.rect()).contains(black));
        QCOMPARE(colours("unknown", image.rect()).size(), 1);
        // Logos keep their shape, centred in their box, whatever the box.
        for (const QRect &bounds : {QRect(100, 50, 300, 300), QRect(0, 10, 900, 100)}) {
            colours("headerLogo", bounds);
            QRect blue;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    blue |= image.pixel(x, y) == qRgb(0, 0, 255) ? QRect(x, y, 1, 1) : QRect();
            const int width = qMin(bounds.width(), 2 * bounds.height());
            QCOMPARE(blue, QRect((bounds.left() + bounds.right()) / 2 - width / 2,
                                 (bounds.top() + bounds.bottom()) / 2 - width / 4, width, width / 2));
            QVERIFY(colours("brandLogo", bounds).size() > 1);
        }
    }

    void reportFileNames()
    {
        // Accents kept, characters unsafe in a file name replaced.
        const QDateTime start(QDate(2024, 1, 5), QTime(8, 30));
        QCOMPARE(sessionReportFileName(QStringLiteral("Núñez"), QStringLiteral("José"), start),
                 QStringLiteral("Núñez-José-20240105083000.pdf"));
        QCOMPARE(summaryReportFileName(QStringLiteral("O/Brien: Díaz"), QStringLiteral("Ana.María"), start.date()),
                 QStringLiteral("O_Brien_ Díaz-Ana_María-20240105.pdf"));
    }
};

QTEST_MAIN(TestReports)
#include "tst_reports.moc"
