// Monitoring while the disk fills up, for real: a file-size limit on this
// process stops the recordings part-way through a write.

#include "monitoring/sessionmanager.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

class TestFullDisk : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void recordingKeepsWhatReachedTheDisk();
};

void TestFullDisk::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QDir::setCurrent(QStringLiteral(CARDIOLANE_BIN_DIR));
    // Past the limit a write fails with EFBIG instead of ending the process.
    std::signal(SIGXFSZ, SIG_IGN);
}

void TestFullDisk::recordingKeepsWhatReachedTheDisk()
{
    QTemporaryDir dir;
    MonitorDatabase database(dir.path());
    SessionManager manager;
    QSignalSpy stopped(&manager, &SessionManager::recordingStopped);
    QList<MonitorSession *> sessions;
    for (const QString &name : {QStringLiteral("Doe"), QStringLiteral("Roe")}) {
        PatientRecord patient;
        patient.lastName = name;
        database.insertPatient(patient);
        SessionData data;
        data.patientId = patient.id;
        data.sessionNumber = 1;
        data.startDateTime = QDateTime::currentDateTime();
        sessions.append(manager.startMonitoring(data, QStringLiteral("sim")));
        QVERIFY(sessions.last());
    }
    for (MonitorSession *session : sessions)
        QTRY_VERIFY_WITH_TIMEOUT(session->recording()->sampleCount() > 300, 10000);

    // The disk "fills" half a frame beyond what the longer recording holds now.
    qint64 longest = 0;
    QVector<double> early(250);
    sessions.first()->recording()->readRange(0, 0, 250, early.data());
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
    std::unique_ptr<TFileSignal> first = TFileSignal::openRecordingFile(sessions.first()->recording()->path());
    for (int i = 0; i < 250; ++i)
        QCOMPARE(double(first->sample(0, i)), early[i]);
}

QTEST_GUILESS_MAIN(TestFullDisk)
#include "tst_fulldisk.moc"
