// Live monitoring without its windows: the rules and arithmetic of the panels
// (grid shapes, alarm zones and colours, measurement fields, BMI, blood
// pressure, indicator positions) and the session manager (start, stop and
// resume with the pause filled as a monotonic clock measured it, also across
// a jump of the system clock, devices in use, alarms saved before anything
// tells them, saves and their failures told once per kind, what it writes
// when it goes).

#include "../common/teststorage.h"

#include "alarms/alarmconditions.h"
#include "acquisition/modulesimulator.h"
#include "alarms/alarmmonitor.h"
#include "monitoring/monitorrules.h"
#include "monitoring/sessionmanager.h"
#include "storage/alarmlog.h"
#include "storage/sessionclock.h"
#include "storage/studyfile.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

using namespace MonitorRules;

namespace {

// A clock the test moves: the wall clock and the monotonic one apart.
struct FakeClock : SessionClock
{
    QDateTime wall = QDateTime(QDate(2026, 3, 4), QTime(9, 0));
    qint64 monotonic = 5000000;
    QDateTime now() const override { return wall; }
    qint64 monotonicMs() const override { return monotonic; }
};

} // namespace

class TestMonitoring : public QObject
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
    void gridShapes()
    {
        // places, screen width / height, rows, columns
        const double wide = 1920.0 / 1080.0, square = 1280.0 / 1024.0;
        const struct { int places; double ratio; int rows, columns; } cases[] = {
            {1, wide, 2, 1}, {2, wide, 2, 1}, {3, wide, 2, 2}, {4, square, 2, 2}, {5, wide, 2, 3},
            {6, 1.5, 2, 3}, {6, square, 3, 2}, {7, wide, 3, 3}, {20, square, 3, 3}};
        for (const auto &c : cases) {
            const GridShape shape = gridShape(c.places, c.ratio);
            QVERIFY2(shape.rows == c.rows && shape.columns == c.columns, qPrintable(QString::number(c.places)));
        }
    }

    void alarmZones()
    {
        // Heart rate and temperature alarm upwards, SpO2 downwards; a value of
        // 0 or an unset low limit shows no zone.
        const QString none, green = "background-color: lightgreen", yellow = "background-color: yellow",
                            red = "background-color: red";
        const struct { bool rising; double value, low, high; QString style; } cases[] = {
            {true, 0, 100, 120, none},       {true, 150, 0, 120, none},     {true, 100, 100, 120, green},
            {true, 101, 100, 120, yellow},   {true, 120, 100, 120, yellow}, {true, 121, 100, 120, red},
            {true, 38.1, 37, 38, red},       {false, 0, 80, 90, none},      {false, 70, 0, 90, none},
            {false, 90, 80, 90, green},      {false, 89, 80, 90, yellow},   {false, 80, 80, 90, yellow},
            {false, 79, 80, 90, red}};
        for (const auto &c : cases) {
            const AlarmZone zone = c.rising ? risingAlarmZone(c.value, c.low, c.high) : fallingAlarmZone(c.value, c.low, c.high);
            QVERIFY2(alarmStyle(zone) == c.style, qPrintable(QString::number(c.value)));
        }
    }

    void bloodPressure()
    {
        // A phase 1 to 3, both values at least 11, systolic above diastolic.
        const struct { int phase, systolic, diastolic; bool acceptable; } cases[] = {
            {1, 120, 80, true}, {3, 120, 80, true}, {0, 120, 80, false}, {4, 120, 80, false}, {2, 80, 120, false},
            {2, 90, 90, false}, {2, 12, 11, true},  {2, 120, 10, false}, {2, 10, 5, false}};
        for (const auto &c : cases)
            QCOMPARE(isBloodPressureAcceptable(c.phase, c.systolic, c.diastolic), c.acceptable);
        // Two systolic digits from 36 up are taken as complete.
        QVERIFY(!isSystolicComplete(35));
        QVERIFY(isSystolicComplete(36));
        QVERIFY(isSystolicComplete(120));
    }

    void indicators()
    {
        // No reading (0 V) is not a low battery.
        for (double volts : {-1.0, 0.0, 2.2, 3.0})
            QVERIFY(!isBatteryLow(volts));
        QVERIFY(isBatteryLow(0.1));
        QVERIFY(isBatteryLow(2.19));
        QCOMPARE(batteryMarkPosition(600, 50, 28), QPoint(540, 28));
        QCOMPARE(linkMarkPosition(QSize(601, 201), QSize(50, 51)), QPoint(275, 75));
    }

    void init() { m_storage = std::make_unique<TestStorage>(); }
    void cleanup() { m_storage.reset(); }

    void configurationAndUnknownPatients()
    {
        SessionManager manager(*m_storage->database, m_storage->records, SessionClock::system());
        manager.setDevicePort(QStringLiteral("NVR2"), QStringLiteral("COM4"));
        manager.setDevicePort(QStringLiteral("NVR1"), QStringLiteral("COM3"));
        manager.setDevicePort(QStringLiteral("NVR2"), QStringLiteral("COM9"));
        QCOMPARE(manager.deviceNames(), (QStringList{"NVR1", "NVR2"}));
        manager.setAlarmLimits(0, 60, 150);
        QVERIFY(manager.alarmLimits(0) == qMakePair(60.0, 150.0));
        QVERIFY(manager.alarmLimits(2) == qMakePair(0.0, 0.0));
        QVERIFY(!manager.resumeMonitoring(42));
        QVERIFY(!manager.startMonitoring(sessionFor(4242), QStringLiteral("sim")));
        QVERIFY(!manager.hasPatient(42));
        QVERIFY(!manager.isConnected(42));
        QVERIFY(manager.batteryVoltage(42) == 0.0);
        QVERIFY(manager.patientCount() == 0);
    }

    void stopAndResumeFillTheGap()
    {
        const int patient = m_storage->addPatient(QStringLiteral("Gap"));
        FakeClock clock;
        SessionManager manager(*m_storage->database, m_storage->records, clock);
        MonitorSession *session = manager.startMonitoring(sessionFor(patient), QStringLiteral("sim"));
        QVERIFY(session);
        // The session starts now, whatever the panel said.
        QCOMPARE(session->startDateTime, clock.wall);
        QVERIFY(autosaveTimers(manager).size() == 1);
        QVERIFY(!manager.resumeMonitoring(patient));
        // A second start of a patient already here is refused and writes nothing.
        QVERIFY(!manager.startMonitoring(sessionFor(patient), QStringLiteral("sim")));
        QCOMPARE(m_storage->database->listSessions(patient).size(), 1);
        manager.stopMonitoring(patient);
        manager.stopMonitoring(patient);
        QVERIFY(manager.hasPatient(patient));
        QVERIFY(!manager.isConnected(patient));
        QVERIFY(autosaveTimers(manager).isEmpty());

        // Resumed at once: nothing to fill.
        TFileSignal *recording = session->recording();
        const int samples = recording->sampleCount();
        QVERIFY(manager.resumeMonitoring(patient) == session);
        QVERIFY(session->hrTrend.isEmpty());
        QVERIFY(recording->sampleCount() == samples);
        manager.stopMonitoring(patient);

        // Stopped after 600 s and resumed 150 s later: 150 s of zeros and silence.
        session->hrTrend = QVector<int>(600, 80);
        session->spo2Trend = QVector<int>(600, 97);
        session->tempTrend = QVector<double>(600, 36.5);
        recording->appendInterleaved(QByteArray(2 * 250 * 600, '\x05').constData(), 2 * 250 * 600);
        clock.monotonic += 750000;
        QCOMPARE(manager.resumeMonitoring(patient), session);
        QVERIFY(session->hrTrend.mid(600) == QVector<int>(150, 0));
        QVERIFY(session->spo2Trend.mid(600) == QVector<int>(150, 0));
        QCOMPARE(session->tempTrend.mid(600), QVector<double>(150, 0.0));
        QCOMPARE(recording->sampleCount(), samples + 750 * 250);
        const int gap = samples + 600 * 250;
        QVERIFY(recording->sample(0, gap - 1) == 0x0505);
        QVERIFY(recording->sample(0, gap) == 0);
        QVERIFY(recording->sample(0, gap + 150 * 250 - 1) == 0);
        QVERIFY(autosaveTimers(manager).size() == 1);
        QVERIFY(manager.deviceName(patient) == QStringLiteral("sim"));

        // The system clock jumps 150 days ahead during a 10-s pause: only the
        // 10 s that went by are filled, and an event keeps its true offset.
        manager.stopMonitoring(patient);
        clock.wall = clock.wall.addDays(150);
        clock.monotonic += 10000;
        QCOMPARE(manager.resumeMonitoring(patient), session);
        session->addEvent(QStringLiteral("After the jump"));
        QVERIFY(session->hrTrend.size() == 760);
        QVERIFY(session->events.last().timeOffset == 760);
        // A pause longer than any the station can have watched (a machine
        // asleep for a day) fills twelve hours at most; the study stays
        // readable.
        manager.stopMonitoring(patient);
        clock.monotonic += 24 * 3600 * 1000LL;
        QCOMPARE(manager.resumeMonitoring(patient), session);
        QCOMPARE(session->hrTrend.size(), 760 + 12 * 3600);
        manager.stopMonitoring(patient);
        SessionInfo info;
        QJsonDocument study;
        QVERIFY(m_storage->database->loadSession(patient, 1, info));
        QVERIFY(readStudyFile(m_storage->database->studyPath(info.baseFilename), study));
        QCOMPARE(study.object().value("results").toObject().value("hrTrend").toArray().size(), 760 + 12 * 3600);
    }

    void devicesInUse()
    {
        const int first = m_storage->addPatient("First"), second = m_storage->addPatient("Second"),
                  third = m_storage->addPatient("Third");
        SessionManager manager(*m_storage->database, m_storage->records, SessionClock::system());
        manager.setDevicePort(QStringLiteral("NVR1"), m_storage->root() + QStringLiteral("/no-such-port"));
        QVERIFY(!manager.isDeviceInUse(QStringLiteral("NVR1")));
        QVERIFY(manager.startMonitoring(sessionFor(first), QStringLiteral("NVR1")));
        QVERIFY(manager.isDeviceInUse(QStringLiteral("NVR1")));
        QVERIFY(!manager.isDeviceInUse(QStringLiteral("NVR2")));
        manager.stopMonitoring(first);
        QVERIFY(manager.isDeviceInUse(QStringLiteral("NVR1")));
        // "sim" is never in use; any number of patients may use it.
        QVERIFY(manager.startMonitoring(sessionFor(second), QStringLiteral("sim")));
        QVERIFY(manager.startMonitoring(sessionFor(third), QStringLiteral("sim")));
        QVERIFY(!manager.isDeviceInUse(QStringLiteral("sim")));
        QVERIFY(manager.patientCount() == 3);
        QTRY_VERIFY_WITH_TIMEOUT(manager.isConnected(second) && manager.isConnected(third), 3500);
        QCOMPARE(manager.batteryVoltage(second), 2.5);
    }

    void aLostModuleLinkIsAnAlarmAlsoAfterAResume()
    {
        // The module's terminal goes away while its patient is monitored:
        // "Link lost" at the start and again after a stop and resume.
        const int patient = m_storage->addPatient(QStringLiteral("Link"));
        SessionManager manager(*m_storage->database, m_storage->records, SessionClock::system());
        MonitorSession *session = nullptr;
        const auto linkLostOnsets = [&session] {
            return std::count_if(session->alarmLog.cbegin(), session->alarmLog.cend(), [](const AlarmLogEntry &e) {
                return e.kind == AlarmLogEntry::Onset && e.condition == QLatin1String("linkLost");
            });
        };
        for (int pass = 1; pass <= 2; ++pass) {
            auto module = std::make_unique<ModuleSimulator>(ModuleSimulatorOptions());
            QVERIFY(module->open());
            module->start();
            manager.setDevicePort(QStringLiteral("NVR1"), module->devicePath());
            if (pass == 1)
                session = manager.startMonitoring(sessionFor(patient), QStringLiteral("NVR1"));
            else
                QCOMPARE(manager.resumeMonitoring(patient), session);
            QVERIFY(session);
            QTRY_VERIFY(manager.isConnected(patient));
            // The alarms have seen the link up (a link never up is given
            // time to connect).
            manager.alarmMonitor()->tick();
            QCOMPARE(linkLostOnsets(), pass - 1);
            module.reset();
            QTRY_COMPARE(linkLostOnsets(), pass);
            manager.stopMonitoring(patient);
        }
    }

    void leavingWritesEveryStudy()
    {
        const int a = m_storage->addPatient("Alpha"), b = m_storage->addPatient("Beta"), c = m_storage->addPatient("Gamma");
        {
            SessionManager manager(*m_storage->database, m_storage->records, SessionClock::system());
            for (int id : {a, b, c})
                QVERIFY(manager.startMonitoring(sessionFor(id), QStringLiteral("sim")));
            QTest::qWait(1100);
            manager.stopMonitoring(c);
            // What the finalize panel records after the stop reaches the file too.
            MonitorSession *finalized = manager.resumeMonitoring(c);
            manager.stopMonitoring(c);
            finalized->conclusion = QStringLiteral("Well tolerated");
            const OpenRecords &held = m_storage->records;
            QVERIFY(held.isSessionHeld(c, 1));
            QVERIFY(!held.isSessionHeld(c, 2));
            QVERIFY(!held.isSessionHeld(42, 1));
        }
        QVERIFY(!m_storage->records.isSessionHeld(c, 1));
        QVERIFY(!m_storage->records.isMonitored(a));
        for (int id : {a, b}) {
            auto saved = m_storage->database->openSession(id, 1);
            QVERIFY(saved->events.size() == 1);
            QVERIFY(saved->events[0].description == QStringLiteral("Stop monitoring"));
            // One trend entry per second.
            QVERIFY(saved->hrTrend.size() >= 1);
            QVERIFY(saved->hrTrend.size() <= 2);
        }
        auto saved = m_storage->database->openSession(c, 1);
        QVERIFY(saved->events.isEmpty());
        QVERIFY(saved->conclusion == QStringLiteral("Well tolerated"));
    }

    void alarmsAreSavedBeforeTheyAreTold()
    {
        // Whatever shows or prints an alarm learns of it after the manager
        // (connected later, as the panels and the companion's lines are): by
        // then the study file on disk holds every entry of the log.
        const int patient = m_storage->addPatient(QStringLiteral("Alarm"));
        SessionManager manager(*m_storage->database, m_storage->records, SessionClock::system());
        MonitorSession *session = manager.startMonitoring(sessionFor(patient), QStringLiteral("sim"));
        SessionInfo info;
        QVERIFY(session);
        QVERIFY(m_storage->database->loadSession(patient, 1, info));
        const QString path = m_storage->database->studyPath(info.baseFilename);
        QList<QPair<int, int>> shown, printed; // (entries in the log, entries on disk)
        const auto onDisk = [&] {
            QJsonDocument study;
            return readStudyFile(path, study) ? study.object().value("alarms").toArray().size() : -1;
        };
        AlarmMonitor *alarms = manager.alarmMonitor();
        QObject listener; // gone, with its connections, before what they use
        connect(alarms, &AlarmMonitor::logChanged, &listener, [&] { shown.append({session->alarmLog.size(), onDisk()}); });
        connect(alarms, &AlarmMonitor::alarmLogged, &listener, [&] { printed.append({session->alarmLog.size(), onDisk()}); });
        alarms->setRecordingStopped(patient, true, QStringLiteral("test"));
        // Evaluated by the monitor's own timer, which the manager started.
        QTRY_COMPARE(session->alarmLog.size(), 1);
        alarms->acknowledge(patient);
        QCOMPARE(session->alarmLog.size(), 2);
        QCOMPARE(shown, (QList<QPair<int, int>>{{1, 1}, {2, 2}}));
        QCOMPARE(printed, (QList<QPair<int, int>>{{1, 1}, {2, 2}}));
    }

    void failedSavesAreToldOncePerKindAndRetried()
    {
        const int patient = m_storage->addPatient(QStringLiteral("Disk"));
        SessionManager manager(*m_storage->database, m_storage->records, SessionClock::system());
        QSignalSpy failures(&manager, &SessionManager::storageFailed);
        QSignalSpy recovered(&manager, &SessionManager::storageRecovered);
        MonitorSession *session = manager.startMonitoring(sessionFor(patient), QStringLiteral("sim"));
        SessionInfo info;
        QVERIFY(m_storage->database->loadSession(patient, 1, info));
        const QString path = m_storage->database->studyPath(info.baseFilename);
        QTimer *timer = autosaveTimers(manager).first();
        // A folder stands where the study file must go.
        auto block = [&path](bool blocked) { QVERIFY(blocked ? QFile::remove(path) && QDir().mkdir(path) : QDir().rmdir(path)); };
        auto kinds = [&failures] {
            QList<SessionManager::StorageFailure> list;
            for (const QList<QVariant> &failure : qAsConst(failures))
                list << failure.at(1).value<SessionManager::StorageFailure>();
            return list;
        };
        block(true);
        QMetaObject::invokeMethod(timer, "timeout");
        QMetaObject::invokeMethod(timer, "timeout");
        QVERIFY(failures.size() == 1);
        QVERIFY(timer->isActive());
        QVERIFY(failures.first().at(0).toInt() == patient);
        QVERIFY(failures.first().at(2).toString() == "Cannot create study file");
        // An entry that cannot be saved is another kind: told as well, once.
        manager.saveSession(patient);
        manager.saveSession(patient);
        QCOMPARE(kinds(), (QList<SessionManager::StorageFailure>{SessionManager::StorageFailure::Autosave,
                                                                 SessionManager::StorageFailure::Entry}));
        block(false);
        session->conclusion = QStringLiteral("saved");
        QMetaObject::invokeMethod(timer, "timeout");
        QVERIFY(failures.size() == 2);
        QVERIFY(recovered.size() == 2);
        QCOMPARE(m_storage->database->openSession(patient, 1)->conclusion, QStringLiteral("saved"));
        block(true);
        QMetaObject::invokeMethod(timer, "timeout");
        QCOMPARE(failures.size(), 3);
        block(false);
    }
};

QTEST_GUILESS_MAIN(TestMonitoring)
#include "tst_monitoring.moc"
