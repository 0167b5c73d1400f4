#include "acquisition/comport.h"
#include "acquisition/modulereader.h"
#include "acquisition/modulesimulator.h"
#include "acquisition/modulesource.h"
#include "acquisition/samplebuffer.h"

#include <QElapsedTimer>
#include <QtTest>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace {

// A pseudo-terminal the test drives byte by byte as if it were a module.
class RawModule
{
public:
    RawModule()
    {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        grantpt(master);
        unlockpt(master);
        path = QByteArray(ptsname(master));
        keeper = ::open(path.constData(), O_RDWR | O_NOCTTY);
        termios t{};
        tcgetattr(keeper, &t);
        cfmakeraw(&t);
        tcsetattr(keeper, TCSANOW, &t);
    }
    ~RawModule()
    {
        ::close(keeper);
        ::close(master);
    }
    // Collects host commands until `count` have arrived or the time is up.
    QByteArray commands(int count, int timeoutMs = 3000)
    {
        QElapsedTimer timer;
        timer.start();
        while (received.size() < count && timer.elapsed() < timeoutMs) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, 20) > 0) {
                char bytes[64];
                const ssize_t n = ::read(master, bytes, sizeof bytes);
                if (n > 0)
                    received.append(bytes, int(n));
            }
        }
        return received;
    }
    void send(const QByteArray &bytes) { QCOMPARE(::write(master, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size())); }

    QByteArray path;
    QByteArray received;

private:
    int master = -1;
    int keeper = -1;
};

QByteArray frame(uchar b1, uchar b2, uchar battery)
{
    QByteArray f(6, '\0');
    f[0] = char(0xA0);
    f[1] = char(b1);
    f[2] = char(b2);
    f[3] = char(battery);
    f[4] = char(0x33);
    f[5] = char(0x44);
    return f;
}

std::vector<short> readAll(ISource &source, int wanted, int timeoutMs = 3000)
{
    std::vector<short> out;
    short buffer[1000];
    QElapsedTimer timer;
    timer.start();
    while (int(out.size()) < wanted && timer.elapsed() < timeoutMs) {
        const int n = source.readSamples(buffer, 1000);
        out.insert(out.end(), buffer, buffer + n);
        if (n == 0)
            QThread::msleep(5);
    }
    return out;
}

std::unique_ptr<ModuleSimulator> openSimulator(const ModuleSimulatorOptions &options)
{
    auto simulator = std::make_unique<ModuleSimulator>(options);
    QString error;
    if (!simulator->open(&error))
        qFatal("cannot open a pseudo-terminal: %s", qPrintable(error));
    simulator->start();
    return simulator;
}

} // namespace

class TestModuleSource : public QObject
{
    Q_OBJECT

private slots:
    void devicePaths();
    void sampleBufferKeepsALoneByte();
    void decodesFramesFromMidFrameOverARealTerminal();
    void startsAndStopsTheModule();
    void stallGivesReadErrorAndRestartRecovers();
    void hangupGivesReadErrorThenOpenError();
    void keepAliveAfterEvery30000Frames_data();
    void keepAliveAfterEvery30000Frames();
    void garbageBetweenFramesIsSkipped();
};

void TestModuleSource::devicePaths()
{
    QCOMPARE(QByteArray::fromStdString(ComPort::windowsDevicePath("COM3")), QByteArray("\\\\.\\COM3"));
    QCOMPARE(QByteArray::fromStdString(ComPort::windowsDevicePath("COM123456789")), QByteArray("\\\\.\\COM12345"));
    QCOMPARE(QByteArray::fromStdString(ComPort::posixDevicePath("rfcomm0")), QByteArray("/dev/rfcomm0"));
    QCOMPARE(QByteArray::fromStdString(ComPort::posixDevicePath("/dev/pts/12")), QByteArray("/dev/pts/12"));
}

void TestModuleSource::sampleBufferKeepsALoneByte()
{
    SampleBuffer buffer;
    buffer.appendSample(-2);
    buffer.bytes.push_back(0x7f);
    short out[1000];
    QCOMPARE(buffer.takeSamples(out, 1000), 1);
    QCOMPARE(out[0], short(-2));
    QCOMPARE(int(buffer.bytes.size()), 1);
    QCOMPARE(buffer.takeSamples(out, 1000), 0);
}

void TestModuleSource::decodesFramesFromMidFrameOverARealTerminal()
{
    RawModule module;
    // A silent module holds a stop for the whole read time-out, so keep it short.
    ModuleSource source(module.path, 300);
    QCOMPARE(source.batteryVoltage(), 0.0);
    source.start();
    // Two start commands, then the keep-alive, before any frame is read.
    QCOMPARE(module.commands(3), QByteArray("\x01\x01\x09"));
    QTRY_VERIFY(source.isConnected());

    // The stream begins in the middle of a frame.
    module.send(QByteArray("\x03\xFF\xC8\x00\x00", 5) + frame(0x01, 0x00, 200) + frame(0x00, 0x00, 200)
                + frame(0x03, 0xFF, 200) + frame(0xFD, 0x00, 200));
    QCOMPARE(readAll(source, 4), (std::vector<short>{0, -256, 767, 0}));
    QCOMPARE(source.batteryVoltage(), 2.6);
    module.send(frame(0x01, 0x10, 169));
    QCOMPARE(readAll(source, 1), std::vector<short>{16});
    QVERIFY(qAbs(source.batteryVoltage() - 2.197) < 1e-9);
    QCOMPARE(source.readSpo2(), NoSpo2Reading);

    // Nothing more comes: the read times out.
    QTRY_COMPARE(QByteArray(source.errorString()), QByteArray("Device read error"));
    QVERIFY(!source.isConnected());
    source.stop();
}

void TestModuleSource::startsAndStopsTheModule()
{
    ModuleSimulatorOptions options;
    options.ecg = {5, 6, 7};
    auto simulator = openSimulator(options);
    ModuleSource source(simulator->devicePath().toLocal8Bit());
    source.start();
    const std::vector<short> got = readAll(source, 60);
    QVERIFY(got.size() >= 60);
    QCOMPARE(simulator->startCommands(), 2);
    QCOMPARE(simulator->keepAliveCommands(), 1);

    // Stopping a streaming module takes the two stop commands and little more.
    QElapsedTimer timer;
    timer.start();
    source.stop();
    const qint64 latency = timer.elapsed();
    QVERIFY2(latency >= 100 && latency < 1000, qPrintable(QString::number(latency)));
    QTRY_COMPARE(simulator->stopCommands(), 2);
    QVERIFY(!source.isConnected());

    // Bytes queued before the stop survive; a new start streams again.
    source.start();
    QTRY_COMPARE(simulator->startCommands(), 4);
    QVERIFY(readAll(source, 20).size() >= 20);
    source.stop();
}

void TestModuleSource::stallGivesReadErrorAndRestartRecovers()
{
    ModuleSimulatorOptions options;
    options.stallAfter = 0.4;
    auto simulator = openSimulator(options);
    ModuleSource source(simulator->devicePath().toLocal8Bit(), 700);
    source.start();
    QTRY_VERIFY(source.isConnected());
    QTRY_COMPARE_WITH_TIMEOUT(QByteArray(source.errorString()), QByteArray("Device read error"), 3000);
    QVERIFY(!source.isConnected());

    // What the recorder does at its next tick: stop, then start again.
    source.stop();
    source.start();
    QTRY_VERIFY(source.isConnected());
    QCOMPARE(QByteArray(source.errorString()), QByteArray());
    readAll(source, 1000, 200);
    QVERIFY(readAll(source, 25).size() >= 25);
    source.stop();
}

void TestModuleSource::hangupGivesReadErrorThenOpenError()
{
    ModuleSimulatorOptions options;
    options.hangupAfter = 0.3;
    auto simulator = openSimulator(options);
    ModuleSource source(simulator->devicePath().toLocal8Bit());
    source.start();
    QTRY_VERIFY(simulator->isHungUp());
    QTRY_COMPARE_WITH_TIMEOUT(QByteArray(source.errorString()), QByteArray("Device read error"), 2000);
    QVERIFY(!source.isConnected());
    source.stop();
    // The terminal is gone: the restart cannot open it.
    source.start();
    QTRY_COMPARE(QByteArray(source.errorString()), QByteArray("No se pudo abrir el puerto (CreateFile)"));
    QVERIFY(!source.isConnected());
    source.stop();
}

void TestModuleSource::keepAliveAfterEvery30000Frames_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("keepAlives");
    QTest::newRow("29999 frames") << 29999 << 1;
    QTest::newRow("30000 frames") << 30000 << 2;
}

void TestModuleSource::keepAliveAfterEvery30000Frames()
{
    QFETCH(int, frames);
    QFETCH(int, keepAlives);
    ModuleSimulatorOptions options;
    options.fast = true;
    options.frameLimit = frames;
    // Frames start well after the second start command, so none is purged.
    options.streamDelayMs = 300;
    auto simulator = openSimulator(options);
    // The module falls silent after its frames; a short time-out keeps the stop quick.
    ModuleSource source(simulator->devicePath().toLocal8Bit(), 500);
    source.start();
    QCOMPARE(int(readAll(source, frames, 30000).size()), frames);
    QTest::qWait(100);
    QCOMPARE(simulator->keepAliveCommands(), keepAlives);
    source.stop();
}

void TestModuleSource::garbageBetweenFramesIsSkipped()
{
    ModuleSimulatorOptions options;
    options.garbage = true;
    options.fast = true;
    options.frameLimit = 3000;
    options.streamDelayMs = 300;
    options.ecg = {100};
    auto simulator = openSimulator(options);
    ModuleSource source(simulator->devicePath().toLocal8Bit(), 500);
    source.start();
    QTRY_COMPARE(simulator->framesSent(), 3000L);
    QTest::qWait(200);
    const std::vector<short> got = readAll(source, 100000, 300);
    source.stop();
    // Stray sync bytes cost a frame now and then; framing is found again.
    const long good = std::count(got.begin(), got.end(), short(100));
    QVERIFY2(good > 2000, qPrintable(QString::number(good)));
    QVERIFY(got.size() <= 3100);
}

QTEST_GUILESS_MAIN(TestModuleSource)
#include "tst_modulesource.moc"
