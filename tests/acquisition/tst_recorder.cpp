// The recorder: samples into the recording and through the beat detector,
// one trend entry per second, failing sources restarted, and a stalled
// module over a real pseudo-terminal brought back.

#include "acquisition/modulesimulator.h"
#include "acquisition/modulesource.h"
#include "acquisition/recorder.h"
#include "dsp/tsyntheticecg.h"
#include "storage/monitorsession.h"

#include <QTemporaryDir>
#include <QtTest>

#include <deque>

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
        for (; n < maxCount && !ecg.empty(); ++n, ecg.pop_front())
            buffer[n] = ecg.front();
        return n;
    }
    int readSpo2() override { return take(spo2, NoSpo2Reading); }
    double readTemperature() override { return take(temperature, NoTemperatureReading); }
    const char *errorString() override { return error.constData(); }
    double batteryVoltage() override { return 2.4; }

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
    int starts = 0, stops = 0;
};

} // namespace

class TestRecorder : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::vector<std::unique_ptr<MonitorSession>> m_sessions;

    MonitorSession *newSession()
    {
        SessionData data;
        data.startDateTime = QDateTime::currentDateTime();
        m_sessions.push_back(std::make_unique<MonitorSession>(data));
        m_sessions.back()->setRecording(std::make_unique<TFileSignal>(
            m_dir.filePath(QStringLiteral("s%1.nvecg").arg(m_sessions.size())), 1, 250, 4096, true));
        return m_sessions.back().get();
    }

private slots:
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
        QCOMPARE(source.stops, 1);
        QCOMPARE(recorder.sourceCount(), 0);
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
        QCOMPARE(b->hrTrend, (QVector<int>{0, 0}));
        QCOMPARE(b->spo2Trend, (QVector<int>{98, 0}));
        QCOMPARE(b->tempTrend, (QVector<double>{36.7, 0.0}));
        // A failing source is started again each second and gets no entries.
        QCOMPARE(failing.stops, 2);
        QCOMPARE(failing.starts, 3);
        QVERIFY(a->hrTrend.isEmpty() && a->spo2Trend.isEmpty() && a->tempTrend.isEmpty());
        failing.error.clear();
        recorder.updateTrends();
        QCOMPARE(a->spo2Trend, QVector<int>{95});
        QCOMPARE(a->tempTrend, QVector<double>{0.0});
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
        for (MonitorSession *s : {a, b}) {
            QCOMPARE(s->events.size(), 1);
            QCOMPARE(s->events[0].description, QStringLiteral("Stop monitoring"));
        }
        QVERIFY(c->events.isEmpty());
        QCOMPARE(recorder.sourceCount(), 0);
        QVERIFY(!recorder.isActive());
    }

    void stalledModuleIsRestarted()
    {
        ModuleSimulatorOptions options;
        options.stallAfter = 0.3;
        ModuleSimulator module(options);
        QVERIFY(module.open());
        module.start();
        ModuleSource source(module.devicePath().toLocal8Bit(), 400);
        MonitorSession *session = newSession();
        Recorder recorder;
        recorder.start();
        recorder.addSource(&source, session);
        // Stall, read error, restart at a trend tick: a second pair of start commands.
        QTRY_COMPARE_WITH_TIMEOUT(module.startCommands(), 4, 4000);
        const int before = session->recording()->sampleCount();
        QVERIFY(before > 0);
        QTRY_VERIFY_WITH_TIMEOUT(session->recording()->sampleCount() > before + 50, 2000);
        QVERIFY(source.isConnected());
        recorder.stopAll();
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
