#include "writefile.h"

#include "storage/patientrecord.h"
#include "storage/recordingheader.h"
#include "storage/sessiondata.h"
#include "storage/storageerror.h"
#include "storage/tfilesignal.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

namespace {

// Counts appends, to check that every append form notifies.
struct CountingListener : TSignalListener
{
    int calls = 0;
    void signalChanged() override { ++calls; }
};

QJsonObject stationHeader(int rate = 250, int resolution = 9, QJsonArray channels = {"V5"},
                          const QString &format = QStringLiteral("short"))
{
    QJsonObject ecg{{"sampleFormat", format}, {"samplingRate", rate}, {"resolution", resolution},
                    {"gainMin", -6.0}, {"gainMax", 6.0}, {"channels", channels}};
    return QJsonObject{{"study", QJsonObject{{"studyType", "Monitor session"}}}, {"ecg", ecg}};
}

} // namespace

class TestTFileSignal : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void appendGrowsFileAndCounts();
    void appendReachesDiskAtOnce();
    void appendForms();
    void oddSizedFileRoundsDown();
    void blocksAndTailWindow();
    void tailWindowFollowsAppends();
    void shortBlockReadIsZeroFilled();
    void openRecordingFile();
    void openRecordingRejects_data();
    void openRecordingRejects();
    void headerFillingWholeArea();
    void createAndOpenFailures();
    void longPatientTextsAreShortened_data();
    void longPatientTextsAreShortened();

private:
    QString newPath();
    static QByteArray headerBytes(const QJsonObject &header);
    QTemporaryDir m_dir;
    int m_fileNumber = 0;
};

void TestTFileSignal::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

QString TestTFileSignal::newPath()
{
    return m_dir.filePath(QStringLiteral("rec%1.nvecg").arg(++m_fileNumber));
}

QByteArray TestTFileSignal::headerBytes(const QJsonObject &header)
{
    QByteArray area = "NVECG1" + QJsonDocument(header).toJson(QJsonDocument::Compact);
    area.append(QByteArray(4096 - area.size(), '\0'));
    return area;
}

void TestTFileSignal::appendGrowsFileAndCounts()
{
    const QString path = newPath();
    TFileSignal s(path, 1, 250, 4096, true);
    QCOMPARE(QFileInfo(path).size(), 4096);
    std::vector<qint16> v(250);
    for (int i = 0; i < 250; ++i)
        v[i] = qint16(i - 100);
    const qint16 *channels[] = {v.data()};
    s.appendChannels(channels, 250);
    QCOMPARE(QFileInfo(path).size(), 4596);
    QCOMPARE(s.sample(0, 249), 149);
    QCOMPARE(s.sample(0, 250), 0);
    QCOMPARE(s.duration(), 1.0);
    // The header written afterwards leaves the samples alone.
    s.writeHeader(QByteArray(5000, 'x'));
    QCOMPARE(QFileInfo(path).size(), 4596);
    QCOMPARE(s.sample(0, 0), -100);
}

void TestTFileSignal::appendReachesDiskAtOnce()
{
    const QString path = newPath();
    TFileSignal s(path, 2, 250, 4096, true);
    const qint16 frame[3] = {1, -2, 3}; // one and a half frames: the half is dropped
    s.appendInterleaved(frame, sizeof frame);
    // Another reader sees the samples while the recording is still open.
    QFile reader(path);
    QVERIFY(reader.open(QIODevice::ReadOnly));
    const QByteArray bytes = reader.readAll();
    QCOMPARE(bytes.size(), 4096 + 4);
    QCOMPARE(qFromLittleEndian<qint16>(bytes.constData() + 4098), qint16(-2));
}

void TestTFileSignal::appendForms()
{
    TFileSignal s(newPath(), 2, 250, 4096, true);
    CountingListener listener;
    s.addListener(&listener);
    const qint16 frames[4] = {1, 2, 3, 4};
    s.appendInterleaved(frames, sizeof frames);
    const qint16 a[2] = {5, 7}, b[2] = {6, 8};
    const qint16 *ch[] = {a, b};
    s.appendChannels(ch, 2);
    const double da[3] = {1.9, -1.9, 70000.0}, db[3] = {-32769.0, 32768.0, -0.5};
    const double *dch[] = {da, db};
    s.appendChannelsF64(dch, 3);
    s.removeListener(&listener);
    QCOMPARE(listener.calls, 3);
    QCOMPARE(s.sampleCount(), 7);
    const int c0[] = {1, 3, 5, 7, 1, -1, 70000 - 65536};
    const int c1[] = {2, 4, 6, 8, 32767, -32768, 0};
    for (int i = 0; i < 7; ++i) {
        QCOMPARE(s.sample(0, i), c0[i]);
        QCOMPARE(s.sample(1, i), c1[i]);
    }
}

void TestTFileSignal::oddSizedFileRoundsDown()
{
    const QString path = newPath();
    writeFile(path, QByteArray(4097, '\0'));
    TFileSignal s(path, 1, 250, 4096, false);
    QCOMPARE(s.sampleCount(), 0);
    QCOMPARE(s.sample(0, 0), 0);
}

void TestTFileSignal::blocksAndTailWindow()
{
    const QString path = newPath();
    {
        TFileSignal w(path, 1, 250, 4096, true);
        std::vector<qint16> v(2500);
        for (int i = 0; i < 2500; ++i)
            v[i] = qint16(i * 7 - 9000);
        const qint16 *ch[] = {v.data()};
        w.appendChannels(ch, 2500);
    }
    TFileSignal s(path, 1, 250, 4096, false);
    QCOMPARE(s.blockCount(), 2);
    // The tail is served without touching the page cache.
    QCOMPARE(s.sample(0, 2000), 2000 * 7 - 9000);
    QCOMPARE(s.sample(0, 2499), 2499 * 7 - 9000);
    QCOMPARE(s.cachedPageCount(), 0);
    QCOMPARE(s.sample(0, 1999), 1999 * 7 - 9000);
    QCOMPARE(s.sample(0, 0), -9000);
    QCOMPARE(s.cachedPageCount(), 2);
    QVERIFY(s.readBlock(0, 2) == nullptr);

    std::vector<double> out(2500);
    s.readRange(0, 0, 2500, out.data());
    for (int i = 0; i < 2500; i += 97)
        QCOMPARE(out[i], double(i * 7 - 9000));
    QCOMPARE(out[2499], double(2499 * 7 - 9000));
}

void TestTFileSignal::tailWindowFollowsAppends()
{
    TFileSignal s(newPath(), 1, 250, 4096, true);
    std::vector<qint16> v(40000);
    for (int i = 0; i < 40000; ++i)
        v[i] = qint16(i % 30000);
    const qint16 *ch[] = {v.data()};
    s.appendChannels(ch, 500);
    QCOMPARE(s.sample(0, 499), 499);
    // Samples appended after the window was loaded are still found.
    const qint16 *rest[] = {v.data() + 500};
    s.appendChannels(rest, 39199 - 500);
    QCOMPARE(s.blockCount(), 39);
    QCOMPARE(s.sample(0, 39198), 39198 % 30000);
    QCOMPARE(s.sample(0, 39000), 39000 % 30000);
    QCOMPARE(s.sample(0, 38999), 38999 % 30000);
}

void TestTFileSignal::shortBlockReadIsZeroFilled()
{
    // A recording opened for one channel rate but read as two channels has
    // a last block shorter than the frames it needs: the gap reads as zero.
    const QString path = newPath();
    QByteArray bytes(4096, '\0');
    for (int i = 0; i < 2100; ++i) {
        const qint16 v = qToLittleEndian<qint16>(qint16(i + 1));
        bytes.append(reinterpret_cast<const char *>(&v), 2);
    }
    writeFile(path, bytes);
    TFileSignal s(path, 1, 250, 4096, false);
    QCOMPARE(s.blockCount(), 2);
    // Shrink the file under the open signal: block 1 is now half missing.
    QVERIFY(QFile::resize(path, 4096 + 2 * 1500));
    qint16 *block = s.readBlock(0, 1);
    QCOMPARE(int(block[0]), 1001);
    QCOMPARE(int(block[499]), 1500);
    QCOMPARE(int(block[500]), 0);
    QCOMPARE(int(block[999]), 0);
    s.freeBlock(block);
}

void TestTFileSignal::openRecordingFile()
{
    const QString path = newPath();
    QByteArray bytes = headerBytes(stationHeader(250, 9, {"V5", "II"}));
    for (int i = 0; i < 6; ++i) {
        const qint16 v = qToLittleEndian<qint16>(qint16(100 + i));
        bytes.append(reinterpret_cast<const char *>(&v), 2);
    }
    writeFile(path, bytes);
    QJsonObject header;
    QVERIFY(TFileSignal::readRecordingHeader(path, header));
    QCOMPARE(header.value("ecg").toObject().value("samplingRate").toInt(), 250);
    auto s = TFileSignal::openRecordingFile(path);
    QVERIFY(s);
    QCOMPARE(s->channelCount(), 2);
    QCOMPARE(s->channelName(0), QStringLiteral("V5"));
    QCOMPARE(s->channelName(1), QStringLiteral("II"));
    QCOMPARE(s->lsb(), 12.0 / 512.0);
    QCOMPARE(s->sample(1, 2), 105);
}

void TestTFileSignal::openRecordingRejects_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QJsonObject emptyEcg = stationHeader();
    emptyEcg.insert("ecg", QJsonObject());
    QJsonArray seventeen;
    for (int i = 0; i < 17; ++i)
        seventeen.append(QStringLiteral("C%1").arg(i));
    QTest::newRow("five bytes") << QByteArray("NVECG");
    QTest::newRow("wrong magic") << headerBytes(stationHeader()).replace(0, 6, "NVECG2");
    QTest::newRow("not json") << QByteArray("NVECG1{\"ecg\":").append(QByteArray(4083, '\0'));
    QTest::newRow("empty ecg") << headerBytes(emptyEcg);
    QTest::newRow("rate negative") << headerBytes(stationHeader(-250));
    QTest::newRow("resolution zero") << headerBytes(stationHeader(250, 0));
    QTest::newRow("no channels") << headerBytes(stationHeader(250, 9, QJsonArray()));
    QTest::newRow("too many channels") << headerBytes(stationHeader(250, 9, seventeen));
    QTest::newRow("no sample format") << headerBytes(stationHeader(250, 9, {"V5"}, QString()));
}

void TestTFileSignal::openRecordingRejects()
{
    QFETCH(QByteArray, bytes);
    const QString path = newPath();
    writeFile(path, bytes);
    QVERIFY(!TFileSignal::openRecordingFile(path));
    QVERIFY(!TFileSignal::openRecordingFile(m_dir.filePath("missing.nvecg")));
}

void TestTFileSignal::headerFillingWholeArea()
{
    // Magic and JSON fill all 4096 bytes, so no zero byte ends the JSON;
    // the samples right behind it must not be read as part of it.
    QJsonObject header = stationHeader();
    const int plain = int(QJsonDocument(header).toJson(QJsonDocument::Compact).size());
    header.insert("note", QString(4090 - plain - 10, QLatin1Char('n')));
    QByteArray bytes = "NVECG1" + QJsonDocument(header).toJson(QJsonDocument::Compact);
    QCOMPARE(bytes.size(), 4096);
    bytes.append("\x11\x22\x33\x44", 4);
    const QString path = newPath();
    writeFile(path, bytes);
    auto s = TFileSignal::openRecordingFile(path);
    QVERIFY(s);
    QCOMPARE(s->sampleCount(), 2);
    QCOMPARE(s->sample(0, 0), 0x2211);
}

void TestTFileSignal::createAndOpenFailures()
{
    try {
        TFileSignal s(m_dir.filePath("no/folder/x.nvecg"), 1, 250, 4096, true);
        QFAIL("no exception");
    } catch (const StorageError &e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Cannot create file"));
    }
    try {
        TFileSignal s(m_dir.filePath("missing.nvecg"), 1, 250, 4096, false);
        QFAIL("no exception");
    } catch (const StorageError &e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Cannot open file"));
    }
}

void TestTFileSignal::longPatientTextsAreShortened_data()
{
    QTest::addColumn<QString>("comments");
    QTest::addColumn<QString>("medication");
    QTest::newRow("one long text") << QString(6000, QLatin1Char('c')) << QStringLiteral("aspirin");
    QTest::newRow("escaped text") << QString(3000, QChar(0x01)) << QString(100, QLatin1Char('"'));
    QTest::newRow("accents") << QString(2500, QChar(0x00F1)) << QString(1000, QChar(0x20AC));
    QTest::newRow("surrogates") << QString::fromUtf8(QByteArray(6000, 'a')).replace(
        QLatin1Char('a'), QString::fromUtf8("\xF0\x9F\x92\x93"))
                                << QStringLiteral("none");
}

void TestTFileSignal::longPatientTextsAreShortened()
{
    QFETCH(QString, comments);
    QFETCH(QString, medication);
    const QString path = newPath();
    {
        TFileSignal s(path, 1, 250, 4096, true);
        s.setRange(-6.0, 6.0);
        s.setResolutionBits(9);
        s.setChannelName(0, QStringLiteral("V5"));
        PatientRecord p;
        p.uuid = QUuid::createUuid();
        p.firstName = QStringLiteral("Ana");
        p.lastName = QStringLiteral("Gómez");
        p.comments = comments;
        p.medication = medication;
        const QByteArray bytes = recordingHeaderBytes(s, p, SessionData(), 4096);
        QVERIFY(bytes.size() <= 4096);
        s.writeHeader(bytes);
    }
    // The recording opens, with a complete header that keeps the names and
    // the uuid whole and only shortens the long texts.
    QJsonObject header;
    QVERIFY(TFileSignal::readRecordingHeader(path, header));
    const QJsonObject patient = header.value("patient").toObject();
    QCOMPARE(patient.value("lastName").toString(), QStringLiteral("Gómez"));
    QCOMPARE(patient.value("uuid").toString().size(), 38);
    QVERIFY(comments.startsWith(patient.value("comments").toString()));
    QVERIFY(medication.startsWith(patient.value("medication").toString()));
    QVERIFY(patient.value("comments").toString().size() < comments.size());
}

QTEST_GUILESS_MAIN(TestTFileSignal)
#include "tst_tfilesignal.moc"
