#include "monitoring/sessionmanager.h"

#include "storage/monitordatabase.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <memory>

class TestSessionManager : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void configuration();
    void startStopResumeFillsTheGap();
    void devicesInUse();
    void destructionWritesEveryStudy();
    void failedAutosaveIsReportedOnceAndRetried();

private:
    int addPatient(const QString &lastName);
    SessionData sessionFor(int patientId);
    QString studyPath(int patientId, int sessionNumber);
    QList<QTimer *> autosaveTimers(SessionManager &manager);

    std::unique_ptr<QTemporaryDir> root;
    std::unique_ptr<MonitorDatabase> database;
};

void TestSessionManager::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestSessionManager::init()
{
    root = std::make_unique<QTemporaryDir>();
    database = std::make_unique<MonitorDatabase>(root->path());
}

void TestSessionManager::cleanup()
{
    database.reset();
    root.reset();
}

int TestSessionManager::addPatient(const QString &lastName)
{
    PatientRecord record;
    record.firstName = QStringLiteral("Test");
    record.lastName = lastName;
    record.sex = QStringLiteral("F");
    record.birthDate = QDate(1960, 5, 4);
    database->insertPatient(record);
    return record.id;
}

SessionData TestSessionManager::sessionFor(int patientId)
{
    SessionData data;
    data.patientId = patientId;
    data.sessionNumber = database->nextSessionNumber(patientId);
    data.startDateTime = QDateTime::currentDateTime();
    data.exerciseType = QStringLiteral("Treadmill");
    return data;
}

QString TestSessionManager::studyPath(int patientId, int sessionNumber)
{
    SessionInfo info;
    if (!database->loadSession(patientId, sessionNumber, info))
        return QString();
    return database->studyPath(info.baseFilename);
}

QList<QTimer *> TestSessionManager::autosaveTimers(SessionManager &manager)
{
    QList<QTimer *> timers;
    for (QTimer *timer : manager.findChildren<QTimer *>()) {
        if (timer->isActive() && timer->interval() == SessionManager::AutosaveInterval)
            timers << timer;
    }
    return timers;
}

void TestSessionManager::configuration()
{
    SessionManager manager;
    manager.setDevicePort(QStringLiteral("NVR2"), QStringLiteral("COM4"));
    manager.setDevicePort(QStringLiteral("NVR1"), QStringLiteral("COM3"));
    manager.setDevicePort(QStringLiteral("NVR2"), QStringLiteral("COM9"));
    QCOMPARE(manager.deviceNames(), (QStringList{"NVR1", "NVR2"}));
    manager.setAlarmLimits(0, 60, 150);
    QCOMPARE(manager.alarmLimits(0), qMakePair(60.0, 150.0));
    // Unknown patients: nothing to resume, and no session without a patient row.
    QCOMPARE(manager.resumeMonitoring(42), nullptr);
    QCOMPARE(manager.startMonitoring(sessionFor(4242), QStringLiteral("sim")), nullptr);
}

void TestSessionManager::startStopResumeFillsTheGap()
{
    const int patient = addPatient(QStringLiteral("Gap"));
    SessionManager manager;
    MonitorSession *session = manager.startMonitoring(sessionFor(patient), QStringLiteral("sim"));
    QVERIFY(session);
    QCOMPARE(autosaveTimers(manager).size(), 1);
    QCOMPARE(manager.resumeMonitoring(patient), nullptr);   // running
    // A second start for a patient already here is refused and writes nothing.
    QCOMPARE(manager.startMonitoring(sessionFor(patient), QStringLiteral("sim")), nullptr);
    QCOMPARE(database->listSessions(patient).size(), 1);

    manager.stopMonitoring(patient);
    QVERIFY(manager.hasPatient(patient));
    QVERIFY(autosaveTimers(manager).isEmpty());

    // Resumed at once: nothing to fill.
    TFileSignal *recording = session->recording();
    const int samples = recording->sampleCount();
    QCOMPARE(manager.resumeMonitoring(patient), session);
    QVERIFY(session->hrTrend.isEmpty());
    QCOMPARE(recording->sampleCount(), samples);
    manager.stopMonitoring(patient);

    // Stopped after 600 s and resumed 150 s later.
    session->hrTrend = QVector<int>(600, 80);
    session->spo2Trend = QVector<int>(600, 97);
    session->tempTrend = QVector<double>(600, 36.5);
    recording->appendInterleaved(QByteArray(2 * 250 * 600, '\x05').constData(), 2 * 250 * 600);
    session->startDateTime = QDateTime::currentDateTime().addSecs(-750);
    QCOMPARE(manager.resumeMonitoring(patient), session);
    QCOMPARE(session->hrTrend.mid(600), QVector<int>(150, 0));
    QCOMPARE(session->spo2Trend.mid(600), QVector<int>(150, 0));
    QCOMPARE(session->tempTrend.mid(600), QVector<double>(150, 0.0));
    QCOMPARE(recording->sampleCount(), samples + 750 * 250);
    const int gapStart = samples + 600 * 250;
    QCOMPARE(recording->sample(0, gapStart - 1), 0x0505);
    QCOMPARE(recording->sample(0, gapStart), 0);
    QCOMPARE(recording->sample(0, gapStart + 150 * 250 - 1), 0);
    QCOMPARE(autosaveTimers(manager).size(), 1);
}

void TestSessionManager::devicesInUse()
{
    const int first = addPatient(QStringLiteral("First"));
    const int second = addPatient(QStringLiteral("Second"));
    const int third = addPatient(QStringLiteral("Third"));
    SessionManager manager;
    manager.setDevicePort(QStringLiteral("NVR1"), root->filePath(QStringLiteral("no-such-port")));
    QVERIFY(!manager.isDeviceInUse(QStringLiteral("NVR1")));
    QVERIFY(manager.startMonitoring(sessionFor(first), QStringLiteral("NVR1")));
    QVERIFY(manager.isDeviceInUse(QStringLiteral("NVR1")));
    manager.stopMonitoring(first);
    QVERIFY(manager.isDeviceInUse(QStringLiteral("NVR1")));   // also after the stop

    // "sim" is never in use; any number of patients may use it.
    QVERIFY(manager.startMonitoring(sessionFor(second), QStringLiteral("sim")));
    QVERIFY(manager.startMonitoring(sessionFor(third), QStringLiteral("sim")));
    QVERIFY(!manager.isDeviceInUse(QStringLiteral("sim")));
    QCOMPARE(manager.patientCount(), 3);
    QTRY_VERIFY_WITH_TIMEOUT(manager.isConnected(second) && manager.isConnected(third), 3500);
}

void TestSessionManager::destructionWritesEveryStudy()
{
    const int a = addPatient(QStringLiteral("Alpha"));
    const int b = addPatient(QStringLiteral("Beta"));
    const int c = addPatient(QStringLiteral("Gamma"));
    {
        SessionManager manager;
        for (int id : {a, b, c})
            QVERIFY(manager.startMonitoring(sessionFor(id), QStringLiteral("sim")));
        QTest::qWait(1100);
        MonitorSession *stopped = manager.resumeMonitoring(c);
        QCOMPARE(stopped, nullptr);
        manager.stopMonitoring(c);
        // What the finalize panel records reaches the file at destruction.
        MonitorSession *finalized = manager.resumeMonitoring(c);
        manager.stopMonitoring(c);
        finalized->conclusion = QStringLiteral("Well tolerated");
        QVERIFY(SessionManager::isSessionHeld(c, 1));
        QVERIFY(!SessionManager::isSessionHeld(c, 2));
    }
    // Released with the manager: review may write them again.
    QVERIFY(!SessionManager::isSessionHeld(c, 1));
    for (int id : {a, b}) {
        std::unique_ptr<MonitorSession> saved = database->openSession(id, 1);
        QVERIFY(saved);
        QCOMPARE(saved->events.size(), 1);
        QVERIFY(saved->hrTrend.size() >= 1);
    }
    std::unique_ptr<MonitorSession> saved = database->openSession(c, 1);
    QVERIFY(saved);
    QVERIFY(saved->events.isEmpty());
    QCOMPARE(saved->conclusion, QStringLiteral("Well tolerated"));
}

void TestSessionManager::failedAutosaveIsReportedOnceAndRetried()
{
    const int patient = addPatient(QStringLiteral("Disk"));
    SessionManager manager;
    QSignalSpy failures(&manager, &SessionManager::autosaveFailed);
    MonitorSession *session = manager.startMonitoring(sessionFor(patient), QStringLiteral("sim"));
    QVERIFY(session);
    const QString path = studyPath(patient, 1);
    QTimer *timer = autosaveTimers(manager).first();

    // The study file cannot be replaced: a folder stands in its way.
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkdir(path));
    QMetaObject::invokeMethod(timer, "timeout");
    QMetaObject::invokeMethod(timer, "timeout");
    QCOMPARE(failures.size(), 1);
    QVERIFY(timer->isActive());
    QCOMPARE(manager.batteryVoltage(patient), 2.5);   // still monitoring

    // The next tick succeeds once the way is clear; a later failure is told again.
    QVERIFY(QDir().rmdir(path));
    session->conclusion = QStringLiteral("saved");
    QMetaObject::invokeMethod(timer, "timeout");
    QCOMPARE(failures.size(), 1);
    QVERIFY(QFile::exists(path));
    QVERIFY(QFile::remove(path));
    QVERIFY(QDir().mkdir(path));
    QMetaObject::invokeMethod(timer, "timeout");
    QCOMPARE(failures.size(), 2);
    QVERIFY(QDir().rmdir(path));
}

QTEST_GUILESS_MAIN(TestSessionManager)
#include "tst_sessionmanager.moc"
