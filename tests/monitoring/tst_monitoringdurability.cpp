// Monitoring never loses what was recorded or entered: a disk that fills
// up (for real, through a file-size limit on this process) keeps every
// sample that reached it while monitoring goes on, and what the clinician
// enters reaches the study file at once.

#include "../common/messageboxanswerer.h"
#include "../common/testsettings.h"

#include "monitoring/patientfinalizeform.h"
#include "monitoring/patientmonitorform.h"
#include "monitoring/sessionmanager.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"

#include <QInputDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtEndian>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

class TestMonitoringDurability : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fullDiskKeepsWhatReachedIt();
    void entriesReachTheDisk();

private:
    // Session 1 of a new patient, monitored on the simulated source.
    MonitorSession *startOnSim(SessionManager &manager);

    QTemporaryDir m_settingsDir;
    QTemporaryDir m_root;
    std::unique_ptr<MonitorDatabase> m_db;
};

void TestMonitoringDurability::initTestCase()
{
    isolateSettings(m_settingsDir.path());
    QDir::setCurrent(QStringLiteral(CARDIOLANE_BIN_DIR));
    // Past the limit a write fails with EFBIG instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
    m_db = std::make_unique<MonitorDatabase>(m_root.path());
}

MonitorSession *TestMonitoringDurability::startOnSim(SessionManager &manager)
{
    PatientRecord patient;
    patient.lastName = QStringLiteral("Doe");
    patient.firstName = QStringLiteral("Jane");
    m_db->insertPatient(patient);
    SessionData data;
    data.patientId = patient.id;
    data.sessionNumber = 1;
    data.startDateTime = QDateTime::currentDateTime();
    return manager.startMonitoring(data, QStringLiteral("sim"));
}

void TestMonitoringDurability::fullDiskKeepsWhatReachedIt()
{
    SessionManager manager;
    QSignalSpy stopped(&manager, &SessionManager::recordingStopped);
    const QList<MonitorSession *> sessions = {startOnSim(manager), startOnSim(manager)};
    QVERIFY(sessions.first() && sessions.last());
    for (MonitorSession *session : sessions)
        QTRY_VERIFY_WITH_TIMEOUT(session->recording()->sampleCount() > 300, 10000);

    // The disk "fills" half a frame beyond what the longer recording holds now.
    qint64 longest = 0;
    for (MonitorSession *session : sessions)
        longest = std::max(longest, QFileInfo(session->recording()->path()).size());
    const qint64 limit = longest + 301;
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit full = saved;
    full.rlim_cur = rlim_t(limit);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);

    QTRY_COMPARE_WITH_TIMEOUT(stopped.size(), 2, 10000);
    // Monitoring and the live signal go on; each patient is told once.
    const int savedCount = sessions.first()->recording()->savedSampleCount();
    QTRY_VERIFY_WITH_TIMEOUT(sessions.first()->recording()->sampleCount() > savedCount + 300, 10000);
    QCOMPARE(stopped.size(), 2);
    QCOMPARE(QSet<int>({stopped.at(0).at(0).toInt(), stopped.at(1).at(0).toInt()}),
             QSet<int>({sessions.at(0)->patientId, sessions.at(1)->patientId}));
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

    // Each file holds its header and every whole frame up to the limit.
    for (MonitorSession *session : sessions) {
        const QString path = session->recording()->path();
        QCOMPARE(QFileInfo(path).size(), limit);
        std::unique_ptr<TFileSignal> reopened = TFileSignal::openRecordingFile(path);
        QVERIFY(reopened);
        QCOMPARE(reopened->sampleCount(), int(limit - 4096) / 2);
        QCOMPARE(reopened->sampleCount(), session->recording()->savedSampleCount());
    }

    // The simulated source replays its file from the start: on disk up to the
    // limit, in memory after it, the samples are the replayed ones.
    QFile replay(QStringLiteral("ecg250-1.dat"));
    QVERIFY(replay.open(QIODevice::ReadOnly));
    const QByteArray bytes = replay.readAll();
    auto replayed = [&bytes](int i) { return int(qFromLittleEndian<qint16>(bytes.constData() + 2 * i)); };
    TFileSignal *live = sessions.first()->recording();
    std::unique_ptr<TFileSignal> reopened = TFileSignal::openRecordingFile(live->path());
    QVERIFY(live->sampleCount() * 2 <= bytes.size());
    for (int i = 0; i < live->sampleCount(); ++i) {
        QCOMPARE(live->sample(0, i), replayed(i));
        if (i < reopened->sampleCount())
            QCOMPARE(reopened->sample(0, i), replayed(i));
    }
}

void TestMonitoringDurability::entriesReachTheDisk()
{
    SessionManager manager;
    MonitorSession *session = startOnSim(manager);
    QVERIFY(session);
    // The session as the study file on disk holds it now.
    auto stored = [this, session] { return m_db->openSession(session->patientId, 1); };
    auto storedEvents = [&stored] {
        QStringList descriptions;
        const std::unique_ptr<MonitorSession> onDisk = stored();
        for (const SessionEvent &event : onDisk->events)
            descriptions << event.description;
        return descriptions;
    };
    QWidget host;
    host.setLayout(new QVBoxLayout);
    auto *monitor = new PatientMonitorForm(&host, &manager, session);
    host.layout()->addWidget(monitor);
    host.show();

    answerNextModal([](QWidget *modal) {
        auto *dialog = qobject_cast<QInputDialog *>(modal);
        dialog->setTextValue(QStringLiteral("Chest tightness"));
        dialog->accept();
    });
    monitor->findChild<QPushButton *>(QStringLiteral("btnEvent"))->click();
    QCOMPARE(storedEvents().last(), QStringLiteral("Chest tightness"));

    // The stop writes the stop event and the trends recorded until then.
    QTRY_VERIFY_WITH_TIMEOUT(session->hrTrend.size() >= 2, 5000);
    {
        MessageBoxAnswerer yes(QMessageBox::Yes);
        monitor->findChild<QPushButton *>(QStringLiteral("btnStop"))->click();
    }
    QCOMPARE(storedEvents().last(), QStringLiteral("Stop monitoring"));
    QCOMPARE(stored()->hrTrend, session->hrTrend);

    // Finalize fields: saved after a short pause, or at once when left.
    QTRY_VERIFY(host.findChild<PatientFinalizeForm *>());
    auto *finalize = host.findChild<PatientFinalizeForm *>();
    auto *symptoms = finalize->findChild<QPlainTextEdit *>(QStringLiteral("txtSymptoms"));
    auto *conclusion = finalize->findChild<QPlainTextEdit *>(QStringLiteral("txtConclusion"));
    symptoms->setPlainText(QStringLiteral("Mild dyspnoea"));
    QCOMPARE(stored()->symptoms, QString());
    QTRY_COMPARE_WITH_TIMEOUT(stored()->symptoms, QStringLiteral("Mild dyspnoea"),
                              PatientFinalizeForm::SaveDelay + 1000);
    host.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&host));
    conclusion->setFocus();
    QTest::keyClicks(conclusion, QStringLiteral("Good tolerance"));
    finalize->findChild<QSpinBox *>(QStringLiteral("numBorgRPE"))->setFocus();
    QCOMPARE(stored()->conclusion, QStringLiteral("Good tolerance"));
}

QTEST_MAIN(TestMonitoringDurability)
#include "tst_monitoringdurability.moc"
