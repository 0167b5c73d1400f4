// The simulated source (its random walks, the link coming up, the replay
// file in a loop at the clock's pace) and the recorder (samples into the
// recording and the beat detector, a trend entry per second, failing
// sources restarted).

#include "acquisition/mockmonitorsource.h"
#include "acquisition/recorder.h"
#include "dsp/tsyntheticecg.h"
#include "storage/monitorsession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <deque>

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
    void randomWalkSteps()
    {
        // Steps of up to 2 % and 0.1 degree, truncated toward zero and held in their limits.
        QVERIFY(MockMonitorSource::nextSpo2(98, -0.6) == 96 && MockMonitorSource::nextSpo2(95, 0.9) == 96);
        QVERIFY(MockMonitorSource::nextSpo2(100, 0.9) == 100 && MockMonitorSource::nextSpo2(90, -1.0) == 90);
        QVERIFY(MockMonitorSource::nextTemperature(37.45, 0.9) == 37.5 && MockMonitorSource::nextTemperature(35.52, -0.9) == 35.5);
        QVERIFY(qAbs(MockMonitorSource::nextTemperature(36.5, -0.5) - 36.45) < 1e-9);
    }

    void replaysInALoopOnceTheLinkIsUp()
    {
        QTemporaryDir normal, odd, empty, missing;
        const std::vector<short> replay = {1, 2, 3, 4, 5, 6, -7};
        QByteArray bytes;
        for (short s : replay)
            bytes.append(char(quint16(s) & 0xff)).append(char(quint16(s) >> 8));
        auto source = sourceIn(normal.path(), bytes);
        auto halfSample = sourceIn(odd.path(), QByteArray("\x0a\x00\x14\x00\x05", 5));
        auto none = sourceIn(empty.path(), QByteArray(""));
        auto absent = sourceIn(missing.path(), QByteArray());
        for (auto *s : {source.get(), halfSample.get(), none.get(), absent.get()})
            s->start();

        // Nothing flows while the simulated link comes up.
        QTest::qWait(900);
        short buffer[8];
        QVERIFY(!source->isConnected() && source->readSamples(buffer, 8) == 0);
        QVERIFY(source->readSpo2() == NoSpo2Reading && source->readTemperature() == NoTemperatureReading);
        QTRY_VERIFY_WITH_TIMEOUT(source->isConnected(), 2000);
        QElapsedTimer sinceLinkUp;
        sinceLinkUp.start();
        const int spo2 = source->readSpo2();
        const double temperature = source->readTemperature();
        QVERIFY2(spo2 >= 96 && spo2 <= 99, qPrintable(QString::number(spo2)));
        QVERIFY(temperature >= 36.4 && temperature <= 36.6 && source->readSpo2() == NoSpo2Reading);
        QTRY_VERIFY_WITH_TIMEOUT(source->availableSamples() > 0, 500);
        const int queued = source->availableSamples();
        QVERIFY(source->readSamples(buffer, 0) == 0 && source->availableSamples() == queued);

        QTest::qWait(1200);
        const qint64 elapsed = sinceLinkUp.elapsed();
        const std::vector<short> played = drain(*source);
        QCOMPARE(source->availableSamples(), 0);
        // Paced by the clock, at most a tick behind; the link came up up to
        // one polling step before the timer started.
        QVERIFY2(qint64(played.size()) <= (elapsed + 80) * 250 / 1000, qPrintable(QString::number(played.size())));
        QVERIFY(qint64(played.size()) >= (elapsed - 250) * 250 / 1000);
        for (size_t i = 0; i < played.size(); ++i)
            QCOMPARE(played[i], replay[i % replay.size()]);
        // A trailing half sample is never delivered.
        for (short sample : drain(*halfSample))
            QVERIFY(sample == 10 || sample == 20);
        // Without a usable file the vitals still flow and no ECG comes.
        for (auto *s : {none.get(), absent.get()})
            QVERIFY(s->isConnected() && s->availableSamples() == 0 && s->readSpo2() >= 90 && s->readTemperature() >= 35.5);
        // Stopped, the queues keep what they hold and the link stays up.
        source->stop();
        QTest::qWait(120);
        QVERIFY(source->availableSamples() == 0 && source->isConnected());
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
        QVERIFY(source.stops == 1 && recorder.sourceCount() == 0);
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
        QVERIFY(b->hrTrend == (QVector<int>{0, 0}) && b->spo2Trend == (QVector<int>{98, 0}));
        QCOMPARE(b->tempTrend, (QVector<double>{36.7, 0.0}));
        // A failing source is started again each second and gets no entries.
        QVERIFY(failing.stops == 2 && failing.starts == 3);
        QVERIFY(a->hrTrend.isEmpty() && a->spo2Trend.isEmpty() && a->tempTrend.isEmpty());
        failing.error.clear();
        recorder.updateTrends();
        QVERIFY(a->spo2Trend == QVector<int>{95} && a->tempTrend == QVector<double>{0.0});
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
        QVERIFY(c->events.isEmpty() && recorder.sourceCount() == 0 && !recorder.isActive());
    }
};

QTEST_GUILESS_MAIN(TestRecorder)
#include "tst_recorder.moc"
