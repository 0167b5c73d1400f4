#include "acquisition/modulesimulator.h"
#include "acquisition/modulesource.h"
#include "acquisition/recorder.h"
#include "dsp/tsyntheticecg.h"
#include "storage/monitorsession.h"
#include "storage/tfilesignal.h"

#include <QTemporaryDir>
#include <QtTest>

#include <deque>
#include <memory>

namespace {

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
        for (; n < maxCount && !ecg.empty(); ++n) {
            buffer[n] = ecg.front();
            ecg.pop_front();
        }
        return n;
    }
    int readSpo2() override
    {
        if (spo2.empty())
            return NoSpo2Reading;
        const int v = spo2.front();
        spo2.pop_front();
        return v;
    }
    double readTemperature() override
    {
        if (temperature.empty())
            return NoTemperatureReading;
        const double v = temperature.front();
        temperature.pop_front();
        return v;
    }
    const char *errorString() override { return error.constData(); }
    double batteryVoltage() override { return 2.4; }

    std::deque<short> ecg;
    std::deque<int> spo2;
    std::deque<double> temperature;
    QByteArray error;
    int starts = 0, stops = 0;
};

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void pollRecordsSamplesAndFindsTheHeartRate();
    void trendsTakeTheLastReading();
    void failingSourceIsRestartedWithoutTrendEntries();
    void stopAllMarksRunningSessionsOnly();
    void stalledModuleIsRestarted();

private:
    std::unique_ptr<MonitorSession> newSession();
    std::unique_ptr<QTemporaryDir> folder;
    int sessionCount = 0;
};

void TestRecorder::init()
{
    folder = std::make_unique<QTemporaryDir>();
}

void TestRecorder::cleanup()
{
    folder.reset();
}

std::unique_ptr<MonitorSession> TestRecorder::newSession()
{
    SessionData data;
    data.patientId = ++sessionCount;
    data.startDateTime = QDateTime::currentDateTime();
    auto session = std::make_unique<MonitorSession>(data);
    session->setRecording(std::make_unique<TFileSignal>(
        folder->filePath(QStringLiteral("s%1.nvecg").arg(sessionCount)), 1, 250, TFileSignal::RecordingHeaderSize, true));
    return session;
}

void TestRecorder::pollRecordsSamplesAndFindsTheHeartRate()
{
    TSyntheticEcg generator;
    const std::vector<qint16> ecg = generator.generate(std::vector<double>(20, 72.0));
    FakeSource source;
    source.ecg.assign(ecg.begin(), ecg.end());
    auto session = newSession();
    Recorder recorder;
    recorder.addSource(&source, session.get());
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
    QCOMPARE(source.stops, 1);
    QCOMPARE(recorder.sourceCount(), 0);
}

void TestRecorder::trendsTakeTheLastReading()
{
    FakeSource source;
    auto session = newSession();
    Recorder recorder;
    recorder.addSource(&source, session.get());
    source.spo2 = {97, 98};
    source.temperature = {36.6, 36.8, 36.7};
    recorder.updateTrends();
    // Nothing queued: zero entries, as for a module without these sensors.
    recorder.updateTrends();
    QCOMPARE(session->hrTrend, (QVector<int>{0, 0}));
    QCOMPARE(session->spo2Trend, (QVector<int>{98, 0}));
    QCOMPARE(session->tempTrend, (QVector<double>{36.7, 0.0}));
    QVERIFY(source.spo2.empty());
}

void TestRecorder::failingSourceIsRestartedWithoutTrendEntries()
{
    FakeSource failing, healthy;
    auto a = newSession(), b = newSession();
    Recorder recorder;
    recorder.addSource(&failing, a.get());
    recorder.addSource(&healthy, b.get());
    failing.error = "Device read error";
    failing.spo2 = {95};
    recorder.updateTrends();
    QCOMPARE(failing.stops, 1);
    QCOMPARE(failing.starts, 2);
    QVERIFY(a->hrTrend.isEmpty() && a->spo2Trend.isEmpty() && a->tempTrend.isEmpty());
    QCOMPARE(b->hrTrend.size(), 1);
    failing.error.clear();
    recorder.updateTrends();
    QCOMPARE(a->spo2Trend, QVector<int>{95});
}

void TestRecorder::stopAllMarksRunningSessionsOnly()
{
    FakeSource one, two, removed;
    auto a = newSession(), b = newSession(), c = newSession();
    Recorder recorder;
    recorder.start();
    recorder.addSource(&one, a.get());
    recorder.addSource(&two, b.get());
    recorder.addSource(&removed, c.get());
    recorder.removeSource(&removed);
    recorder.stopAll();
    QCOMPARE(one.stops, 1);
    QCOMPARE(two.stops, 1);
    QCOMPARE(removed.stops, 1);
    for (MonitorSession *s : {a.get(), b.get()}) {
        QCOMPARE(s->events.size(), 1);
        QCOMPARE(s->events[0].description, QStringLiteral("Stop monitoring"));
    }
    QVERIFY(c->events.isEmpty());
    QCOMPARE(recorder.sourceCount(), 0);
    QVERIFY(!recorder.isActive());
}

void TestRecorder::stalledModuleIsRestarted()
{
    ModuleSimulatorOptions options;
    options.stallAfter = 0.3;
    ModuleSimulator simulator(options);
    QVERIFY(simulator.open());
    simulator.start();
    ModuleSource source(simulator.devicePath().toLocal8Bit(), 400);
    auto session = newSession();
    Recorder recorder;
    recorder.start();
    recorder.addSource(&source, session.get());
    // Stall, read error, restart at a trend tick: a second pair of start commands.
    QTRY_COMPARE_WITH_TIMEOUT(simulator.startCommands(), 4, 4000);
    const int before = session->recording()->sampleCount();
    QVERIFY(before > 0);
    QTRY_VERIFY_WITH_TIMEOUT(session->recording()->sampleCount() > before + 50, 2000);
    QVERIFY(source.isConnected());
    recorder.stopAll();
}

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
