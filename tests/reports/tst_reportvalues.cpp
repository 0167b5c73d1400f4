#include "reports/reporterror.h"
#include "reports/reportvalues.h"
#include "reports/sessionreport.h"
#include "reports/summaryreport.h"
#include "storage/monitordatabase.h"

#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

using namespace reportvalues;

class TestReportValues : public QObject
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
};

QTEST_MAIN(TestReportValues)
#include "tst_reportvalues.moc"
