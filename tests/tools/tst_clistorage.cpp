// The companion's storage and monitor commands run as a separate process:
// commands that only read never create a storage root, an empty output name
// is refused, a pipe is refused at once instead of blocking, a recording
// beyond 4 GiB shows its true length, and monitoring on a disk that fills up
// ends with exit code 1 and the samples actually on disk. Sample files that
// cannot be read whole end with exit code 1; two programs share a folder.

#include <QProcess>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QtTest>

#include <climits>
#include <memory>
#include <vector>

#include <sys/resource.h>
#include <sys/stat.h>

class TestCliStorage : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;

    // Exit code and output of the companion, run with a limit on the size
    // of the files it writes (inherited when it starts; the test writes
    // nothing meanwhile).
    static int cli(const QStringList &arguments, QByteArray *out = nullptr, rlim_t fileSizeLimit = RLIM_INFINITY)
    {
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = fileSizeLimit;
        QProcess process;
        process.setProcessChannelMode(QProcess::MergedChannels);
        setrlimit(RLIMIT_FSIZE, &limited);
        process.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), arguments);
        setrlimit(RLIMIT_FSIZE, &saved);
        if (!process.waitForFinished(60000))
            return -1;
        if (out)
            *out = process.readAll();
        return process.exitCode();
    }

private slots:
    void readCommandsAndHostileFiles()
    {
        QByteArray out;
        const QString missing = dir.filePath(QStringLiteral("missing"));
        for (const QStringList &read : {QStringList{"patients"}, QStringList{"sessions", "1"},
                                        QStringList{"report", "summary", "--patient", "1", "out.pdf"}}) {
            QCOMPARE(cli(read + QStringList{"--root", missing}, &out), 1);
            QVERIFY(out.contains("does not exist"));
            QVERIFY(!QFileInfo::exists(missing));
        }
        const QString pipe = dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(cli({"study", "dump", pipe}, &out) == 1);
        QVERIFY(out.contains("Not a regular file"));
        QCOMPARE(cli({"recording", "info", pipe}), 1);

        // A sparse recording beyond 4 GiB.
        QFile large(dir.filePath(QStringLiteral("large.nvecg")));
        const QByteArray header = "NVECG1{\"ecg\":{\"sampleFormat\":\"short\",\"samplingRate\":250,\"resolution\":9,"
                                  "\"gainMin\":-6,\"gainMax\":6,\"channels\":[\"V5\"]}}";
        QVERIFY(large.open(QIODevice::WriteOnly));
        QVERIFY(large.write(header) > 0);
        QVERIFY(large.resize(4096 + 2 * 2147483653LL));
        large.close();
        QCOMPARE(cli({"recording", "info", large.fileName()}, &out), 0);
        QVERIFY2(out.contains("samples: 2147483653\nduration: 8589934.612 s"), out.constData());
        QVERIFY(cli({"recording", "export", large.fileName(), ""}, &out) == 2);
        QVERIFY(out.contains("file name is empty"));
        QVERIFY(large.remove());
    }

    void monitorOnAFullDisk()
    {
        // Files may not grow beyond 13 KiB: the index and the study file fit,
        // the recording stops after 4,608 samples (18.4 s).
        QByteArray out;
        const QString root = dir.filePath(QStringLiteral("full"));
        QCOMPARE(cli({"monitor", "--device", "sim", "--seconds", "24", "--root", root}, &out, 13 * 1024), 1);
        QVERIFY2(out.contains("samples=4608 notSaved="), out.constData());
        QVERIFY(out.contains("could not be saved: ECG recording: File too large"));
        // One trend entry a second, told apart from the rate itself (the
        // simulated patient beats at about 75 bpm).
        const QRegularExpressionMatch trend = QRegularExpression(QStringLiteral(" hrTrendEntries=(\\d+) .* lastHeartRate=(\\d+) "))
                                                  .match(QString::fromUtf8(out));
        QVERIFY2(trend.hasMatch(), out.constData());
        QVERIFY(qAbs(trend.captured(1).toInt() - 24) <= 1);
        QVERIFY(trend.captured(2).toInt() >= 60);
        QVERIFY(trend.captured(2).toInt() <= 90);
    }

    void sampleFilesThatCannotBeReadWhole()
    {
        // A pipe or a device would block or never end: refused at once. A
        // file longer than a command takes says so; none reads nothing and
        // reports success. (Sparse files: nothing is written to disk.)
        const QString pipe = dir.filePath(QStringLiteral("samples.pipe"));
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        const QString huge = dir.filePath(QStringLiteral("huge.dat")), large = dir.filePath(QStringLiteral("large.dat"));
        for (const auto &[path, size] : {std::make_pair(huge, 2 * (qint64(INT_MAX) + 1)),
                                         std::make_pair(large, 2 * (qint64(1) << 28) + 2)}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.resize(size));
        }
        const QString root = dir.filePath(QStringLiteral("replays"));
        const QVector<QPair<QStringList, QByteArray>> cases = {
            {{"detect", pipe}, "not a regular file"},
            {{"detect", "/dev/zero"}, "not a regular file"},
            {{"detect", huge}, "2147483648 samples, more than"},
            {{"filter", "--chain", "live", large, dir.filePath("out.dat")}, "268435457 samples, more than"},
            {{"monitor", "--replay", pipe, "--root", root}, "not a regular file"},
            {{"monitor", "--replay", large, "--fast", "--root", root}, "268435457 samples, more than"},
            {{"simulate-module", "--replay", "/dev/zero"}, "not a regular file"},
            {{"simulate-module", "--replay", large}, "268435457 samples, more than"}};
        for (const auto &c : cases) {
            QByteArray out;
            QCOMPARE(cli(c.first, &out), 1);
            QVERIFY2(out.contains(c.second) && out.count('\n') == 1, out.constData());
        }
        QVERIFY(QFile::remove(huge));
        QVERIFY(QFile::remove(large));
        QVERIFY(!QFileInfo::exists(root + "/data"));
    }

    void twoProgramsOnOneFolder()
    {
        // Two companions start monitoring on one new folder at the same
        // moment while read commands list it: every one finishes, and the
        // index, built by one of them, is never set aside.
        for (int round = 0; round < 3; ++round) {
            const QString root = dir.filePath(QStringLiteral("shared%1").arg(round));
            std::vector<std::unique_ptr<QProcess>> monitors;
            for (int k = 0; k < 2; ++k) {
                monitors.push_back(std::make_unique<QProcess>());
                monitors.back()->setProcessChannelMode(QProcess::MergedChannels);
                monitors.back()->start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"),
                                       {"monitor", "--device", "sim", "--seconds", "2", "--root", root});
            }
            QTRY_VERIFY(QFileInfo::exists(root));
            QTest::qWait(300 * round);
            QByteArray out;
            QCOMPARE(cli({"patients", "--root", root}, &out), 0);
            for (const auto &monitor : monitors) {
                // Finished already when the waits above ran the event loop.
                QVERIFY(monitor->state() == QProcess::NotRunning || monitor->waitForFinished(60000));
                QCOMPARE(monitor->exitStatus(), QProcess::NormalExit);
                const QByteArray said = monitor->readAll();
                QVERIFY2(monitor->exitCode() == 0 && said.contains("samples=") && !said.contains("set aside"),
                         said.constData());
            }
            QCOMPARE(cli({"sessions", "1", "--root", root}, &out), 0);
            QCOMPARE(QDir(root + "/data").entryList({"*unusable*"}), QStringList());
        }
    }
};

QTEST_GUILESS_MAIN(TestCliStorage)
#include "tst_clistorage.moc"
