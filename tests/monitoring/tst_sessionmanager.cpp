// The session manager: starting, stopping and resuming a patient (the pause
// filled so that time keeps its index), devices in use, the autosave and
// its failures, and what the manager writes when it goes.

#include "../common/teststorage.h"

#include "monitoring/sessionmanager.h"

#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

class TestSessionManager : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestStorage> m_storage;

    SessionData sessionFor(int patientId)
    {
        SessionData data;
        data.patientId = patientId;
        data.sessionNumber = m_storage->database->nextSessionNumber(patientId);
        data.startDateTime = QDateTime::currentDateTime().addDays(-1);
        return data;
    }
    static QList<QTimer *> autosaveTimers(SessionManager &manager)
    {
        QList<QTimer *> timers;
        for (QTimer *timer : manager.findChildren<QTimer *>())
            if (timer->isActive() && timer->interval() == SessionManager::AutosaveInterval)
                timers << timer;
        return timers;
    }

private slots:
    void init() { m_storage = std::make_unique<TestStorage>(); }
    void cleanup() { m_storage.reset(); }

    void configurationAndUnknownPatients()
    {
        SessionManager manager;
        manager.setDevicePort(QStringLiteral("NVR2"), QStringLiteral("COM4"));
        manager.setDevicePort(QStringLiteral("NVR1"), QStringLiteral("COM3"));
        manager.setDevicePort(QStringLiteral("NVR2"), QStringLiteral("COM9"));
        QCOMPARE(manager.deviceNames(), (QStringList{"NVR1", "NVR2"}));
        manager.setAlarmLimits(0, 60, 150);
        QVERIFY(manager.alarmLimits(0) == qMakePair(60.0, 150.0) && manager.alarmLimits(2) == qMakePair(0.0, 0.0));
        QVERIFY(!manager.resumeMonitoring(42) && !manager.startMonitoring(sessionFor(4242), QStringLiteral("sim")));
        QVERIFY(!manager.hasPatient(42) && !manager.isConnected(42) && manager.batteryVoltage(42) == 0.0 && manager.patientCount() == 0);
    }

    void stopAndResumeFillTheGap()
    {
        const int patient = m_storage->addPatient(QStringLiteral("Gap"));
        SessionManager manager;
        MonitorSession *session = manager.startMonitoring(sessionFor(patient), QStringLiteral("sim"));
        QVERIFY(session);
        // The session starts now, whatever the panel said.
        QVERIFY(session->startDateTime.secsTo(QDateTime::currentDateTime()) < 5);
        QVERIFY(autosaveTimers(manager).size() == 1 && !manager.resumeMonitoring(patient));
        // A second start of a patient already here is refused and writes nothing.
        QVERIFY(!manager.startMonitoring(sessionFor(patient), QStringLiteral("sim")));
        QCOMPARE(m_storage->database->listSessions(patient).size(), 1);
        manager.stopMonitoring(patient);
        manager.stopMonitoring(patient);
        QVERIFY(manager.hasPatient(patient) && !manager.isConnected(patient) && autosaveTimers(manager).isEmpty());

        // Resumed at once: nothing to fill.
        TFileSignal *recording = session->recording();
        const int samples = recording->sampleCount();
        QVERIFY(manager.resumeMonitoring(patient) == session && session->hrTrend.isEmpty() && recording->sampleCount() == samples);
        manager.stopMonitoring(patient);

        // Stopped after 600 s and resumed 150 s later: 150 s of zeros and silence.
        session->hrTrend = QVector<int>(600, 80);
        session->spo2Trend = QVector<int>(600, 97);
        session->tempTrend = QVector<double>(600, 36.5);
        recording->appendInterleaved(QByteArray(2 * 250 * 600, '\x05').constData(), 2 * 250 * 600);
        session->startDateTime = QDateTime::currentDateTime().addSecs(-750);
        QCOMPARE(manager.resumeMonitoring(patient), session);
        QVERIFY(session->hrTrend.mid(600) == QVector<int>(150, 0) && session->spo2Trend.mid(600) == QVector<int>(150, 0));
        QCOMPARE(session->tempTrend.mid(600), QVector<double>(150, 0.0));
        QCOMPARE(recording->sampleCount(), samples + 750 * 250);
        const int gap = samples + 600 * 250;
        QVERIFY(recording->sample(0, gap - 1) == 0x0505 && recording->sample(0, gap) == 0 && recording->sample(0, gap + 150 * 250 - 1) == 0);
        QVERIFY(autosaveTimers(manager).size() == 1 && manager.deviceName(patient) == QStringLiteral("sim"));
    }

    void devicesInUse()
    {
        const int first = m_storage->addPatient("First"), second = m_storage->addPatient("Second"),
                  third = m_storage->addPatient("Third");
        SessionManager manager;
        manager.setDevicePort(QStringLiteral("NVR1"), m_storage->root() + QStringLiteral("/no-such-port"));
        QVERIFY(!manager.isDeviceInUse(QStringLiteral("NVR1")));
        QVERIFY(manager.startMonitoring(sessionFor(first), QStringLiteral("NVR1")));
        QVERIFY(manager.isDeviceInUse(QStringLiteral("NVR1")) && !manager.isDeviceInUse(QStringLiteral("NVR2")));
        manager.stopMonitoring(first);
        QVERIFY(manager.isDeviceInUse(QStringLiteral("NVR1")));
        // "sim" is never in use; any number of patients may use it.
        QVERIFY(manager.startMonitoring(sessionFor(second), QStringLiteral("sim")) && manager.startMonitoring(sessionFor(third), QStringLiteral("sim")));
        QVERIFY(!manager.isDeviceInUse(QStringLiteral("sim")) && manager.patientCount() == 3);
        QTRY_VERIFY_WITH_TIMEOUT(manager.isConnected(second) && manager.isConnected(third), 3500);
        QCOMPARE(manager.batteryVoltage(second), 2.5);
    }

    void leavingWritesEveryStudy()
    {
        const int a = m_storage->addPatient("Alpha"), b = m_storage->addPatient("Beta"), c = m_storage->addPatient("Gamma");
        {
            SessionManager manager;
            for (int id : {a, b, c})
                QVERIFY(manager.startMonitoring(sessionFor(id), QStringLiteral("sim")));
            QTest::qWait(1100);
            manager.stopMonitoring(c);
            // What the finalize panel records after the stop reaches the file too.
            MonitorSession *finalized = manager.resumeMonitoring(c);
            manager.stopMonitoring(c);
            finalized->conclusion = QStringLiteral("Well tolerated");
            QVERIFY(SessionManager::isSessionHeld(c, 1) && !SessionManager::isSessionHeld(c, 2) && !SessionManager::isSessionHeld(42, 1));
        }
        QVERIFY(!SessionManager::isSessionHeld(c, 1));
        for (int id : {a, b}) {
            auto saved = m_storage->database->openSession(id, 1);
            QVERIFY(saved->events.size() == 1 && saved->events[0].description == QStringLiteral("Stop monitoring") && !saved->hrTrend.isEmpty());
        }
        auto saved = m_storage->database->openSession(c, 1);
        QVERIFY(saved->events.isEmpty() && saved->conclusion == QStringLiteral("Well tolerated"));
    }

    void failedAutosaveIsToldOnceAndRetried()
    {
        const int patient = m_storage->addPatient(QStringLiteral("Disk"));
        SessionManager manager;
        QSignalSpy failures(&manager, &SessionManager::autosaveFailed);
        MonitorSession *session = manager.startMonitoring(sessionFor(patient), QStringLiteral("sim"));
        SessionInfo info;
        QVERIFY(m_storage->database->loadSession(patient, 1, info));
        const QString path = m_storage->database->studyPath(info.baseFilename);
        QTimer *timer = autosaveTimers(manager).first();
        // A folder stands where the study file must go.
        auto block = [&path](bool blocked) { QVERIFY(blocked ? QFile::remove(path) && QDir().mkdir(path) : QDir().rmdir(path)); };
        block(true);
        QMetaObject::invokeMethod(timer, "timeout");
        QMetaObject::invokeMethod(timer, "timeout");
        QVERIFY(failures.size() == 1 && timer->isActive());
        block(false);
        session->conclusion = QStringLiteral("saved");
        QMetaObject::invokeMethod(timer, "timeout");
        QCOMPARE(failures.size(), 1);
        QCOMPARE(m_storage->database->openSession(patient, 1)->conclusion, QStringLiteral("saved"));
        block(true);
        QMetaObject::invokeMethod(timer, "timeout");
        QCOMPARE(failures.size(), 2);
        block(false);
    }
};

QTEST_GUILESS_MAIN(TestSessionManager)
#include "tst_sessionmanager.moc"
