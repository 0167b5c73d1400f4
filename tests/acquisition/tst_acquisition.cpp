// How samples come in: the simulated source (its random walks, the link
// coming up, the replay file in a loop at the clock's pace); modules over real
// pseudo-terminals (finding them, the stored device table, the frame protocol
// byte by byte, starting and stopping, read errors and restarts, keep-alives
// and stray bytes); and the recorder (samples into the recording and the beat
// detector, a trend entry per second, failing sources restarted).

#include "acquisition/comport.h"
#include "acquisition/mockmonitorsource.h"
#include "acquisition/modulediscovery.h"
#include "acquisition/modulereader.h"
#include "acquisition/modulesimulator.h"
#include "acquisition/modulesource.h"
#include "acquisition/recorder.h"
#include "acquisition/samplebuffer.h"
#include "dsp/tsyntheticecg.h"
#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/recordingheader.h"
#include "storage/sessionclock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <utility>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

Q_DECLARE_METATYPE(DiscoveryResult)

namespace {

// A source constructed in `folder`, so that it opens the replay file there (or none).
std::unique_ptr<MockMonitorSource> sourceIn(const QString &folder, const QByteArray &replay)
{
    if (!replay.isNull()) {
        QFile file(folder + "/ecg250-1.dat");
        if (!file.open(QIODevice::WriteOnly) || file.write(replay) != replay.size())
            qFatal("cannot write the replay file");
    }
    const QString previous = QDir::currentPath();
    QDir::setCurrent(folder);
    auto source = std::make_unique<MockMonitorSource>();
    QDir::setCurrent(previous);
    return source;
}

std::vector<short> drain(ISource &source)
{
    std::vector<short> out;
    short buffer[1000];
    for (int n; (n = source.readSamples(buffer, 1000)) > 0;)
        out.insert(out.end(), buffer, buffer + n);
    return out;
}

// A source whose queues and error the test fills by hand.
class FakeSource : public ISource
{
public:
    int samplingRate() override { return 250; }
    int resolution() override { return 9; }
    double gainMax() override { return 6.0; }
    void start() override { ++starts; }
    void stop() override { ++stops; }
    bool isConnected() override { return true; }
    int availableSamples() override { return int(ecg.size()); }
    int readSamples(short *buffer, int maxCount) override
    {
        int n = 0;
        for (; n < maxCount && !ecg.empty(); ++n, ecg.pop_front())
            buffer[n] = ecg.front();
        return n;
    }
    int readSpo2() override { return take(spo2, NoSpo2Reading); }
    double readTemperature() override { return take(temperature, NoTemperatureReading); }
    const char *errorString() override { return error.constData(); }
    double batteryVoltage() override { return 2.4; }
    qint64 takeLostSamples() override { return std::exchange(lost, 0); }

    template<typename T>
    static T take(std::deque<T> &queue, T none)
    {
        if (queue.empty())
            return none;
        const T v = queue.front();
        queue.pop_front();
        return v;
    }

    std::deque<short> ecg;
    std::deque<int> spo2;
    std::deque<double> temperature;
    QByteArray error;
    qint64 lost = 0;
    int starts = 0, stops = 0;
};

// A monotonic clock the test moves.
struct TestClock : SessionClock
{
    qint64 ms = 1000000;
    qint64 monotonicMs() const override { return ms; }
};

// What a source gave, in order: samples, and "lostN" where it marked N lost.
QString streamOf(ISource &source, int wanted, int timeoutMs = 3000)
{
    QStringList out;
    short buffer[1000];
    int got = 0;
    QElapsedTimer timer;
    timer.start();
    while (got < wanted && timer.elapsed() < timeoutMs) {
        if (const qint64 lost = source.takeLostSamples())
            out << QStringLiteral("lost%1").arg(lost);
        const int n = source.readSamples(buffer, 1000);
        for (int i = 0; i < n; ++i)
            out << QString::number(buffer[i]);
        got += n;
        if (n == 0)
            QThread::msleep(5);
    }
    return out.join(' ');
}

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

QByteArray frame(uchar high, uchar low, uchar battery, uchar fourth = 0)
{
    return QByteArray("\xA0", 1) + char(high) + char(low) + char(battery) + char(fourth) + '\0';
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

class TestAcquisition : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<MonitorSession>> m_sessions;

    MonitorSession *newSession()
    {
        SessionData data;
        data.startDateTime = QDateTime::currentDateTime();
        m_sessions.push_back(std::make_unique<MonitorSession>(data));
        auto recording = std::make_unique<TFileSignal>(
            m_dir.filePath(QStringLiteral("s%1.nvecg").arg(m_sessions.size())), 1, 250, 4096, true);
        recording->setRange(-6.0, 6.0);
        recording->setResolutionBits(9);
        recording->writeHeader(recordingHeaderBytes(*recording, PatientRecord(), data, 4096));
        m_sessions.back()->setRecording(std::move(recording));
        return m_sessions.back().get();
    }

private slots:
    void randomWalkSteps()
    {
        // Steps of up to 2 % and 0.1 degree, truncated toward zero and held in their limits.
        QVERIFY(MockMonitorSource::nextSpo2(98, -0.6) == 96);
        QVERIFY(MockMonitorSource::nextSpo2(95, 0.9) == 96);
        QVERIFY(MockMonitorSource::nextSpo2(100, 0.9) == 100);
        QVERIFY(MockMonitorSource::nextSpo2(90, -1.0) == 90);
        QVERIFY(MockMonitorSource::nextTemperature(37.45, 0.9) == 37.5);
        QVERIFY(MockMonitorSource::nextTemperature(35.52, -0.9) == 35.5);
        QVERIFY(qAbs(MockMonitorSource::nextTemperature(36.5, -0.5) - 36.45) < 1e-9);
    }

    void replaysInALoopOnceTheLinkIsUp()
    {
        QTemporaryDir normal, missing;
        const std::vector<short> replay = {1, 2, 3, 4, 5, 6, -7};
        QByteArray bytes;
        for (short s : replay)
            bytes.append(char(quint16(s) & 0xff)).append(char(quint16(s) >> 8));
        // A trailing half sample is never played.
        auto source = sourceIn(normal.path(), bytes + '\x05');
        auto absent = sourceIn(missing.path(), QByteArray());
        QElapsedTimer sinceStart;
        sinceStart.start();
        for (auto *s : {source.get(), absent.get()})
            s->start();

        // Nothing flows while the simulated link comes up.
        QTest::qWait(900);
        short buffer[8];
        QVERIFY(!source->isConnected());
        QVERIFY(source->readSamples(buffer, 8) == 0);
        QVERIFY(source->readSpo2() == NoSpo2Reading);
        QVERIFY(source->readTemperature() == NoTemperatureReading);
        QTRY_VERIFY_WITH_TIMEOUT(source->isConnected(), 2000);
        const int spo2 = source->readSpo2();
        const double temperature = source->readTemperature();
        QVERIFY2(spo2 >= 96 && spo2 <= 99, qPrintable(QString::number(spo2)));
        QVERIFY(temperature >= 36.4);
        QVERIFY(temperature <= 36.6);
        QVERIFY(source->readSpo2() == NoSpo2Reading);
        QTRY_VERIFY_WITH_TIMEOUT(source->availableSamples() > 0, 500);

        QTest::qWait(1200);
        const qint64 elapsed = sinceStart.elapsed();
        std::vector<short> played = drain(*source);
        QCOMPARE(source->availableSamples(), 0);
        // Paced by the clock from the start (the seconds the link took to come
        // up are queued when it does), at most a tick behind.
        QVERIFY2(qint64(played.size()) <= elapsed * 250 / 1000 + 1, qPrintable(QString::number(played.size())));
        QVERIFY(qint64(played.size()) >= (elapsed - 80) * 250 / 1000);
        // Without a replay file the vitals still flow and no ECG comes.
        QVERIFY(absent->isConnected());
        QVERIFY(absent->availableSamples() == 0);
        QVERIFY(absent->readSpo2() >= 90);
        // Stopped, the samples due until then are queued, the queues keep
        // them and the link stays up.
        QTest::qWait(30);
        source->stop();
        const qint64 stoppedAt = sinceStart.elapsed();
        QTest::qWait(120);
        const std::vector<short> last = drain(*source);
        played.insert(played.end(), last.begin(), last.end());
        QVERIFY2(qAbs(qint64(played.size()) - stoppedAt * 250 / 1000) <= 1, qPrintable(QString::number(played.size())));
        for (size_t i = 0; i < played.size(); ++i)
            QCOMPARE(played[i], replay[i % replay.size()]);
        QVERIFY(source->availableSamples() == 0);
        QVERIFY(source->isConnected());
        QCOMPARE(QByteArray(source->errorString()) + QByteArray::number(source->batteryVoltage()), QByteArray("2.5"));
    }

    void samplesReachRecordingAndHeartRate()
    {
        const std::vector<qint16> ecg = TSyntheticEcg().generate(std::vector<double>(20, 72.0));
        FakeSource source;
        source.ecg.assign(ecg.begin(), ecg.end());
        MonitorSession *session = newSession();
        Recorder recorder;
        recorder.addSource(&source, session);
        QCOMPARE(source.starts, 1);
        // At most 1000 samples per poll.
        recorder.pollSources();
        QCOMPARE(session->recording()->sampleCount(), 1000);
        while (!source.ecg.empty())
            recorder.pollSources();
        recorder.pollSources();
        QCOMPARE(session->recording()->sampleCount(), int(ecg.size()));
        for (int i : {0, 999, 1000, 4321, int(ecg.size()) - 1})
            QCOMPARE(session->recording()->sample(0, i), int(ecg[size_t(i)]));
        recorder.updateTrends();
        QCOMPARE(session->hrTrend.size(), 1);
        QVERIFY2(qAbs(session->hrTrend[0] - 72) <= 3, qPrintable(QString::number(session->hrTrend[0])));
        recorder.removeSource(&source);
        recorder.removeSource(&source);
        QVERIFY(source.stops == 1);
        QVERIFY(recorder.sourceCount() == 0);
    }

    void trendsAndFailingSources()
    {
        FakeSource failing, healthy;
        MonitorSession *a = newSession(), *b = newSession();
        Recorder recorder;
        recorder.addSource(&failing, a);
        recorder.addSource(&healthy, b);
        // The last reading of each second counts; none gives 0.
        healthy.spo2 = {97, 98};
        healthy.temperature = {36.6, 36.8, 36.7};
        failing.error = "Device read error";
        failing.spo2 = {95};
        recorder.updateTrends();
        recorder.updateTrends();
        QVERIFY(b->hrTrend == (QVector<int>{0, 0}));
        QVERIFY(b->spo2Trend == (QVector<int>{98, 0}));
        QCOMPARE(b->tempTrend, (QVector<double>{36.7, 0.0}));
        // A failing source is started again each second; its seconds have no reading.
        QVERIFY(failing.stops == 2);
        QVERIFY(failing.starts == 3);
        QVERIFY(a->hrTrend == (QVector<int>{0, 0}));
        QVERIFY(a->spo2Trend == (QVector<int>{0, 0}));
        QVERIFY(a->tempTrend.size() == 2);
        failing.error.clear();
        recorder.updateTrends();
        QVERIFY(a->spo2Trend == (QVector<int>{0, 0, 95}));
        QVERIFY(a->tempTrend.last() == 0.0);
    }

    void stopAllMarksRunningSessionsOnly()
    {
        FakeSource one, two, removed;
        MonitorSession *a = newSession(), *b = newSession(), *c = newSession();
        Recorder recorder;
        recorder.start();
        QVERIFY(recorder.isActive());
        recorder.addSource(&one, a);
        recorder.addSource(&two, b);
        recorder.addSource(&removed, c);
        recorder.removeSource(&removed);
        recorder.stopAll();
        QCOMPARE(one.stops + two.stops + removed.stops, 3);
        for (MonitorSession *s : {a, b})
            QVERIFY(s->events.size() == 1 && s->events[0].description == QStringLiteral("Stop monitoring"));
        QVERIFY(c->events.isEmpty());
        QVERIFY(recorder.sourceCount() == 0);
        QVERIFY(!recorder.isActive());
    }

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
        QVERIFY(isCandidateModulePort("COM5", "Standard Serial over BLUETOOTH link"));
        QVERIFY(!isCandidateModulePort("COM1", "Communications Port"));
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
        QVERIFY(a.open());
        QVERIFY(b.open());
        a.start();
        b.start();
        const QByteArray pa = a.devicePath().toLocal8Bit(), pb = b.devicePath().toLocal8Bit();
        // A port that does not exist, and a port listed twice and probed once.
        const DiscoveryResult result = discoverModules({pa, "/nonexistent/tty", pb, pa}, 2000);
        QVERIFY(result.size() == 2);
        QVERIFY(result[0].first < result[1].first);
        QVERIFY(result.contains(qMakePair(pa, identification("NVR2"))));
        QVERIFY(result.contains(qMakePair(pb, identification("NVR1"))));
        QVERIFY(a.identificationRequests() == 1);
        QVERIFY(b.identificationRequests() == 1);
        QVERIFY(identifyModule("/nonexistent/tty").isEmpty());
        // The station's own discovery finds a module whose port is offered for probing.
        qputenv("CARDIOLANE_MODULE_PORTS", pb);
        const DiscoveryResult offered = discoverModules();
        qunsetenv("CARDIOLANE_MODULE_PORTS");
        QVERIFY(offered.contains(qMakePair(pb, identification("NVR1"))));
    }

    void portNamesAndSampleBuffer()
    {
        QVERIFY(ComPort::windowsDevicePath("COM3") == "\\\\.\\COM3");
        QVERIFY(ComPort::windowsDevicePath("COM123456789") == "\\\\.\\COM12345");
        QVERIFY(ComPort::posixDevicePath("rfcomm0") == "/dev/rfcomm0");
        QVERIFY(ComPort::posixDevicePath("/dev/pts/1") == "/dev/pts/1");
        // A sample is taken only once both of its bytes are there.
        SampleBuffer buffer;
        buffer.appendSample(-2);
        buffer.appendSample(300);
        buffer.bytes.push_back(0x7f);
        short out[4];
        QVERIFY(buffer.takeSamples(out, 1) == 1);
        QVERIFY(buffer.takeSamples(out + 1, 4) == 1);
        QVERIFY(out[0] == -2);
        QVERIFY(out[1] == 300);
        QVERIFY(buffer.takeSamples(out, 4) == 0);
        QVERIFY(buffer.sampleCount() == 0);
        // Frames carry samples from -256 to 255 (+-6 mV) and the battery in 13 mV steps, both held in range.
        for (auto [sample, volts, decoded, battery] : {std::tuple{200, 2.6, 200, 200}, std::tuple{900, 4.0, 255, 255},
                                                       std::tuple{-300, -1.0, -256, 0}}) {
            unsigned char f[6];
            ModuleSimulator::encodeFrame(short(sample), volts, f);
            QVERIFY(f[0] == 0xA0);
            QVERIFY(ModuleReader::decodeSample(f[1], f[2]) == decoded);
            QVERIFY(f[3] == battery);
        }
    }

    // Only frames with the sync byte, the fixed bits and bytes and a value in
    // the +-6 mV range count; framing is found again inside rejected bytes,
    // and whole frames lost become a marked loss, never a value.
    void framesAreCheckedBeforeTheyCount()
    {
        RawModule module;
        // A silent module holds a stop for the whole read time-out, so keep it short.
        ModuleSource source(module.path, 300);
        QCOMPARE(source.batteryVoltage(), 0.0);
        source.start();
        // Two start commands, then the keep-alive, before any frame is read.
        QCOMPARE(module.commands(3), QByteArray("\x01\x01\x09"));
        QTRY_VERIFY(source.isConnected());
        // The tail of a frame sent before the link was read is no bad frame.
        module.send(QByteArray("\x03\xFF\xC8\x00\x00", 5) + frame(0x01, 0x00, 200) + frame(0x00, 0x00, 200)
                    + frame(0x01, 0xFF, 200));
        QCOMPARE(streamOf(source, 3), QStringLiteral("0 -256 255"));
        QCOMPARE(source.batteryVoltage(), 2.6);
        QCOMPARE(source.badFrameCount(), qint64(0));
        // Out of range (+18 mV), stray upper bits, a byte 4 not zero: three
        // frames lost in one stretch; their low battery bytes are not believed.
        module.send(frame(0x03, 0xFF, 100) + frame(0xFD, 0x00, 100) + frame(0x01, 0x10, 100, 0x33)
                    + frame(0x01, 0x10, 169));
        QCOMPARE(streamOf(source, 1), QStringLiteral("lost3 16"));
        QVERIFY(qAbs(source.batteryVoltage() - 2.197) < 1e-9);
        // A stray sync byte whose frame would take the next frame's start:
        // that frame is found inside it, nothing is lost.
        module.send(QByteArray("\xA0\x00", 2) + frame(0x01, 0x20, 200) + QByteArray("\xA0\x01\x02", 3)
                    + frame(0x00, 0xFF, 200));
        QCOMPARE(streamOf(source, 2), QStringLiteral("32 -1"));
        QVERIFY(source.badFrameCount() == 3);
        QVERIFY(source.availableSamples() == 0);
        QVERIFY(source.readSpo2() == NoSpo2Reading);
        QVERIFY(source.readTemperature() == NoTemperatureReading);
        // Nothing more comes: the read times out.
        QTRY_COMPARE(errorOf(source), QByteArray("Device read error"));
        QVERIFY(!source.isConnected());
    }

    void lostSamplesAreMarkedInTheBuffer()
    {
        SampleBuffer buffer;
        buffer.appendSample(1);
        buffer.appendGap(2);
        buffer.appendGap(3);
        buffer.appendSample(2);
        buffer.appendGap(4);
        short out[8];
        // A read stops at a loss until it is taken; losses in a row add up.
        QVERIFY(buffer.takeGap() == 0);
        QVERIFY(buffer.takeSamples(out, 8) == 1);
        QVERIFY(out[0] == 1);
        QVERIFY(buffer.takeSamples(out, 8) == 0);
        QVERIFY(buffer.takeGap() == 5);
        QVERIFY(buffer.takeGap() == 0);
        QVERIFY(buffer.takeSamples(out, 8) == 1);
        QVERIFY(out[0] == 2);
        QVERIFY(buffer.takeGap() == 4);
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
        QVERIFY(module->startCommands() == 2);
        QVERIFY(module->keepAliveCommands() == 1);
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

    void aSilentModuleStopsAtOnce()
    {
        // The module falls silent with its terminal open (out of range): the
        // nurse's stop does not wait out the 10-s read time-out.
        ModuleSimulatorOptions silent;
        silent.stallAfter = 0.2;
        auto module = simulator(silent);
        ModuleSource source(module->devicePath().toLocal8Bit());
        source.start();
        QTRY_VERIFY(source.isConnected());
        QTest::qWait(600);
        QElapsedTimer timer;
        timer.start();
        source.stop();
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY(!source.isConnected());
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

    // A recording replayed once: exactly its samples, then silence (a read
    // error); the restart plays it again from its beginning.
    void replayPlaysOnceFromItsStart()
    {
        ModuleSimulatorOptions options;
        options.playOnce = true;
        options.fast = true;
        options.streamDelayMs = 300;
        for (int i = 0; i < 2000; ++i)
            options.ecg.push_back(short(i % 500 - 250));
        auto module = simulator(options);
        ModuleSource source(module->devicePath().toLocal8Bit(), 500);
        for (int pass = 1; pass <= 2; ++pass) {
            source.start();
            QVERIFY(readSamples(source, 3000, 1500) == options.ecg);
            QCOMPARE(module->playedToEnd(), pass);
            QTRY_COMPARE_WITH_TIMEOUT(errorOf(source), QByteArray("Device read error"), 3000);
            source.stop();
        }
    }

    // Random bytes between frames, many of them sync bytes: every frame is
    // found, no value is made up and nothing is lost; the stray bytes count.
    void strayBytesBetweenFrames()
    {
        ModuleSimulatorOptions options;
        options.garbage = true;
        options.fast = true;
        options.frameLimit = 3000;
        options.streamDelayMs = 300;
        for (int i = 0; i < 3000; ++i)
            options.ecg.push_back(short((i * 7) % 512 - 256));
        auto module = simulator(options);
        ModuleSource source(module->devicePath().toLocal8Bit(), 500);
        source.start();
        QTRY_COMPARE(module->framesSent(), 3000L);
        QTest::qWait(200);
        const QString got = streamOf(source, 3000, 3000);
        source.stop();
        QStringList sent;
        for (short s : options.ecg)
            sent << QString::number(s);
        QCOMPARE(got, sent.join(' '));
        QVERIFY2(source.badFrameCount() > 1000, qPrintable(QString::number(source.badFrameCount())));
        QCOMPARE(source.batteryVoltage(), 2.6);
    }

    // The recording keeps the session's time: the link coming up, a stall,
    // a restart and lost frames leave marked gaps where the samples belong.
    void recordingKeepsTheSessionsTime()
    {
        TestClock clock;
        FakeSource early, source;
        MonitorSession *session = newSession();
        session->startClock(clock);
        TFileSignal &recording = *session->recording();
        Recorder recorder;
        QVector<QPair<qint64, qint64>> polls; // first sample and gap before, per poll
        connect(&recorder, &Recorder::samplesPolled, this,
                [&](MonitorSession *, const PolledSamples &p) { polls.append({p.firstSample, p.gapBefore}); });
        recorder.addSource(&early, session);
        auto deliver = [&](FakeSource &to, qint64 atMs, int count) {
            clock.ms += atMs;
            to.ecg.insert(to.ecg.end(), size_t(count), short(40));
            recorder.pollSources();
        };
        // A link that comes up within half a second starts without a gap...
        deliver(early, 400, 10);
        QVERIFY(recording.gaps().isEmpty());
        QVERIFY(recording.frameCount() == 10);
        recorder.removeSource(&early);

        // ...one that takes 2 s starts after a gap to the session's time.
        MonitorSession *late = newSession();
        late->startClock(clock);
        recorder.addSource(&source, late);
        polls.clear();
        deliver(source, 2000, 10);
        QCOMPARE(late->recording()->gaps(), (QVector<RecordingGap>{{0, 490}}));
        QCOMPARE(late->recording()->frameCount(), qint64(500));
        QCOMPARE(polls, (QVector<QPair<qint64, qint64>>{{490, 490}}));
        // A wireless burst a little late is no gap.
        deliver(source, 1800, 400);
        QCOMPARE(late->recording()->gaps().size(), 1);
        // A stall: nothing for 12 s, then a read error and a restart; the
        // seconds without a reading get zero entries.
        for (int second = 0; second < 12; ++second) {
            clock.ms += 1000;
            if (second == 10)
                source.error = "Device read error";
            recorder.updateTrends();
        }
        QVERIFY(source.stops == 2);
        QVERIFY(late->hrTrend.size() == late->elapsedSeconds() + 1);
        source.error.clear();
        deliver(source, 300, 25);
        const qint64 due = late->elapsedMs() * 250 / 1000;
        QCOMPARE(late->recording()->frameCount(), due);
        QCOMPARE(late->recording()->gaps().last(), (RecordingGap{900, due - 25 - 900}));
        QVERIFY(late->recording()->isInGap(900));
        QVERIFY(!late->recording()->isInGap(899));
        QVERIFY(!late->recording()->isInGap(due - 1));
        // Samples lost on the link: a short loss is bridged for the detector
        // with the last sample, so the polls stay in step with the recording.
        polls.clear();
        source.lost = 3;
        deliver(source, 0, 5);
        QCOMPARE(polls, (QVector<QPair<qint64, qint64>>{{due, 0}, {due + 3, 0}}));
        QVERIFY(late->recording()->isInGap(due + 2));
        QVERIFY(late->recording()->sample(0, int(due + 3)) == 40);
        // A link that does not come back: the session's rest is a gap.
        clock.ms += 5000;
        recorder.removeSource(&source);
        QCOMPARE(late->recording()->frameCount(), late->elapsedMs() * 250 / 1000);
        QCOMPARE(late->recording()->gaps().last(), (RecordingGap{due + 8, 1242}));
        // The gaps are in the header: a reader finds them there.
        QVERIFY(late->recording()->listGaps());
        const auto reopened = TFileSignal::openRecordingFile(late->recording()->path());
        QVERIFY(reopened);
        QVERIFY(reopened->gaps() == late->recording()->gaps());
        QVERIFY(reopened->gaps().size() == 4);
    }
};

QTEST_GUILESS_MAIN(TestAcquisition)
#include "tst_acquisition.moc"
