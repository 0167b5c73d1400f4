// The companion's storage and monitor commands run as a separate process:
// commands that only read never create a storage root, an empty output name
// is refused, what is not a regular file is refused at once instead of
// blocking, a recording beyond 4 GiB shows its true length, and monitoring on
// a disk that fills up ends with exit code 1 and the samples actually on disk.

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/resource.h>
#include <sys/stat.h>

class TestCliStorage : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    // Runs the companion, with a limit on the size of the files it writes
    // when one is given; its exit code, standard output and error output.
    static int cli(const QStringList &arguments, QByteArray *out = nullptr, QByteArray *error = nullptr,
                   rlim_t fileSizeLimit = RLIM_INFINITY)
    {
        QProcess process;
        // The companion inherits the limit when it starts; this test writes
        // nothing meanwhile.
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = fileSizeLimit;
        setrlimit(RLIMIT_FSIZE, &limited);
        process.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), arguments);
        setrlimit(RLIMIT_FSIZE, &saved);
        if (!process.waitForFinished(60000)) {
            process.kill();
            process.waitForFinished();
            return -1;
        }
        if (out)
            *out = process.readAllStandardOutput();
        if (error)
            *error = process.readAllStandardError();
        return process.exitCode();
    }

private slots:
    void readCommandsNeverCreateARoot_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("patients") << QStringList{"patients"};
        QTest::newRow("sessions") << QStringList{"sessions", "1"};
        QTest::newRow("report") << QStringList{"report", "summary", "--patient", "1", "out.pdf"};
    }

    void readCommandsNeverCreateARoot()
    {
        QFETCH(QStringList, arguments);
        const QString root = dir.filePath(QStringLiteral("missing"));
        QByteArray error;
        QCOMPARE(cli(arguments + QStringList{"--root", root}, nullptr, &error), 1);
        QVERIFY(error.count('\n') == 1 && error.contains("does not exist"));
        QVERIFY(!QFileInfo::exists(root));
    }

    void filesThatAreNotRecordingsOrStudies()
    {
        // A pipe where a file should be: refused at once, never waited on.
        const QString pipe = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QByteArray error;
        QCOMPARE(cli({"study", "dump", pipe}, nullptr, &error), 1);
        QVERIFY(error.contains("Not a regular file"));
        QCOMPARE(cli({"recording", "info", pipe}), 1);

        // Beyond 4 GiB (a sparse file) the true sample count and duration.
        const QString large = dir.filePath(QStringLiteral("large.nvecg"));
        QByteArray header = "NVECG1{\"ecg\":{\"sampleFormat\":\"short\",\"samplingRate\":250,\"resolution\":9,"
                            "\"gainMin\":-6,\"gainMax\":6,\"channels\":[\"V5\"]}}";
        header.append(QByteArray(4096 - header.size(), '\0'));
        QFile file(large);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(header) == 4096);
        QVERIFY(file.resize(4096 + 2 * 2147483653LL));
        file.close();
        QByteArray out;
        QCOMPARE(cli({"recording", "info", large}, &out), 0);
        QVERIFY2(out.contains("samples: 2147483653\nduration: 8589934.612 s"), out.constData());
        // An empty output name is refused before anything is read.
        QCOMPARE(cli({"recording", "export", large, ""}, nullptr, &error), 2);
        QVERIFY(error.contains("output file name is empty"));
        QVERIFY(file.remove());
    }

    void monitorOnAFullDisk()
    {
        // Files may not grow beyond 13 KiB: the index and the study file fit,
        // the recording stops after 4,608 samples (18.4 s).
        const QString root = dir.filePath(QStringLiteral("full"));
        QByteArray out, error;
        QCOMPARE(cli({"monitor", "--device", "sim", "--seconds", "24", "--root", root}, &out, &error, 13 * 1024), 1);
        QVERIFY2(out.contains("samples=4608 notSaved="), out.constData());
        QVERIFY2(error.contains("could not be saved: ECG recording: File too large"), error.constData());
    }
};

QTEST_GUILESS_MAIN(TestCliStorage)
#include "tst_clistorage.moc"
