// The index survives crashes and repairs itself from the study files: an
// index file that cannot be used is set aside and rebuilt, a station killed
// while rebuilding finds every patient at its next start, and a session that
// cannot be started leaves no row behind.

#include "writefile.h"

#include "storage/monitordatabase.h"
#include "storage/storageerror.h"
#include "storage/studyfile.h"

#include <QJsonDocument>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

class TestIndexRecovery : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void unusableIndexIsSetAsideAndRebuilt_data();
    void unusableIndexIsSetAsideAndRebuilt();
    void killedRebuildListsEveryPatientNextTime();
    void failedStartLeavesNoRow();
};

void TestIndexRecovery::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestIndexRecovery::unusableIndexIsSetAsideAndRebuilt_data()
{
    // SQL statements make a real SQLite file; otherwise the bytes are the file.
    QTest::addColumn<QStringList>("statements");
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("zero-length") << QStringList() << QByteArray();
    QTest::newRow("garbage") << QStringList() << QByteArray(5000, 'x');
    QTest::newRow("table-less") << QStringList{"create table Other(x)"} << QByteArray();
    QTest::newRow("empty after an interrupted rebuild")
        << QStringList{"create table Patient(id integer primary key, data text)",
                       "create table Session(patientId integer, sessionNumber integer, data text)"}
        << QByteArray();
}

void TestIndexRecovery::unusableIndexIsSetAsideAndRebuilt()
{
    QFETCH(QStringList, statements);
    QFETCH(QByteArray, bytes);
    QTemporaryDir dir;
    QString path;
    {
        MonitorDatabase database(dir.path());
        path = database.databasePath();
        PatientRecord patient;
        patient.lastName = QStringLiteral("Doe");
        database.insertPatient(patient);
        SessionData data;
        data.patientId = patient.id;
        data.sessionNumber = 1;
        data.startDateTime = QDateTime::currentDateTime();
        QVERIFY(database.startSession(data));
    }
    QFile::remove(path);
    if (statements.isEmpty()) {
        writeFile(path, bytes);
    } else {
        {
            QSqlDatabase maker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("maker"));
            maker.setDatabaseName(path);
            QVERIFY(maker.open());
            for (const QString &statement : statements)
                QVERIFY(QSqlQuery(maker).exec(statement));
            maker.close();
        }
        QSqlDatabase::removeDatabase(QStringLiteral("maker"));
    }
    QFile original(path);
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray unusable = original.readAll();

    {
        MonitorDatabase database(dir.path());
        QCOMPARE(database.listPatients().size(), 1);
        QCOMPARE(database.listSessions(database.listPatients().first().id).size(), 1);
        // The old file is kept, dated, as it was.
        const QString aside = database.setAsideIndexPath();
        QVERIFY(aside.startsWith(path + QStringLiteral(".unusable-") + QDate::currentDate().toString("yyyyMMdd")));
        QFile kept(aside);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), unusable);
    }
    // Said once: the rebuilt index is used as it is.
    MonitorDatabase again(dir.path());
    QVERIFY(again.setAsideIndexPath().isEmpty());
    QCOMPARE(again.listPatients().size(), 1);
}

void TestIndexRecovery::killedRebuildListsEveryPatientNextTime()
{
    // Enough study files for the rebuild to take a while.
    QTemporaryDir dir;
    constexpr int Patients = 2000;
    SessionData data;
    data.sessionNumber = 1;
    data.startDateTime = QDateTime(QDate(2026, 3, 2), QTime(8, 0));
    const MonitorSession session(data);
    for (int i = 0; i < Patients; ++i) {
        PatientRecord patient;
        patient.uuid = QUuid::createUuid();
        patient.lastName = QStringLiteral("P%1").arg(i);
        const QByteArray json = QJsonDocument(studyJson(session, patient)).toJson(QJsonDocument::Compact);
        writeFile(dir.filePath(MonitorDatabase::makeBaseFilename(patient, data.startDateTime) + ".nvstudy"),
                  "NVSTUDY2" + qCompress(json));
    }
    // Lines listed; -1 when the run to be killed had already ended.
    auto listPatients = [&dir](int killAfterMs) {
        QProcess cli;
        cli.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), {"patients", "--root", dir.path()});
        if (killAfterMs >= 0) {
            // Killed once the index file is being written.
            const QDir data(dir.filePath("data"));
            while (cli.state() != QProcess::NotRunning && data.entryList(QDir::Files).isEmpty())
                QTest::qSleep(1);
            QTest::qSleep(killAfterMs);
            if (cli.state() == QProcess::NotRunning)
                return -1;
            ::kill(pid_t(cli.processId()), SIGKILL);
        }
        cli.waitForFinished(60000);
        return cli.readAllStandardOutput().count('\n');
    };
    for (int killAfterMs : {1, 10, 40}) {
        QDir(dir.filePath("data")).removeRecursively();
        QCOMPARE(listPatients(killAfterMs), 0);
        QCOMPARE(listPatients(-1), Patients);
    }
}

void TestIndexRecovery::failedStartLeavesNoRow()
{
    QTemporaryDir dir;
    MonitorDatabase database(dir.path());
    PatientRecord patient;
    patient.lastName = QStringLiteral("Doe");
    database.insertPatient(patient);
    SessionData data;
    data.patientId = patient.id;
    data.sessionNumber = 1;
    data.startDateTime = QDateTime::currentDateTime();
    // A folder where the recording should go: its creation fails.
    const QString base = MonitorDatabase::makeBaseFilename(patient, data.startDateTime);
    QVERIFY(QDir().mkdir(database.recordingPath(base)));
    QVERIFY_EXCEPTION_THROWN(database.startSession(data), StorageError);
    QVERIFY(database.listSessions(patient.id).isEmpty());
    QCOMPARE(database.nextSessionNumber(patient.id), 1);
    QVERIFY(!QFile::exists(database.studyPath(base)));
}

QTEST_GUILESS_MAIN(TestIndexRecovery)
#include "tst_indexrecovery.moc"
