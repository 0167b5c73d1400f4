// The link to acquisition modules over real pseudo-terminals: finding paired
// modules and the stored device table, the frame protocol byte by byte,
// starting and stopping, read errors and restarts, keep-alives and stray
// bytes between frames.

#include "acquisition/comport.h"
#include "acquisition/modulediscovery.h"
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

Q_DECLARE_METATYPE(DiscoveryResult)

namespace {

QByteArray identification(const QByteArray &name)
{
    return name + QByteArray(10 - name.size(), '\0');
}

QStringList rows(const QList<DeviceEntry> &entries)
{
    QStringList out;
    for (const DeviceEntry &e : entries)
        out << formatDeviceEntry(e.name, e.port);
    return out;
}

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
    // The host's commands, once `count` have come or the time is up.
    QByteArray commands(int count)
    {
        QElapsedTimer timer;
        timer.start();
        while (received.size() < count && timer.elapsed() < 3000) {
            pollfd p{master, POLLIN, 0};
            char bytes[64];
            if (poll(&p, 1, 20) > 0)
                received.append(bytes, int(std::max<ssize_t>(0, ::read(master, bytes, sizeof bytes))));
        }
        return received;
    }
    void send(const QByteArray &bytes) { QCOMPARE(::write(master, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size())); }

    QByteArray path, received;

private:
    int master = -1, keeper = -1;
};

QByteArray frame(uchar high, uchar low, uchar battery)
{
    return QByteArray("\xA0", 1) + char(high) + char(low) + char(battery) + "\x33\x44";
}

std::vector<short> readSamples(ISource &source, int wanted, int timeoutMs = 3000)
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

std::unique_ptr<ModuleSimulator> simulator(const ModuleSimulatorOptions &options)
{
    auto module = std::make_unique<ModuleSimulator>(options);
    QString error;
    if (!module->open(&error))
        qFatal("cannot open a pseudo-terminal: %s", qPrintable(error));
    module->start();
    return module;
}

QByteArray errorOf(ISource &source)
{
    return QByteArray(source.errorString());
}

} // namespace

class TestModuleLink : public QObject
{
    Q_OBJECT

private slots:
    void entries()
    {
        // "name=port", split at the last "="; neither side may be empty.
        const char *cases[][2] = {{"NVR1=COM3", "NVR1|COM3"}, {"A=B=COM4", "A=B|COM4"}, {"NVR1 COM3", ""}, {"=COM3", ""}, {"NVR1=", ""}};
        for (const auto &c : cases) {
            DeviceEntry e;
            QCOMPARE(parseDeviceEntry(QLatin1String(c[0]), e), *c[1] != 0);
            if (*c[1])
                QVERIFY(e.name + "|" + e.port == QLatin1String(c[1]) && formatDeviceEntry(e.name, e.port) == QLatin1String(c[0]));
        }
    }

    void merge_data()
    {
        QTest::addColumn<QStringList>("current");
        QTest::addColumn<DiscoveryResult>("detected");
        QTest::addColumn<QStringList>("expected");
        const QByteArray nvr1 = identification("NVR1"), nvr2 = identification("NVR2");
        QTest::newRow("name order whatever the port order")
            << QStringList() << DiscoveryResult{{"COM10", nvr2}, {"COM3", nvr1}} << QStringList{"NVR1=COM3", "NVR2=COM10"};
        QTest::newRow("unfound stays, found moves")
            << QStringList{"NVR999=COM99", "NVR1=COM5"} << DiscoveryResult{{"COM3", nvr1}}
            << QStringList{"NVR999=COM99", "NVR1=COM3"};
        QTest::newRow("paired twice: later port in byte order")
            << QStringList() << DiscoveryResult{{"COM10", nvr1}, {"COM9", nvr1}} << QStringList{"NVR1=COM9"};
        QTest::newRow("later row of the same name wins")
            << QStringList{"NVR7=COM1", "NVR7=COM2"} << DiscoveryResult() << QStringList{"NVR7=COM2"};
        QTest::newRow("nothing found removes nothing")
            << QStringList{"B=COM2", "A=COM1"} << DiscoveryResult() << QStringList{"A=COM1", "B=COM2"};
        QTest::newRow("name ends at the first zero byte")
            << QStringList() << DiscoveryResult{{"COM4", QByteArray("\xC9tude\0xyz\0", 10)}} << QStringList{"\u00C9tude=COM4"};
    }

    void merge()
    {
        QFETCH(QStringList, current);
        QFETCH(DiscoveryResult, detected);
        QList<DeviceEntry> table;
        for (const QString &row : current) {
            DeviceEntry e;
            QVERIFY(parseDeviceEntry(row, e));
            table << e;
        }
        QTEST(rows(mergeDevices(table, detected)), "expected");
    }

    void probedPorts()
    {
        QVERIFY(isCandidateModulePort("COM5", "Standard Serial over BLUETOOTH link") && !isCandidateModulePort("COM1", "Communications Port"));
#ifdef Q_OS_LINUX
        QVERIFY(isCandidateModulePort("rfcomm0", ""));
#endif
        QCOMPARE(extraModulePorts(" /tmp/nvr1:ttyUSB0,, COM7 :"), (QList<QByteArray>{"/tmp/nvr1", "ttyUSB0", "COM7"}));
        QVERIFY(extraModulePorts("").isEmpty());
        qputenv("CARDIOLANE_MODULE_PORTS", "/tmp/a,/tmp/b");
        const QList<QByteArray> ports = candidateModulePorts();
        QCOMPARE(ports.mid(ports.size() - 2), (QList<QByteArray>{"/tmp/a", "/tmp/b"}));
        qunsetenv("CARDIOLANE_MODULE_PORTS");
    }

    void probesSimulatedModules()
    {
        ModuleSimulatorOptions first, second;
        first.name = "NVR2";
        second.name = "NVR1";
        ModuleSimulator a(first), b(second);
        QVERIFY(a.open() && b.open());
        a.start();
        b.start();
        const QByteArray pa = a.devicePath().toLocal8Bit(), pb = b.devicePath().toLocal8Bit();
        // A port that does not exist, and a port listed twice and probed once.
        const DiscoveryResult result = discoverModules({pa, "/nonexistent/tty", pb, pa}, 2000);
        QVERIFY(result.size() == 2 && result[0].first < result[1].first);
        QVERIFY(result.contains(qMakePair(pa, identification("NVR2"))) && result.contains(qMakePair(pb, identification("NVR1"))));
        QVERIFY(a.identificationRequests() == 1 && b.identificationRequests() == 1 && identifyModule("/nonexistent/tty").isEmpty());
        // The station's own discovery finds a module whose port is offered for probing.
        qputenv("CARDIOLANE_MODULE_PORTS", pb);
        const DiscoveryResult offered = discoverModules();
        qunsetenv("CARDIOLANE_MODULE_PORTS");
        QVERIFY(offered.contains(qMakePair(pb, identification("NVR1"))));
    }

    void portNamesAndSampleBuffer()
    {
        QVERIFY(ComPort::windowsDevicePath("COM3") == "\\\\.\\COM3" && ComPort::windowsDevicePath("COM123456789") == "\\\\.\\COM12345");
        QVERIFY(ComPort::posixDevicePath("rfcomm0") == "/dev/rfcomm0" && ComPort::posixDevicePath("/dev/pts/1") == "/dev/pts/1");
        // A sample is taken only once both of its bytes are there.
        SampleBuffer buffer;
        buffer.appendSample(-2);
        buffer.appendSample(300);
        buffer.bytes.push_back(0x7f);
        short out[4];
        QVERIFY(buffer.takeSamples(out, 1) == 1 && buffer.takeSamples(out + 1, 4) == 1 && out[0] == -2 && out[1] == 300);
        QVERIFY(buffer.takeSamples(out, 4) == 0 && buffer.sampleCount() == 0);
        // Frames carry 10-bit samples from -256 and the battery in 13 mV steps, both held in range.
        for (auto [sample, volts, decoded, battery] : {std::tuple{300, 2.6, 300, 200}, std::tuple{900, 4.0, 767, 255},
                                                       std::tuple{-300, -1.0, -256, 0}}) {
            unsigned char f[6];
            ModuleSimulator::encodeFrame(short(sample), volts, f);
            QVERIFY(f[0] == 0xA0 && ModuleReader::decodeSample(f[1], f[2]) == decoded && f[3] == battery);
        }
    }

    void framesFromTheMiddleOfAStream()
    {
        RawModule module;
        // A silent module holds a stop for the whole read time-out, so keep it short.
        ModuleSource source(module.path, 300);
        QCOMPARE(source.batteryVoltage(), 0.0);
        source.start();
        // Two start commands, then the keep-alive, before any frame is read.
        QCOMPARE(module.commands(3), QByteArray("\x01\x01\x09"));
        QTRY_VERIFY(source.isConnected());
        module.send(QByteArray("\x03\xFF\xC8\x00\x00", 5) + frame(0x01, 0x00, 200) + frame(0x00, 0x00, 200)
                    + frame(0x03, 0xFF, 200) + frame(0xFD, 0x00, 200));
        QCOMPARE(readSamples(source, 4), (std::vector<short>{0, -256, 767, 0}));
        QCOMPARE(source.batteryVoltage(), 2.6);
        module.send(frame(0x01, 0x10, 169));
        QCOMPARE(readSamples(source, 1), std::vector<short>{16});
        QVERIFY(qAbs(source.batteryVoltage() - 2.197) < 1e-9 && source.availableSamples() == 0);
        QVERIFY(source.readSpo2() == NoSpo2Reading && source.readTemperature() == NoTemperatureReading);
        // Nothing more comes: the read times out.
        QTRY_COMPARE(errorOf(source), QByteArray("Device read error"));
        QVERIFY(!source.isConnected());
    }

    void startAndStopTheModule()
    {
        ModuleSimulatorOptions options;
        options.ecg = {5, 6, 7};
        auto module = simulator(options);
        ModuleSource source(module->devicePath().toLocal8Bit());
        source.start();
        const std::vector<short> got = readSamples(source, 60);
        QVERIFY(got.size() >= 60);
        for (size_t i = 1; i < got.size(); ++i)
            QCOMPARE(got[i], short((got[i - 1] - 4) % 3 + 5));
        QVERIFY(module->startCommands() == 2 && module->keepAliveCommands() == 1);
        // Stopping a streaming module takes the two stop commands and little more.
        QElapsedTimer timer;
        timer.start();
        source.stop();
        QVERIFY2(timer.elapsed() >= 100 && timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QTRY_VERIFY(module->stopCommands() == 2 && !source.isConnected());
        source.start();
        QTRY_COMPARE(module->startCommands(), 4);
        QVERIFY(readSamples(source, 20).size() >= 20);
        source.stop();
    }

    void readErrorsAndRestarts()
    {
        // A module that stalls: a read error; a restart brings the stream back.
        ModuleSimulatorOptions stalling;
        stalling.stallAfter = 0.4;
        auto module = simulator(stalling);
        ModuleSource source(module->devicePath().toLocal8Bit(), 700);
        source.start();
        QTRY_VERIFY(source.isConnected());
        QTRY_COMPARE_WITH_TIMEOUT(errorOf(source), QByteArray("Device read error"), 3000);
        QVERIFY(!source.isConnected());
        source.stop();
        source.start();
        QTRY_VERIFY(source.isConnected() && errorOf(source).isEmpty());
        readSamples(source, 1000, 200);
        QVERIFY(readSamples(source, 25).size() >= 25);
        source.stop();

        // A module that hangs up: a read error, then the port cannot be opened.
        ModuleSimulatorOptions hangingUp;
        hangingUp.hangupAfter = 0.3;
        module = simulator(hangingUp);
        ModuleSource lost(module->devicePath().toLocal8Bit());
        lost.start();
        QTRY_VERIFY(module->isHungUp());
        QTRY_COMPARE_WITH_TIMEOUT(errorOf(lost), QByteArray("Device read error"), 2000);
        lost.stop();
        lost.start();
        QTRY_COMPARE(errorOf(lost), QByteArray("No se pudo abrir el puerto (CreateFile)"));
        QVERIFY(!lost.isConnected());
        lost.stop();
    }

    void keepAliveAfterEvery30000Frames()
    {
        for (auto [frames, keepAlives] : {std::pair{29999, 1}, std::pair{30000, 2}}) {
            ModuleSimulatorOptions options;
            options.fast = true;
            options.frameLimit = frames;
            // Frames start well after the second start command, so none is purged.
            options.streamDelayMs = 300;
            auto module = simulator(options);
            ModuleSource source(module->devicePath().toLocal8Bit(), 500);
            source.start();
            QCOMPARE(int(readSamples(source, frames, 30000).size()), frames);
            QTRY_COMPARE(module->keepAliveCommands(), keepAlives);
            QTest::qWait(50);
            QCOMPARE(module->keepAliveCommands(), keepAlives);
            source.stop();
        }
    }

    void strayBytesBetweenFrames()
    {
        ModuleSimulatorOptions options;
        options.garbage = true;
        options.fast = true;
        options.frameLimit = 3000;
        options.streamDelayMs = 300;
        options.ecg = {100};
        auto module = simulator(options);
        ModuleSource source(module->devicePath().toLocal8Bit(), 500);
        source.start();
        QTRY_COMPARE(module->framesSent(), 3000L);
        QTest::qWait(200);
        const std::vector<short> got = readSamples(source, 100000, 300);
        source.stop();
        // Stray sync bytes cost a frame now and then; framing is found again.
        const long good = std::count(got.begin(), got.end(), short(100));
        QVERIFY2(good > 2000 && good < long(got.size()) && got.size() <= 3100, qPrintable(QString::number(good)));
    }
};

QTEST_GUILESS_MAIN(TestModuleLink)
#include "tst_modulelink.moc"
