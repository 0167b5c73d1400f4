// The single-instance rule across real processes: with the helper program on
// a private key, and end to end with the station itself.

#include "app/singleinstance.h"

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QUuid>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <sys/ipc.h>
#include <sys/shm.h>
#endif

namespace {

const QString holderPath = QStringLiteral(CARDIOLANE_HOLDER);
const QString stationPath = QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane");
const QString stationKey = QStringLiteral("Norvane Cardiolane");

QString uniqueKey()
{
    return QStringLiteral("Cardiolane test %1").arg(QUuid::createUuid().toString(QUuid::WithoutBraces));
}

// Starts the holder and waits for its first answer ("claimed"/"refused").
QString startHolder(QProcess &process, const QString &key)
{
    process.start(holderPath, {key});
    if (!process.waitForStarted(10000) || !process.waitForReadyRead(20000))
        return QString();
    return QString::fromLatin1(process.readLine()).trimmed();
}

// Whether a shared-memory segment exists for the key, found without attaching
// (attaching and detaching would clear an orphaned segment).
bool segmentExists(const QString &key)
{
#ifdef Q_OS_LINUX
    QSharedMemory probe(key);
    const QByteArray file = QFile::encodeName(probe.nativeKey());
    const key_t ipcKey = ftok(file.constData(), 'Q');
    return ipcKey != -1 && shmget(ipcKey, 0, 0400) != -1;
#else
    Q_UNUSED(key);
    return false;
#endif
}

bool waitForFile(const QString &path, QProcess &process, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(path)) {
        if (process.state() == QProcess::NotRunning || timer.elapsed() > timeoutMs)
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
    void secondHolderIsRefusedUntilFirstEnds();
    void crashedHolderDoesNotBlockNextStart();
    void stationRefusesSecondCopyAndSurvivesCrash();
    void stationReportsStorageFailureAndExitsNormally();

private:
    QProcessEnvironment stationEnvironment(const QTemporaryDir &dir) const;
};

void TestSingleInstance::secondHolderIsRefusedUntilFirstEnds()
{
    const QString key = uniqueKey();
    QProcess first;
    QCOMPARE(startHolder(first, key), QStringLiteral("claimed"));

    QProcess second;
    QCOMPARE(startHolder(second, key), QStringLiteral("refused"));
    QVERIFY(second.waitForFinished(10000));
    SingleInstance local(key);
    QVERIFY(!local.claim());

    first.closeWriteChannel();
    QVERIFY(first.waitForFinished(10000));
    QCOMPARE(first.exitCode(), 0);

    QProcess third;
    QCOMPARE(startHolder(third, key), QStringLiteral("claimed"));
    third.closeWriteChannel();
    QVERIFY(third.waitForFinished(10000));
}

void TestSingleInstance::crashedHolderDoesNotBlockNextStart()
{
    const QString key = uniqueKey();
    QProcess crashed;
    QCOMPARE(startHolder(crashed, key), QStringLiteral("claimed"));
    crashed.kill();   // SIGKILL: no chance to release anything
    QVERIFY(crashed.waitForFinished(10000));
#ifdef Q_OS_LINUX
    QVERIFY2(segmentExists(key), "a killed holder leaves its segment behind");
#endif

    QProcess next;
    QCOMPARE(startHolder(next, key), QStringLiteral("claimed"));
    // ... and the new holder's own segment still refuses others.
    QProcess other;
    QCOMPARE(startHolder(other, key), QStringLiteral("refused"));
    QVERIFY(other.waitForFinished(10000));
    next.closeWriteChannel();
    QVERIFY(next.waitForFinished(10000));
    QVERIFY(!segmentExists(key));
}

QProcessEnvironment TestSingleInstance::stationEnvironment(const QTemporaryDir &dir) const
{
    // The station keeps its data and settings in the temporary folder, prints
    // its message boxes instead of waiting for OK, and speaks English.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("CARDIOLANE_NONINTERACTIVE"), QStringLiteral("1"));
    environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    const QString runtime = dir.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    return environment;
}

void TestSingleInstance::stationRefusesSecondCopyAndSurvivesCrash()
{
    if (!QFileInfo(stationPath).isExecutable())
        QSKIP("the station program is not built");
    if (segmentExists(stationKey)) {
        // Either a station is running on this machine or one crashed; a
        // claim here would clear only the latter.
        SingleInstance probe(stationKey);
        if (!probe.claim())
            QSKIP("a station is running on this machine");
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString databaseFile = dir.filePath(QStringLiteral("data/NorvaneMonitor/data/sessions.sqlite"));

    // The first copy runs until its database exists, so it holds the key.
    QProcess first;
    first.setProcessEnvironment(stationEnvironment(dir));
    first.start(stationPath, QStringList());
    QVERIFY2(waitForFile(databaseFile, first, 60000), first.readAllStandardError().constData());

    QProcess second;
    second.setProcessEnvironment(stationEnvironment(dir));
    second.start(stationPath, QStringList());
    QVERIFY(second.waitForFinished(30000));
    QCOMPARE(second.exitStatus(), QProcess::NormalExit);
    QCOMPARE(second.exitCode(), 0);
    QCOMPARE(QString::fromLocal8Bit(second.readAllStandardError()).trimmed(),
             QStringLiteral("Information: Norvane Cardiolane is already running"));
    QCOMPARE(first.state(), QProcess::Running);

    // A crash leaves the segment behind; the next start must still work.
    first.kill();
    QVERIFY(first.waitForFinished(10000));
    QVERIFY(QFile::remove(databaseFile));
    QProcess third;
    third.setProcessEnvironment(stationEnvironment(dir));
    third.start(stationPath, QStringList());
    QVERIFY2(waitForFile(databaseFile, third, 60000), third.readAllStandardError().constData());

    // Spanish unless English is asked for on the command line.
    QProcessEnvironment spanish = stationEnvironment(dir);
    spanish.insert(QStringLiteral("LANGUAGE"), QStringLiteral("es_ES:es"));
    QProcess fourth;
    fourth.setProcessEnvironment(spanish);
    fourth.start(stationPath, {QStringLiteral("--lang=en")});
    QVERIFY(fourth.waitForFinished(30000));
    QCOMPARE(QString::fromUtf8(fourth.readAllStandardError()).trimmed(),
             QStringLiteral("Information: Norvane Cardiolane is already running"));

    third.kill();
    QVERIFY(third.waitForFinished(10000));
    // Leave no orphaned segment behind for the next real start.
    SingleInstance cleanup(stationKey);
    QVERIFY(cleanup.claim());
}

void TestSingleInstance::stationReportsStorageFailureAndExitsNormally()
{
    if (!QFileInfo(stationPath).isExecutable())
        QSKIP("the station program is not built");
    if (segmentExists(stationKey)) {
        SingleInstance probe(stationKey);
        if (!probe.claim())
            QSKIP("a station is running on this machine");
    }
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // A plain file where the data folder should be: the database cannot open.
    QFile blocker(dir.filePath(QStringLiteral("data")));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    QProcess station;
    station.setProcessEnvironment(stationEnvironment(dir));
    station.start(stationPath, QStringList());
    QVERIFY(station.waitForFinished(60000));
    QCOMPARE(station.exitCode(), 0);
    const QString output = QString::fromLocal8Bit(station.readAllStandardError()).trimmed();
    QVERIFY2(output.startsWith(QStringLiteral("Error: ")) && output.size() > 7, qPrintable(output));
    QVERIFY(!segmentExists(stationKey));
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
