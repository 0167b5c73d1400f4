#include "acquisition/mockmonitorsource.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

namespace {

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray samplesToBytes(const std::vector<short> &samples)
{
    QByteArray bytes;
    for (short s : samples) {
        bytes.append(char(quint16(s) & 0xff));
        bytes.append(char(quint16(s) >> 8));
    }
    return bytes;
}

// A source constructed with `folder` as working directory, so that it opens
// the replay file found there (or none).
std::unique_ptr<MockMonitorSource> sourceIn(const QString &folder)
{
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
    int n;
    while ((n = source.readSamples(buffer, 1000)) > 0)
        out.insert(out.end(), buffer, buffer + n);
    return out;
}

} // namespace

class TestMockMonitorSource : public QObject
{
    Q_OBJECT

private slots:
    void randomWalkSteps_data();
    void randomWalkSteps();
    void runsInALoopAfterTheLinkComesUp();
    void restartKeepsQueuesAndBringsTheLinkUpAgain();
};

void TestMockMonitorSource::randomWalkSteps_data()
{
    QTest::addColumn<int>("spo2");
    QTest::addColumn<double>("u");
    QTest::addColumn<int>("nextSpo2");
    QTest::newRow("truncates towards zero") << 98 << -0.6 << 96;
    QTest::newRow("capped at 100") << 100 << 0.9 << 100;
    QTest::newRow("floored at 90") << 90 << -1.0 << 90;
}

void TestMockMonitorSource::randomWalkSteps()
{
    QFETCH(int, spo2);
    QFETCH(double, u);
    QFETCH(int, nextSpo2);
    QCOMPARE(MockMonitorSource::nextSpo2(spo2, u), nextSpo2);
    // The temperature walk is held inside its limits the same way.
    QCOMPARE(MockMonitorSource::nextTemperature(37.45, 0.9), 37.5);
    QCOMPARE(MockMonitorSource::nextTemperature(35.52, -0.9), 35.5);
}

void TestMockMonitorSource::runsInALoopAfterTheLinkComesUp()
{
    QTemporaryDir normal, oddBytes, empty, missing;
    const std::vector<short> replay = {1, 2, 3, 4, 5, 6, -7};
    writeBytes(normal.filePath("ecg250-1.dat"), samplesToBytes(replay));
    writeBytes(oddBytes.filePath("ecg250-1.dat"), samplesToBytes({10, 20}) + QByteArray(1, '\x05'));
    writeBytes(empty.filePath("ecg250-1.dat"), QByteArray());

    auto source = sourceIn(normal.path());
    auto odd = sourceIn(oddBytes.path());
    auto none = sourceIn(empty.path());
    auto absent = sourceIn(missing.path());
    for (auto *s : {source.get(), odd.get(), none.get(), absent.get()})
        s->start();

    // Nothing flows while the simulated link comes up.
    short buffer[1000];
    QTest::qWait(900);
    QVERIFY(!source->isConnected());
    QCOMPARE(source->readSamples(buffer, 1000), 0);
    QCOMPARE(source->readSpo2(), NoSpo2Reading);

    QTRY_VERIFY_WITH_TIMEOUT(source->isConnected(), 2000);
    QElapsedTimer sinceLinkUp;
    sinceLinkUp.start();
    const int spo2 = source->readSpo2();
    const double temperature = source->readTemperature();
    QVERIFY2(spo2 >= 96 && spo2 <= 99, qPrintable(QString::number(spo2)));
    QVERIFY(temperature >= 36.4 && temperature <= 36.6);
    QCOMPARE(source->readSpo2(), NoSpo2Reading);

    // readSamples(…, 0) moves nothing.
    QTRY_VERIFY_WITH_TIMEOUT(source->availableSamples() > 0, 500);
    const int queued = source->availableSamples();
    QCOMPARE(source->readSamples(buffer, 0), 0);
    QCOMPARE(source->availableSamples(), queued);

    QTest::qWait(1200);
    const qint64 elapsed = sinceLinkUp.elapsed();
    const std::vector<short> played = drain(*source);
    QCOMPARE(source->availableSamples(), 0);
    // Paced by the clock: what is due, at most a tick behind. The link came up
    // up to one polling step before sinceLinkUp started.
    QVERIFY2(qint64(played.size()) <= (elapsed + 80) * 250 / 1000, qPrintable(QString::number(played.size())));
    QVERIFY(qint64(played.size()) >= (elapsed - 250) * 250 / 1000);
    // The file plays from its start, then again without a gap or repeat.
    for (size_t i = 0; i < played.size(); ++i)
        QCOMPARE(played[i], replay[i % replay.size()]);

    // A trailing half sample is never delivered.
    const std::vector<short> oddPlayed = drain(*odd);
    QVERIFY(oddPlayed.size() > 100);
    for (size_t i = 0; i < oddPlayed.size(); ++i)
        QCOMPARE(oddPlayed[i], short(i % 2 == 0 ? 10 : 20));

    // Without a usable file the vitals still flow and no ECG comes.
    for (auto *s : {none.get(), absent.get()}) {
        QVERIFY(s->isConnected());
        QCOMPARE(s->availableSamples(), 0);
        QVERIFY(s->readSpo2() >= 90);
        QVERIFY(s->readTemperature() >= 35.5);
    }
}

void TestMockMonitorSource::restartKeepsQueuesAndBringsTheLinkUpAgain()
{
    QTemporaryDir folder;
    writeBytes(folder.filePath("ecg250-1.dat"), samplesToBytes({1, 2, 3}));
    auto source = sourceIn(folder.path());
    source->start();
    QTRY_VERIFY_WITH_TIMEOUT(source->availableSamples() > 10, 3500);
    source->stop();
    const int kept = source->availableSamples();
    QTest::qWait(120);
    QCOMPARE(source->availableSamples(), kept);
    QVERIFY(source->isConnected());   // stays reported up after a stop

    source->start();
    QVERIFY(!source->isConnected());
    QTRY_VERIFY_WITH_TIMEOUT(source->isConnected(), 2500);
    QTRY_VERIFY_WITH_TIMEOUT(source->availableSamples() > kept, 500);
    // The walk continues and the file goes on from where it stopped.
    const std::vector<short> all = drain(*source);
    for (size_t i = 0; i < all.size(); ++i)
        QCOMPARE(all[i], short(i % 3 + 1));
    int readings = 0;
    for (int spo2; (spo2 = source->readSpo2()) >= 0; ++readings)
        QVERIFY(spo2 >= 90 && spo2 <= 100);
    QVERIFY(readings >= 2);
}

QTEST_GUILESS_MAIN(TestMockMonitorSource)
#include "tst_mockmonitorsource.moc"
