// The simulated source: its bounded random walks, the simulated link coming
// up, the replay file played in a loop at the wall clock's pace, and a
// restart that loses nothing.

#include "acquisition/mockmonitorsource.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

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

} // namespace

class TestMockMonitorSource : public QObject
{
    Q_OBJECT

private slots:
    void randomWalkSteps_data()
    {
        QTest::addColumn<int>("spo2");
        QTest::addColumn<double>("u");
        QTest::addColumn<int>("next");
        QTest::newRow("truncates towards zero") << 98 << -0.6 << 96;
        QTest::newRow("up") << 95 << 0.9 << 96;
        QTest::newRow("capped at 100") << 100 << 0.9 << 100;
        QTest::newRow("floored at 90") << 90 << -1.0 << 90;
    }

    void randomWalkSteps()
    {
        QFETCH(int, spo2);
        QFETCH(double, u);
        QFETCH(int, next);
        QCOMPARE(MockMonitorSource::nextSpo2(spo2, u), next);
        QCOMPARE(MockMonitorSource::nextTemperature(37.45, 0.9), 37.5);
        QCOMPARE(MockMonitorSource::nextTemperature(35.52, -0.9), 35.5);
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
        QVERIFY(!source->isConnected());
        QCOMPARE(source->readSamples(buffer, 8), 0);
        QCOMPARE(source->readSpo2(), NoSpo2Reading);
        QCOMPARE(source->readTemperature(), NoTemperatureReading);
        QTRY_VERIFY_WITH_TIMEOUT(source->isConnected(), 2000);
        QElapsedTimer sinceLinkUp;
        sinceLinkUp.start();
        const int spo2 = source->readSpo2();
        const double temperature = source->readTemperature();
        QVERIFY2(spo2 >= 96 && spo2 <= 99, qPrintable(QString::number(spo2)));
        QVERIFY(temperature >= 36.4 && temperature <= 36.6);
        QCOMPARE(source->readSpo2(), NoSpo2Reading);
        QTRY_VERIFY_WITH_TIMEOUT(source->availableSamples() > 0, 500);
        const int queued = source->availableSamples();
        QCOMPARE(source->readSamples(buffer, 0), 0);
        QCOMPARE(source->availableSamples(), queued);

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
        const std::vector<short> oddPlayed = drain(*halfSample);
        QVERIFY(oddPlayed.size() > 100);
        for (size_t i = 0; i < oddPlayed.size(); ++i)
            QCOMPARE(oddPlayed[i], short(i % 2 == 0 ? 10 : 20));
        // Without a usable file the vitals still flow and no ECG comes.
        for (auto *s : {none.get(), absent.get()}) {
            QVERIFY(s->isConnected());
            QCOMPARE(s->availableSamples(), 0);
            QVERIFY(s->readSpo2() >= 90 && s->readTemperature() >= 35.5);
        }
    }

    void restartKeepsQueuesAndBringsTheLinkUpAgain()
    {
        QTemporaryDir folder;
        auto source = sourceIn(folder.path(), QByteArray("\x01\x00\x02\x00\x03\x00", 6));
        source->start();
        QTRY_VERIFY_WITH_TIMEOUT(source->availableSamples() > 10, 3500);
        source->stop();
        const int kept = source->availableSamples();
        QTest::qWait(120);
        QCOMPARE(source->availableSamples(), kept);
        QVERIFY(source->isConnected());
        source->start();
        QVERIFY(!source->isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(source->isConnected(), 2500);
        QTRY_VERIFY_WITH_TIMEOUT(source->availableSamples() > kept, 500);
        // The file goes on from where it stopped; the walk goes on in its limits.
        const std::vector<short> all = drain(*source);
        for (size_t i = 0; i < all.size(); ++i)
            QCOMPARE(all[i], short(i % 3 + 1));
        int readings = 0;
        for (int spo2; (spo2 = source->readSpo2()) >= 0; ++readings)
            QVERIFY(spo2 >= 90 && spo2 <= 100);
        QVERIFY(readings >= 2);
        QCOMPARE(source->samplingRate(), 250);
        QCOMPARE(source->batteryVoltage(), 2.5);
        QCOMPARE(QByteArray(source->errorString()), QByteArray());
    }
};

QTEST_GUILESS_MAIN(TestMockMonitorSource)
#include "tst_mockmonitorsource.moc"
