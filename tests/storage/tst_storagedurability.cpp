// Storage survives crashes and bad input: an index file that cannot be used
// is set aside and rebuilt, a station killed while rebuilding finds every
// patient at its next start, a session that cannot start leaves no row,
// study files that expand beyond any real session are refused, recordings
// only looked at are never written, and over-long names still fit a file name.

#include "../common/teststorage.h"

#include "storage/demodata.h"
#include "storage/monitordatabase.h"
#include "storage/safefilename.h"
#include "storage/storageerror.h"
#include "storage/studyfile.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <csignal>

class TestStorageDurability : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void unusableIndexIsSetAsideAndRebuilt_data();
    void unusableIndexIsSetAsideAndRebuilt();
    void killedRebuildListsEveryPatientNextTime();
    void failedStartLeavesNoRow();
    void oversizedStudiesAreRefused();
    void reviewedRecordingIsNeverWritten();
    void longNamesFitTheFileSystem_data();
    void longNamesFitTheFileSystem();
    void demoDataWithoutMinutes();
};

// Session 1 of a new patient Doe, started at `start`.
static std::unique_ptr<MonitorSession> startSession(MonitorDatabase &database,
                                                    const QDateTime &start = QDateTime::currentDateTime())
{
    PatientRecord patient;
    patient.lastName = QStringLiteral("Doe");
    database.insertPatient(patient);
    SessionData data;
    data.patientId = patient.id;
    data.sessionNumber = 1;
    data.startDateTime = start;
    return database.startSession(data);
}

static QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void TestStorageDurability::unusableIndexIsSetAsideAndRebuilt_data()
{
    QTest::addColumn<QByteArray>("unusable");
    QTest::newRow("zero-length, no tables") << QByteArray();
    QTest::newRow("garbage") << QByteArray(5000, 'x');
    // An empty index with both tables, as an interrupted rebuild left it.
    QTemporaryDir empty;
    { MonitorDatabase database(empty.path()); }
    QTest::newRow("no patient beside study files") << contents(empty.filePath("data/sessions.sqlite"));
}

void TestStorageDurability::unusableIndexIsSetAsideAndRebuilt()
{
    QFETCH(QByteArray, unusable);
    QTemporaryDir dir;
    const QString path = dir.filePath("data/sessions.sqlite");
    {
        MonitorDatabase database(dir.path());
        QVERIFY(startSession(database));
    }
    QVERIFY(writeFile(path, unusable));
    {
        MonitorDatabase database(dir.path());
        QCOMPARE(database.listPatients().size(), 1);
        QCOMPARE(database.listSessions(database.listPatients().first().id).size(), 1);
        // The old file is kept, dated, as it was.
        const QString aside = database.setAsideIndexPath();
        QVERIFY(aside.startsWith(path + ".unusable-" + QDate::currentDate().toString("yyyyMMdd")));
        QCOMPARE(contents(aside), unusable);
    }
    // Said once: the rebuilt index is used as it is.
    MonitorDatabase again(dir.path());
    QVERIFY(again.setAsideIndexPath().isEmpty());
    QCOMPARE(again.listPatients().size(), 1);
}

void TestStorageDurability::killedRebuildListsEveryPatientNextTime()
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
        QVERIFY(writeFile(dir.filePath(MonitorDatabase::makeBaseFilename(patient, data.startDateTime) + ".nvstudy"),
                          "NVSTUDY2" + qCompress(json)));
    }
    // Lines listed; killAfterMs > 0 kills the run that long after the index
    // file appeared (-1 when it had already ended). span: from the index file
    // appearing to the end of the run.
    auto listPatients = [&dir](int killAfterMs, qint64 *span = nullptr) {
        QProcess cli;
        cli.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), {"patients", "--root", dir.path()});
        const QDir data(dir.filePath("data"));
        while (cli.state() != QProcess::NotRunning && data.entryList(QDir::Files).isEmpty())
            QTest::qSleep(1);
        QElapsedTimer building;
        building.start();
        if (killAfterMs > 0) {
            QTest::qSleep(killAfterMs);
            if (cli.state() == QProcess::NotRunning)
                return -1;
            ::kill(pid_t(cli.processId()), SIGKILL);
        }
        cli.waitForFinished(60000);
        if (span)
            *span = building.elapsed();
        return cli.readAllStandardOutput().count('\n');
    };
    qint64 span = 0;
    QCOMPARE(listPatients(0, &span), Patients);
    // Killed early, midway and late in the rebuild, whatever the machine's
    // speed; the next start lists every patient.
    for (int part : {10, 3, 2}) {
        QDir(dir.filePath("data")).removeRecursively();
        QCOMPARE(listPatients(std::max<int>(1, int(span / part))), 0);
        QCOMPARE(listPatients(0), Patients);
    }
}

void TestStorageDurability::failedStartLeavesNoRow()
{
    QTemporaryDir dir;
    MonitorDatabase database(dir.path());
    // A folder where the recording should go: its creation fails.
    const QDateTime now = QDateTime::currentDateTime();
    PatientRecord doe;
    doe.lastName = QStringLiteral("Doe");
    const QString base = MonitorDatabase::makeBaseFilename(doe, now);
    QVERIFY(QDir().mkdir(database.recordingPath(base)));
    QVERIFY_EXCEPTION_THROWN(startSession(database, now), StorageError);
    const int id = database.listPatients().first().id;
    QVERIFY(database.listSessions(id).isEmpty());
    QCOMPARE(database.nextSessionNumber(id), 1);
    QVERIFY(!QFile::exists(database.studyPath(base)));
}

void TestStorageDurability::oversizedStudiesAreRefused()
{
    QTemporaryDir root;
    // One states 800 MB of JSON; one states 100 bytes but expands past the bound.
    QByteArray stated = "NVSTUDY2" + qCompress(QByteArray("{}"));
    qToBigEndian<quint32>(800u << 20, stated.data() + 8);
    QVERIFY(writeFile(root.filePath("a-stated.nvstudy"), stated));
    QByteArray actual = "NVSTUDY2" + qCompress(QByteArray(int(MaxStudyJsonSize) + 1, ' '));
    qToBigEndian<quint32>(100, actual.data() + 8);
    QVERIFY(writeFile(root.filePath("b-actual.nvstudy"), actual));
    for (const char *name : {"a-stated.nvstudy", "b-actual.nvstudy"}) {
        QJsonDocument document;
        QVERIFY(!readStudyFile(root.filePath(name), document));
    }

    // The rebuild skips them and indexes the real study beside them.
    {
        MonitorDatabase database(root.path());
        QVERIFY(startSession(database));
    }
    QVERIFY(QFile::remove(root.filePath("data/sessions.sqlite")));
    QCOMPARE(MonitorDatabase(root.path()).listPatients().size(), 1);

    // The companion refuses them in one line.
    QProcess cli;
    cli.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), {"study", "dump", root.filePath("b-actual.nvstudy")});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 1);
    QCOMPARE(cli.readAllStandardError().count('\n'), 1);
}

void TestStorageDurability::reviewedRecordingIsNeverWritten()
{
    QTemporaryDir dir;
    MonitorDatabase database(dir.path());
    std::unique_ptr<MonitorSession> live = startSession(database);
    const std::vector<qint16> samples(500, 7);
    live->recording()->appendInterleaved(samples.data(), 1000);
    const QString path = live->recording()->path();
    live.reset();
    std::unique_ptr<MonitorSession> reviewed = database.openSession(database.listPatients().first().id, 1);
    QVERIFY(reviewed && reviewed->recording());
    reviewed->recording()->appendInterleaved(samples.data(), 1000);
    QCOMPARE(QFileInfo(path).size(), 4096 + 1000);
}

void TestStorageDurability::longNamesFitTheFileSystem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kept");
    QTest::newRow("plain letters keep 64") << QString(70, QLatin1Char('a')) << 64;
    QTest::newRow("two-byte letters keep 50") << QString(64, QChar(0xE9)) << 50;
    // Four-byte signs are kept or dropped whole.
    QTest::newRow("four-byte signs keep 25") << QString::fromUtf8("\xF0\x9F\x98\x80").repeated(40) << 50;
}

void TestStorageDurability::longNamesFitTheFileSystem()
{
    QFETCH(QString, name);
    QFETCH(int, kept);
    // Two such parts, the start time and the longest extension stay within
    // the 255-byte limit of a file name.
    QCOMPARE(safeFileNamePart(name), name.left(kept));
}

void TestStorageDurability::demoDataWithoutMinutes()
{
    QTemporaryDir dir;
    MonitorDatabase database(dir.path());
    DemoDataOptions options;
    options.patients = 1;
    options.sessions = 1;
    options.minutes = 0;
    fillDemoData(database, options);
    std::unique_ptr<MonitorSession> session = database.openSession(database.listPatients().first().id, 1);
    for (const SessionEvent &event : session->events)
        QVERIFY(event.timeOffset >= 0);
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase)
        QVERIFY(session->checkpoint(phase).timeOffset >= 0);
}

QTEST_GUILESS_MAIN(TestStorageDurability)
#include "tst_storagedurability.moc"
