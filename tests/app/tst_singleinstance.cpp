// The single-instance rule across real processes: with the helper program on
// a private key, and end to end with the station itself.

#include "app/singleinstance.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <sys/ipc.h>
#include <sys/shm.h>
#endif

namespace {

const QString stationPath = QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane");
const QString stationKey = QStringLiteral("Norvane Cardiolane");
const QString alreadyRunning = QStringLiteral("Information: Norvane Cardiolane is already running");

// Starts the helper and waits for its first answer ("claimed"/"refused").
QString startHolder(QProcess &process, const QString &key)
{
    process.start(QStringLiteral(CARDIOLANE_HOLDER), {key});
    if (!process.waitForStarted(10000) || !process.waitForReadyRead(20000))
        return QString();
    return QString::fromLatin1(process.readLine()).trimmed();
}

// Whether a shared-memory segment exists for the key, found without attaching
// (attaching and detaching would clear an orphaned segment).
bool segmentExists(const QString &key)
{
#ifdef Q_OS_LINUX
    const QByteArray file = QFile::encodeName(QSharedMemory(key).nativeKey());
    const key_t ipcKey = ftok(file.constData(), 'Q');
    return ipcKey != -1 && shmget(ipcKey, 0, 0400) != -1;
#else
    Q_UNUSED(key);
    return false;
#endif
}

// Starts the station with its data, settings and runtime files in `dir`,
// message boxes printed instead of shown, in English unless told otherwise.
void startStation(QProcess &station, const QTemporaryDir &dir, const QStringList &arguments = {},
                  const QString &language = QStringLiteral("en"))
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("CARDIOLANE_NONINTERACTIVE"), QStringLiteral("1"));
    environment.insert(QStringLiteral("LANGUAGE"), language);
    const QString runtime = dir.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    station.setProcessEnvironment(environment);
    station.start(stationPath, arguments);
}

bool waitForFile(const QString &path, QProcess &process)
{
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(path)) {
        if (process.state() == QProcess::NotRunning || timer.elapsed() > 60000)
            return false;
        QTest::qWait(50);
    }
    return true;
}

} // namespace

class TestSingleInstance : public QObject
{
    Q_OBJECT

private slots:
    void secondHolderIsRefusedAndACrashDoesNotBlock()
    {
        const QString key = QStringLiteral("Cardiolane test %1").arg(QUuid::createUuid().toString());
        QProcess first, second, crashed, next, other;
        QCOMPARE(startHolder(first, key), QStringLiteral("claimed"));
        QCOMPARE(startHolder(second, key), QStringLiteral("refused"));
        QVERIFY(second.waitForFinished(10000) && !SingleInstance(key).claim());
        first.closeWriteChannel();
        QVERIFY(first.waitForFinished(10000) && first.exitCode() == 0);

        // A killed holder leaves its segment behind; the next one still gets in
        // and its own segment still refuses others.
        QCOMPARE(startHolder(crashed, key), QStringLiteral("claimed"));
        crashed.kill();
        QVERIFY(crashed.waitForFinished(10000));
#ifdef Q_OS_LINUX
        QVERIFY(segmentExists(key));
#endif
        QCOMPARE(startHolder(next, key), QStringLiteral("claimed"));
        QCOMPARE(startHolder(other, key), QStringLiteral("refused"));
        QVERIFY(other.waitForFinished(10000));
        next.closeWriteChannel();
        QVERIFY(next.waitForFinished(10000));
        QVERIFY(!segmentExists(key));
    }

    void stationRefusesSecondCopyAndReportsStorageFailure()
    {
        if (!QFileInfo(stationPath).isExecutable())
            QSKIP("the station program is not built");
        // Either a station is running on this machine or one crashed; a claim
        // here clears only the latter.
        if (segmentExists(stationKey) && !SingleInstance(stationKey).claim())
            QSKIP("a station is running on this machine");
        QTemporaryDir dir;
        const QString database = dir.filePath(QStringLiteral("data/NorvaneMonitor/data/sessions.sqlite"));
        // The first copy runs until its database exists, so it holds the key.
        QProcess first, second, third;
        startStation(first, dir);
        QVERIFY2(waitForFile(database, first), first.readAllStandardError().constData());
        startStation(second, dir);
        QVERIFY(second.waitForFinished(30000) && second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
        QCOMPARE(QString::fromLocal8Bit(second.readAllStandardError()).trimmed(), alreadyRunning);
        QCOMPARE(first.state(), QProcess::Running);
        // English when asked for on the command line, whatever LANGUAGE says.
        startStation(third, dir, {QStringLiteral("--lang=en")}, QStringLiteral("es_ES:es"));
        QVERIFY(third.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(third.readAllStandardError()).trimmed(), alreadyRunning);
        // A crash leaves the segment behind; the next start still works.
        first.kill();
        QVERIFY(first.waitForFinished(10000) && SingleInstance(stationKey).claim());

        // A plain file where the data folder should be: the error is told and
        // the station ends normally, leaving nothing behind.
        QTemporaryDir blocked;
        QFile blocker(blocked.filePath(QStringLiteral("data")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QProcess station;
        startStation(station, blocked);
        QVERIFY(station.waitForFinished(60000) && station.exitCode() == 0);
        const QString output = QString::fromLocal8Bit(station.readAllStandardError()).trimmed();
        QVERIFY2(output.startsWith(QStringLiteral("Error: ")) && output.size() > 7, qPrintable(output));
        QVERIFY(!segmentExists(stationKey));
    }
};

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
