// Hostile or unusual input never harms the station or its files: study files
// that expand beyond any real session, recordings only looked at, names too
// long for a file name, demonstration data without minutes.

#include "writefile.h"

#include "storage/demodata.h"
#include "storage/monitordatabase.h"
#include "storage/safefilename.h"
#include "storage/studyfile.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

class TestHostileInput : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void oversizedStudiesAreRefused();
    void reviewedRecordingIsNeverWritten();
    void longNamesFitTheFileSystem_data();
    void longNamesFitTheFileSystem();
    void demoDataWithoutMinutes();

private:
    int addPatient(MonitorDatabase &database, const QString &last, const QString &first);
    QTemporaryDir m_dir;
};

void TestHostileInput::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

int TestHostileInput::addPatient(MonitorDatabase &database, const QString &last, const QString &first)
{
    PatientRecord patient;
    patient.lastName = last;
    patient.firstName = first;
    database.insertPatient(patient);
    return patient.id;
}

void TestHostileInput::oversizedStudiesAreRefused()
{
    const QString root = m_dir.filePath("bombs");
    QVERIFY(QDir().mkpath(root));
    // One states 800 MB of JSON; one states 100 bytes but expands past the bound.
    QByteArray stated = "NVSTUDY2" + qCompress(QByteArray("{}"));
    qToBigEndian<quint32>(800u << 20, stated.data() + 8);
    writeFile(root + "/a-stated.nvstudy", stated);
    QByteArray actual = "NVSTUDY2" + qCompress(QByteArray(int(MaxStudyJsonSize) + 1, ' '));
    qToBigEndian<quint32>(100, actual.data() + 8);
    writeFile(root + "/b-actual.nvstudy", actual);
    for (const char *name : {"/a-stated.nvstudy", "/b-actual.nvstudy"}) {
        QJsonDocument document;
        QVERIFY(!readStudyFile(root + name, document));
    }

    // The rebuild skips them and indexes the real study beside them.
    {
        MonitorDatabase database(root);
        SessionData data;
        data.patientId = addPatient(database, QStringLiteral("Doe"), QStringLiteral("Jane"));
        data.sessionNumber = 1;
        data.startDateTime = QDateTime::currentDateTime();
        QVERIFY(database.startSession(data));
    }
    QVERIFY(QFile::remove(root + "/data/sessions.sqlite"));
    {
        MonitorDatabase database(root);
        QCOMPARE(database.listPatients().size(), 1);
    }

    // The companion refuses them in one line.
    QProcess cli;
    cli.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), {"study", "dump", root + "/b-actual.nvstudy"});
    QVERIFY(cli.waitForFinished(60000));
    QCOMPARE(cli.exitStatus(), QProcess::NormalExit);
    QCOMPARE(cli.exitCode(), 1);
    QCOMPARE(cli.readAllStandardError().count('\n'), 1);
}

void TestHostileInput::reviewedRecordingIsNeverWritten()
{
    MonitorDatabase database(m_dir.filePath("review"));
    SessionData data;
    data.patientId = addPatient(database, QStringLiteral("Doe"), QStringLiteral("Jane"));
    data.sessionNumber = 1;
    data.startDateTime = QDateTime::currentDateTime();
    QString path;
    {
        std::unique_ptr<MonitorSession> live = database.startSession(data);
        const std::vector<qint16> samples(500, 7);
        live->recording()->appendInterleaved(samples.data(), 1000);
        path = live->recording()->path();
    }
    std::unique_ptr<MonitorSession> reviewed = database.openSession(data.patientId, 1);
    QVERIFY(reviewed && reviewed->recording());
    const std::vector<qint16> more(250, 9);
    reviewed->recording()->appendInterleaved(more.data(), 500);
    QCOMPARE(QFileInfo(path).size(), 4096 + 1000);
}

void TestHostileInput::longNamesFitTheFileSystem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("kept");
    QTest::newRow("plain letters keep 64") << QString(70, QLatin1Char('a')) << 64;
    QTest::newRow("two-byte letters keep 50") << QString(64, QChar(0xE9)) << 50;
    // Four-byte signs are kept or dropped whole.
    QTest::newRow("four-byte signs keep 25") << QString::fromUtf8("\xF0\x9F\x98\x80").repeated(40) << 50;
}

void TestHostileInput::longNamesFitTheFileSystem()
{
    QFETCH(QString, name);
    QFETCH(int, kept);
    const QString part = safeFileNamePart(name);
    QCOMPARE(part, name.left(kept));

    MonitorDatabase database(m_dir.filePath("names"));
    SessionData data;
    data.patientId = addPatient(database, name, name);
    data.sessionNumber = 1;
    data.startDateTime = QDateTime::currentDateTime();
    QVERIFY(database.startSession(data));
}

void TestHostileInput::demoDataWithoutMinutes()
{
    MonitorDatabase database(m_dir.filePath("demo"));
    DemoDataOptions options;
    options.patients = 2;
    options.sessions = 2;
    options.minutes = 0;
    fillDemoData(database, options);
    for (const PatientSummary &patient : database.listPatients()) {
        for (const SessionInfo &info : database.listSessions(patient.id)) {
            std::unique_ptr<MonitorSession> session = database.openSession(patient.id, info.sessionNumber);
            for (const SessionEvent &event : session->events)
                QVERIFY(event.timeOffset >= 0);
            for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase)
                QVERIFY(session->checkpoint(phase).timeOffset >= 0);
        }
    }
}

QTEST_GUILESS_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
