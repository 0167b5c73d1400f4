// The records of a patient and a session: their JSON forms, study files on
// disk (also when the disk is full, and within the bounds a reader accepts),
// names made safe for files; and recording files: what reaches the disk and
// when, writing again once the disk takes it with what was lost marked,
// reading one or several channels back through blocks and the tail, the
// header and the files that are not recordings or not files at all.

#include "../common/testsignals.h"
#include "../common/teststorage.h"

#include "dsp/tfilteredsignal.h"
#include "storage/recordingheader.h"
#include "storage/safefilename.h"
#include "storage/studyfile.h"
#include "storage/tfilesignal.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QtEndian>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

namespace {

// A whole study as the station writes it, every value set.
QJsonObject fullStudy()
{
    QJsonObject study = QJsonDocument::fromJson(R"({
        "study": {"studyType": "Monitor session", "studyDateTime": "20260201093005"},
        "session": {"sessionNumber": 3, "presence": true, "startDateTime": "20260201093005", "exerciseType": "Bike",
                    "weight": 81.5, "height": 172, "abdomen": 98.25, "borgRPE": 13, "symptoms": "none", "conclusion": "good"},
        "results": {"hrTrend": [0, 72, 75], "spo2Trend": [0, 97, 98], "tempTrend": [0, 36.5, 36.6], "pvcTrend": [0, 2, 5],
                    "checkpoints": [
            {"phase": "Basal", "timeOffset": 0, "heartRate": 0, "sysBP": 0, "diaBP": 0},
            {"phase": "IntraExercise", "timeOffset": 120.5, "heartRate": 110, "sysBP": 150, "diaBP": 85},
            {"phase": "PostExercise", "timeOffset": 300, "heartRate": 90, "sysBP": 130, "diaBP": 80}]},
        "events": [{"description": "BP 150/85", "timeOffset": 12, "print": true},
                   {"description": "Stop monitoring", "timeOffset": 40, "print": false}]})").object();
    study.insert("patient", fullPatient().toJson());
    return study;
}


QByteArray littleEndian(const std::vector<qint16> &samples)
{
    QByteArray bytes;
    for (qint16 v : samples) {
        const qint16 le = qToLittleEndian(v);
        bytes.append(reinterpret_cast<const char *>(&le), 2);
    }
    return bytes;
}

QJsonObject stationHeader(int rate = 250, int resolution = 9, QJsonArray channels = {"V5"}, const QString &format = "short")
{
    return {{"study", QJsonObject{{"studyType", "Monitor session"}}},
            {"ecg", QJsonObject{{"sampleFormat", format}, {"samplingRate", rate}, {"resolution", resolution},
                                {"gainMin", -6.0}, {"gainMax", 6.0}, {"channels", channels}}}};
}

QByteArray headerArea(const QJsonObject &header)
{
    const QByteArray area = "NVECG1" + QJsonDocument(header).toJson(QJsonDocument::Compact);
    return area + QByteArray(4096 - area.size(), '\0');
}


} // namespace

class TestRecords : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_files = 0;
    QString newPath() { return m_dir.filePath(QStringLiteral("rec%1.nvecg").arg(++m_files)); }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void patientRecordJson()
    {
        // Every field goes out and comes back under its own key.
        const PatientRecord p = fullPatient();
        QVERIFY(p.lastName == "lastName ñ");
        QVERIFY(p.conclusion == "conclusion ñ");
        QVERIFY(p.birthDate == QDate(1956, 3, 9));
        const QJsonObject o = p.toJson();
        QCOMPARE(o.keys().size(), 20);
        for (const QString &key : o.keys())
            QVERIFY(key == "uuid" || key == "birthDate" || o.value(key).toString() == key + QStringLiteral(" ñ"));
        QVERIFY(o.value("uuid") == "{0f8fad5b-d9cb-469f-a165-70867728950e}");
        QVERIFY(o.value("birthDate") == "19560309");
        QCOMPARE(p.displayName(), QStringLiteral("lastName ñ, firstName ñ"));
        // Missing or broken values give empty ones.
        const PatientRecord empty = PatientRecord::fromJson({{"birthDate", "1956"}, {"uuid", "garbage"}});
        QVERIFY(!empty.birthDate.isValid());
        QVERIFY(empty.uuid.isNull());
        QVERIFY(empty.city.isEmpty());
        QVERIFY(empty.id == 0);
        QVERIFY(empty.toJson().value("birthDate") == "");
    }

    void monitorSessionRecord()
    {
        SessionData d;
        d.startDateTime = QDateTime::currentDateTime().addSecs(-65);
        MonitorSession s(d);
        QCOMPARE(s.lastHeartRate() + s.lastSpo2() + s.lastTemperature(), 0.0);
        s.hrTrend = {70, 81};
        s.spo2Trend = {97, 95};
        s.tempTrend = {36.5, 36.7};
        QCOMPARE(QVector<double>({double(s.lastHeartRate()), double(s.lastSpo2()), s.lastTemperature()}),
                 QVector<double>({81, 95, 36.7}));
        // Only phases 1 to 3 hold a checkpoint.
        for (int phase : {0, 1, 3, 4})
            s.setCheckpoint(phase, Checkpoint{1.0, 2, phase, 4});
        const int stored[] = {0, 1, 0, 3, 0};
        for (int phase = 0; phase <= 4; ++phase)
            QCOMPARE(s.checkpoint(phase).sysBP, stored[phase]);
        s.addEvent(QStringLiteral("Start"));
        QVERIFY(s.events[0].timeOffset >= 65);
        QVERIFY(s.events[0].timeOffset <= 66);
        QVERIFY(!s.events[0].print);
        QCOMPARE(MonitorSession::phaseFromName(QStringLiteral("Recovery")), 0);
    }

    void studyFileRoundTrip()
    {
        // Read into a session and written again, a study comes back whole.
        const QJsonObject study = fullStudy();
        const auto s = sessionFromStudy(study, 7, 3);
        QVERIFY(s->patientId == 7);
        QVERIFY(studyJson(*s, fullPatient()) == study);
        const QString path = m_dir.filePath(QStringLiteral("round.nvstudy"));
        writeStudyFile(*s, fullPatient(), path);
        // "NVSTUDY2" and qCompress: the big-endian length of the compact JSON, then zlib.
        const QByteArray bytes = readFile(path), json = QJsonDocument(study).toJson(QJsonDocument::Compact);
        QVERIFY(bytes.left(8) == "NVSTUDY2");
        QVERIFY(qFromBigEndian<quint32>(bytes.constData() + 8) == quint32(json.size()));
        QCOMPARE(qUncompress(bytes.mid(8)), json);
        QJsonDocument doc;
        QVERIFY(readStudyFile(path, doc));
        QVERIFY(doc.object() == study);

        // From other writers: wrong types and missing values give defaults, an
        // unknown phase is ignored and a later checkpoint of a phase wins.
        const auto other = sessionFromStudy(QJsonDocument::fromJson(
            R"({"session": {"borgRPE": "x", "weight": "heavy"}, "events": [{"description": "a"}],
                "results": {"hrTrend": [60, "x"], "checkpoints": [{"phase": "Recovery", "sysBP": 1},
                            {"phase": "Basal", "sysBP": 120}, {"phase": "Basal", "sysBP": 125}]}})").object(), 1, 1);
        QVERIFY(!other->presence);
        QVERIFY(other->borgRPE == 0);
        QVERIFY(other->weight == 0.0);
        QVERIFY(other->spo2Trend.isEmpty());
        QVERIFY(other->hrTrend == (QVector<int>{60, 0}));
        QVERIFY(other->checkpoint(PhaseBasal).sysBP == 125);
        QVERIFY(other->events.size() == 1);
        QVERIFY(!other->events[0].print);
        // Without PVC counts the file gets no key for them, as older files had none.
        QVERIFY(!studyJson(*other, fullPatient()).value("results").toObject().contains("pvcTrend"));
    }

    void studyFilesOfOtherKinds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("json"); // what is read; null when the file is refused
        const QByteArray good = qCompress(QByteArray("{\"a\":1}"));
        QTest::newRow("seven bytes") << QByteArray("NVSTUDY") << QString();
        QTest::newRow("magic only") << QByteArray("NVSTUDY2") << QString();
        QTest::newRow("other magic") << QByteArray("NVSTUDY3{\"a\":1}") << QString();
        QTest::newRow("foreign file") << QByteArray("PK\x03\x04 not a study") << QString();
        QTest::newRow("plain JSON") << QByteArray("NVSTUDY1{\"a\":1}") << "{\"a\":1}";
        QTest::newRow("damaged compression") << "NVSTUDY2" + good.left(good.size() - 4) + "xxxx" << QString();
        QTest::newRow("truncated JSON") << QByteArray("NVSTUDY1{\"a\":[1,2") << QString();
        QTest::newRow("deeply nested") << "NVSTUDY1{\"a\":" + QByteArray(5000, '[') + QByteArray(5000, ']') + "}" << QString();
    }

    void studyFilesOfOtherKinds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, json);
        const QString path = m_dir.filePath(QStringLiteral("other.nvstudy"));
        QVERIFY(writeFile(path, bytes));
        QJsonDocument doc;
        QString why;
        QCOMPARE(readStudyFile(path, doc, &why), !json.isNull());
        QCOMPARE(why.isEmpty(), !json.isNull()); // a refusal always says why
        if (!json.isNull())
            QCOMPARE(QString::fromUtf8(QJsonDocument(doc.object()).toJson(QJsonDocument::Compact)), json);
        QVERIFY(!readStudyFile(m_dir.filePath(QStringLiteral("missing.nvstudy")), doc));
    }

    void studyFileWriteFailures()
    {
        const auto s = sessionFromStudy(fullStudy(), 7, 3);
        QCOMPARE(storageErrorOf([&] { writeStudyFile(*s, fullPatient(), m_dir.filePath("no/such/folder/x.nvstudy")); }),
                 QStringLiteral("Cannot create study file"));
        const QString path = m_dir.filePath(QStringLiteral("keep.nvstudy"));
        writeStudyFile(*s, fullPatient(), path);
#ifdef Q_OS_UNIX
        // A long session no longer fits on a "full disk" (files limited to
        // 512 bytes): the error is told and the previous file stays whole.
        const QByteArray before = readFile(path);
        s->hrTrend.resize(20000);
        std::srand(1);
        for (int &v : s->hrTrend)
            v = std::rand();
        QString message;
        {
            const FileSizeLimit full(512);
            message = storageErrorOf([&] { writeStudyFile(*s, fullPatient(), path); });
        }
        QVERIFY(message == "Write error");
        QVERIFY(readFile(path) == before);
        QCOMPARE(QDir(m_dir.path()).entryList({"keep*"}, QDir::Files), QStringList{"keep.nvstudy"});
#endif
    }

    void studiesWithinBounds()
    {
        // Twelve hours with 1,003 events are written and read back whole.
        const auto s = sessionFromStudy(fullStudy(), 7, 3);
        s->hrTrend = s->spo2Trend = QVector<int>(12 * 3600, 97);
        s->tempTrend = QVector<double>(12 * 3600, 36.6);
        for (int i = 0; i < 1003; ++i)
            s->events.append(SessionEvent{i, QStringLiteral("Event %1").arg(i), i % 2 == 0});
        const QString path = m_dir.filePath(QStringLiteral("long.nvstudy"));
        writeStudyFile(*s, fullPatient(), path);
        QJsonDocument doc;
        QString why;
        QVERIFY(readStudyFile(path, doc));
        QVERIFY(sessionFromStudy(doc.object(), 1, 1)->events.size() == 1005);

        // Beyond the bounds the writer refuses and the previous file stays;
        // a patient's long text is only cut in the study's copy.
        const QByteArray before = readFile(path);
        s->events.resize(MaxStudyEvents + 1);
        QCOMPARE(storageErrorOf([&] { writeStudyFile(*s, fullPatient(), path); }),
                 QStringLiteral("The session holds 10001 events, more than 10000"));
        s->events.resize(1);
        s->events[0].description = QString(MaxStudyTextLength + 1, QLatin1Char('x'));
        QCOMPARE(storageErrorOf([&] { writeStudyFile(*s, fullPatient(), path); }),
                 QStringLiteral("The text \"description\" is longer than 65535 characters"));
        QCOMPARE(readFile(path), before);
        PatientRecord patient = fullPatient();
        patient.comments = QString(MaxStudyTextLength + 9, QLatin1Char('c'));
        s->events[0].description = QStringLiteral("ok");
        writeStudyFile(*s, patient, path);
        QVERIFY(readStudyFile(path, doc));
        QVERIFY(doc["patient"]["comments"].toString().size() == MaxStudyTextLength);

        // A file from elsewhere beyond them is refused, with the reason.
        QJsonObject hostile = fullStudy(), named = hostile.value("patient").toObject();
        named.insert("lastName", QString(10 << 20, QLatin1Char('n')));
        hostile.insert("patient", named);
        QVERIFY(writeFile(path, "NVSTUDY2" + qCompress(QJsonDocument(hostile).toJson())));
        QVERIFY(!readStudyFile(path, doc, &why));
        QVERIFY(why.contains("\"lastName\""));
    }

    void safeFileNames()
    {
        const char *cases[][2] = {{"Núñez", "Núñez"}, {"../a/b\\c", "___a_b_c"}, {"a:b*c?d\"e<f>g|h", "a_b_c_d_e_f_g_h"},
                                  {"tab\there\x7f", "tab_here_"}, {"Smith  ", "Smith _"}, {"CON", "CON_"},
                                  {"com1", "com1_"}, {"LPT9", "LPT9_"}, {"conin$", "conin$_"}, {"COM0", "COM0"},
                                  {"COM10", "COM10"}};
        for (const auto &c : cases)
            QCOMPARE(safeFileNamePart(QString::fromUtf8(c[0])), QString::fromUtf8(c[1]));
        // Two parts, the start time and the longest extension fit a 255-byte
        // file name: 64 letters, 50 two-byte ones, four-byte signs kept or
        // dropped whole.
        const QString sign = QString::fromUtf8("\xF0\x9F\x98\x80");
        QCOMPARE(safeFileNamePart(QString(70, QLatin1Char('a'))), QString(64, QLatin1Char('a')));
        QCOMPARE(safeFileNamePart(QString(64, QChar(0xE9))), QString(50, QChar(0xE9)));
        QCOMPARE(safeFileNamePart(sign.repeated(40)), sign.repeated(25));
    }

    void appendsReachTheDiskAtOnce()
    {
        const QString path = newPath();
        TFileSignal s(path, 2, 250, 4096, true);
        QCOMPARE(readFile(path), QByteArray(4096, '\0'));
        Listener listener;
        s.addListener(&listener);
        const qint16 frames[] = {1, -2, 3};
        s.appendInterleaved(frames, sizeof frames); // one and a half frames: the half is dropped
        const qint16 a[] = {5, 7}, b[] = {6, 8};
        const qint16 *channels[] = {a, b};
        s.appendChannels(channels, 2);
        // Doubles are truncated and keep their low 16 bits; beyond any number they give 0.
        const double da[] = {1.9, 70000.0, NAN}, db[] = {-32769.0, -1.9, 1e30};
        const double *doubles[] = {da, db};
        s.appendChannelsF64(doubles, 3);
        s.appendInterleaved(frames, 2);
        QCOMPARE(listener.calls, 4);
        // Another reader sees every sample while the recording is still open.
        QCOMPARE(readFile(path).mid(4096), littleEndian({1, -2, 5, 6, 7, 8, 1, 32767, 70000 - 65536, -1, 0, 0}));
        QVERIFY(s.sampleCount() == 6);
        QVERIFY(s.duration() == 6 / 250.0);
        // Writing the header afterwards leaves the samples alone.
        s.writeHeader(QByteArray(5000, 'x'));
        QVERIFY(readFile(path).size() == 4096 + 24);
        QVERIFY(readFile(path).left(4097) == QByteArray(4096, 'x') + char(1));
        s.writeHeader("NV", 2);
        QCOMPARE(readFile(path).mid(0, 4), QByteArray("NV\0\0", 4));
        QVERIFY(s.sample(1, 5) == 0);
        QVERIFY(s.sample(0, 1) == 5);
    }

    void severalChannelsReadBackThroughBlocksAndTail()
    {
        // 2600 frames of two channels: two complete blocks of 1000, then a tail.
        std::vector<qint16> frames;
        for (int i = 0; i < 2600; ++i) {
            frames.push_back(qint16(i * 7 - 9000));
            frames.push_back(qint16(-i));
        }
        const QString path = newPath();
        QVERIFY(writeFile(path, QByteArray(4096, '\0') + littleEndian(frames) + "x"));
        TFileSignal s(path, 2, 250, 4096, false);
        QVERIFY(s.sampleCount() == 2600);
        QVERIFY(s.blockCount() == 2);
        for (int channel : {0, 1}) {
            // The tail does not go through the page cache.
            for (int i : {2000, 2599, 1999, 1000, 0, 999})
                QCOMPARE(s.sample(channel, i), int(frames[size_t(2 * i + channel)]));
            const std::vector<double> all = range(s, channel, -1, 2602);
            QVERIFY(all.front() == 0.0);
            QVERIFY(all.back() == 0.0);
            for (int i = 0; i < 2600; ++i)
                QCOMPARE(all[size_t(i + 1)], double(frames[size_t(2 * i + channel)]));
        }
        QVERIFY(!s.readBlock(0, 2));
        QVERIFY(!s.readBlock(2, 0));
        QVERIFY(!s.readBlock(0, -1));
        QCOMPARE(s.sample(2, 0) + s.sample(0, 2600) + s.sample(0, -1) + s.sample(-1, 5), 0);

        // The tail of a long recording is read from inside the file, its
        // frames still interleaving both channels.
        std::vector<qint16> longer;
        for (int i = 0; i < 20500; ++i)
            longer.insert(longer.end(), {qint16(i), qint16(-i)});
        const QString longPath = newPath();
        QVERIFY(writeFile(longPath, QByteArray(4096, '\0') + littleEndian(longer)));
        TFileSignal tail(longPath, 2, 250, 4096, false);
        QCOMPARE(tail.sample(1, 20499), -20499);
        QCOMPARE(tail.sample(0, 20100), 20100);

        // Opened only to be read, the tail is a block too: a filtered view of
        // the recording reaches its last sample.
        TFileSignal readOnly(path, 2, 250, 4096, TFileSignal::Access::Read);
        TFilteredSignal view(&readOnly, nullptr);
        QVERIFY(readOnly.blockCount() == 3);
        QVERIFY(view.sampleCount() == 2600);
        QVERIFY(view.sample(1, 2599) == -2599);
        QVERIFY(view.sample(0, 2000) == 2000 * 7 - 9000);
        QVERIFY(view.sample(0, 2600) == 0);
        // Frames appended to it stay in memory, each channel in its place.
        const qint16 more[] = {11, -11, 12, -12};
        readOnly.appendInterleaved(more, sizeof(more));
        QVERIFY(readOnly.sampleCount() == 2602);
        QVERIFY(readOnly.sample(0, 2600) == 11);
        QVERIFY(readOnly.sample(1, 2601) == -12);
        QCOMPARE(range(readOnly, 1, 2599, 3), (std::vector<double>{-2599, -11, -12}));

        // A block that the file no longer holds in full reads as zeros where it ends.
        TFileSignal shrunk(path, 2, 250, 4096, false);
        QVERIFY(QFile::resize(path, 4096 + 4 * 1500));
        qint16 *block = shrunk.readBlock(1, 1);
        QVERIFY(block[499] == -1499);
        QVERIFY(block[500] == 0);
        QVERIFY(block[999] == 0);
        shrunk.freeBlock(block);
    }

    void tailFollowsAppendsOfALongRecording()
    {
        TFileSignal s(newPath(), 1, 250, 4096, true);
        std::vector<qint16> v(40000);
        for (int i = 0; i < 40000; ++i)
            v[size_t(i)] = qint16(i % 30000);
        const qint16 *first[] = {v.data()};
        s.appendChannels(first, 500);
        QCOMPARE(s.sample(0, 499), 499);
        const qint16 *rest[] = {v.data() + 500};
        s.appendChannels(rest, 39199 - 500);
        QCOMPARE(s.blockCount(), 39);
        for (int i : {39198, 39000, 38999, 20000, 0})
            QCOMPARE(s.sample(0, i), i % 30000);
    }

    void writingResumesWithWhatWasLostMarked()
    {
#ifdef Q_OS_UNIX
        // A station recording: its header, then 1000 frames on disk.
        const QString path = newPath();
        TFileSignal s(path, 1, 250, 4096, TFileSignal::Access::CreateNew);
        s.writeHeader(headerArea(stationHeader()));
        std::vector<qint16> frames(TFileSignal::PendingCapacity + 2000);
        for (size_t i = 0; i < frames.size(); ++i)
            frames[i] = qint16(i % 30000 + 1);
        auto append = [&](int from, int n) { s.appendInterleaved(frames.data() + from, 2 * n); };
        append(0, 1000);
        {
            // The disk fills 50.5 frames later: 50 frames reach it, the rest wait.
            const FileSizeLimit full(4096 + 2 * 1050 + 1);
            append(1000, 100);
            QVERIFY(s.hasWriteFailed());
            QVERIFY(s.writeError() == "File too large");
            QVERIFY(s.savedSampleCount() == 1050);
            // More than memory holds: the first 250 frames waiting are dropped.
            append(1100, TFileSignal::PendingCapacity + 200);
            QVERIFY(!s.retryWrite());
            QVERIFY(QFileInfo(path).size() == 4096 + 2 * 1050 + 1);
        }
        QVERIFY(s.retryWrite());
        QVERIFY(!s.hasWriteFailed());
        const int total = 1100 + TFileSignal::PendingCapacity + 200;
        QVERIFY(s.savedSampleCount() == total);
        QVERIFY(s.frameCount() == total);
        QVERIFY(s.sampleCount() == total);
        QCOMPARE(s.gaps(), (QVector<RecordingGap>{{1050, 250}}));

        // In the file: every sample at its time, zeros where frames were lost,
        // the gap listed in the header; later appends go straight to disk.
        auto reopened = TFileSignal::openRecordingFile(path);
        QVERIFY(reopened);
        QVERIFY(reopened->sampleCount() == total);
        QVERIFY(reopened->gaps() == s.gaps());
        for (int i : {0, 1049, 1050, 1299, 1300, total - 1})
            QCOMPARE(reopened->sample(0, i), i >= 1050 && i < 1300 ? 0 : int(frames[size_t(i)]));
        append(0, 10);
        QCOMPARE(QFileInfo(path).size(), 4096 + 2 * (total + 10));
#endif
    }

    // Gaps of lost frames and of a link interrupted while writes failed stay
    // in order and join where they touch; a header list too short for them
    // joins the neighbours with the least ECG between them.
    void gapsKeepTheirOrder()
    {
        TFileSignal s(newPath(), 1, 250, 4096, TFileSignal::Access::CreateNew);
        s.writeHeader(headerArea(stationHeader()));
        const std::vector<qint16> ecg(100, 5);
        s.appendInterleaved(ecg.data(), 200);
        s.appendGap(10);
        s.appendGap(5);
        s.appendInterleaved(ecg.data(), 40);
        s.appendGap(3);
        QCOMPARE(s.gaps(), (QVector<RecordingGap>{{100, 15}, {135, 3}}));
        QVERIFY(s.isInGap(100));
        QVERIFY(s.isInGap(114));
        QVERIFY(!s.isInGap(115));
        QVERIFY(!s.isInGap(99));
        QVERIFY(s.isInGap(137));
        const QVector<RecordingGap> many{{0, 5}, {100, 5}, {108, 2}, {200, 5}, {203 + 50, 1}};
        QCOMPARE(listedGaps(many, 3), (QVector<RecordingGap>{{0, 5}, {100, 10}, {200, 54}}));
        QCOMPARE(listedGaps(many, 5), many);
    }

    void onlyRegularFilesAreOpened()
    {
#ifdef Q_OS_UNIX
        // A pipe would block the reader for ever; a folder cannot be read.
        const QString pipe = m_dir.filePath(QStringLiteral("pipe.nvecg")), folder = m_dir.filePath("folder.nvstudy");
        QVERIFY(mkfifo(QFile::encodeName(pipe).constData(), 0600) == 0);
        QVERIFY(QDir().mkdir(folder));
        for (const QString &path : {pipe, folder}) {
            QJsonObject header;
            QJsonDocument study;
            QString why;
            QVERIFY(!TFileSignal::readRecordingHeader(path, header));
            QVERIFY(!TFileSignal::openRecordingFile(path));
            QVERIFY(!readStudyFile(path, study, &why));
            QVERIFY(why == "Not a regular file");
            QCOMPARE(storageErrorOf([&] { TFileSignal(path, 1, 250, 4096, false); }), QStringLiteral("Cannot open file"));
        }
#endif
    }

    void recordingHeaderRoundTrip()
    {
        const QString path = newPath();
        PatientRecord patient;
        patient.uuid = QUuid::createUuid();
        patient.lastName = QStringLiteral("Gómez");
        patient.comments = QString(6000, QLatin1Char('c'));
        patient.medication = QString(100, QLatin1Char('"'));
        SessionData data;
        data.sessionNumber = 3;
        data.startDateTime = QDateTime(QDate(2026, 2, 1), QTime(9, 30, 5));
        data.exerciseType = QStringLiteral("Treadmill");
        data.weight = 81.5;
        data.height = 172;
        data.abdomen = 98.25;
        {
            TFileSignal s(path, 2, 500, 4096, true);
            s.setRange(-6.0, 6.0);
            s.setResolutionBits(9);
            s.setChannelName(0, QStringLiteral("V5"));
            s.setChannelName(1, QStringLiteral("II"));
            const QByteArray bytes = recordingHeaderBytes(s, patient, data, 4096);
            QVERIFY(bytes.size() <= 4096);
            s.writeHeader(bytes);
        }
        QJsonObject header;
        QVERIFY(TFileSignal::readRecordingHeader(path, header));
        QCOMPARE(header.value("session").toObject(),
                 (QJsonObject{{"sessionNumber", 3}, {"startDateTime", "20260201093005"}, {"exerciseType", "Treadmill"},
                              {"weight", 81.5}, {"height", 172.0}, {"abdomen", 98.25}}));
        QCOMPARE(header.value("ecg").toObject(),
                 (QJsonObject{{"sampleFormat", "short"}, {"samplingRate", 500}, {"resolution", 9}, {"gainMin", -6.0},
                              {"gainMax", 6.0}, {"channels", QJsonArray{"V5", "II"}}}));
        QCOMPARE(header.value("study").toObject().value("studyDateTime").toString(), QStringLiteral("20260201093005"));
        // Only the long texts are shortened; names and the uuid stay whole.
        const QJsonObject stored = header.value("patient").toObject();
        QVERIFY(stored.value("lastName") == patient.lastName);
        QVERIFY(stored.value("uuid") == patient.uuid.toString());
        QVERIFY(stored.value("medication") == patient.medication);
        QVERIFY(stored.value("comments").toString().size() > 2500);
        QVERIFY(patient.comments.startsWith(stored.value("comments").toString()));

        auto s = TFileSignal::openRecordingFile(path);
        QVERIFY(s);
        QVERIFY(s->channelCount() == 2);
        QVERIFY(s->rate() == 500);
        QVERIFY(s->channelName(1) == QStringLiteral("II"));
        QVERIFY(s->lsb() == 12.0 / 512.0);
        QVERIFY(s->minimum() == -6.0);
        QVERIFY(s->blockLength() == 2000);
    }

    void headersThatNeedShortening_data()
    {
        // kept: characters at least left of the two texts together.
        QTest::addColumn<QString>("comments");
        QTest::addColumn<QString>("exerciseType");
        QTest::addColumn<int>("kept");
        QTest::newRow("escaped text") << QString(3000, QChar(0x01)) << "Bike" << 4;
        QTest::newRow("accents") << QString(2500, QChar(0x00F1)) << "Bike" << 800;
        QTest::newRow("surrogates") << QString::fromUtf8(QByteArray(1200 * 4, 'a')).replace("aaaa", "\xF0\x9F\x92\x93")
                                    << "Bike" << 1000;
        QTest::newRow("exercise type") << "short" << QString(5000, QLatin1Char('e')) << 2500;
    }

    void headersThatNeedShortening()
    {
        QFETCH(QString, comments);
        QFETCH(QString, exerciseType);
        QFETCH(int, kept);
        PatientRecord patient;
        patient.comments = comments;
        SessionData data;
        data.exerciseType = exerciseType;
        data.startDateTime = QDateTime(QDate(2026, 2, 1), QTime(9, 30, 5));
        TFileSignal s(newPath(), 1, 250, 4096, true);
        const QByteArray bytes = recordingHeaderBytes(s, patient, data, 4096);
        QVERIFY(bytes.size() <= 4096);
        s.writeHeader(bytes);
        QJsonObject header;
        QVERIFY(TFileSignal::readRecordingHeader(s.path(), header));
        const QString back = header.value("patient").toObject().value("comments").toString();
        const QString type = header.value("session").toObject().value("exerciseType").toString();
        QVERIFY(comments.startsWith(back));
        QVERIFY(exerciseType.startsWith(type));
        QVERIFY2(back.size() + type.size() >= kept, qPrintable(QString::number(back.size() + type.size())));
        // Identity and dates keep their full form.
        QCOMPARE(header.value("session").toObject().value("startDateTime").toString(), QStringLiteral("20260201093005"));
        QCOMPARE(header.value("patient").toObject().value("uuid").toString(), QUuid().toString());
    }

    void filesThatAreNotRecordings_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QJsonObject emptyEcg = stationHeader();
        emptyEcg.insert("ecg", QJsonObject());
        QJsonArray seventeen;
        for (int i = 0; i < 17; ++i)
            seventeen.append(QStringLiteral("C%1").arg(i));
        QTest::newRow("five bytes") << QByteArray("NVECG");
        QTest::newRow("wrong magic") << headerArea(stationHeader()).replace(0, 6, "NVECG2");
        QTest::newRow("not json") << QByteArray("NVECG1{\"ecg\":").append(QByteArray(4083, '\0'));
        QTest::newRow("empty ecg") << headerArea(emptyEcg);
        QTest::newRow("rate 0") << headerArea(stationHeader(0));
        QTest::newRow("rate too high") << headerArea(stationHeader(100001));
        QTest::newRow("resolution 0") << headerArea(stationHeader(250, 0));
        QTest::newRow("resolution 33") << headerArea(stationHeader(250, 33));
        QTest::newRow("no channels") << headerArea(stationHeader(250, 9, QJsonArray()));
        QTest::newRow("17 channels") << headerArea(stationHeader(250, 9, seventeen));
        QTest::newRow("no sample format") << headerArea(stationHeader(250, 9, {"V5"}, QString()));
    }

    void filesThatAreNotRecordings()
    {
        QFETCH(QByteArray, bytes);
        const QString path = newPath();
        QVERIFY(writeFile(path, bytes));
        QVERIFY(!TFileSignal::openRecordingFile(path));
    }

    void headerLimitsAndFailures()
    {
        // Magic and JSON fill all 4096 bytes: the samples behind are no part of it.
        QJsonObject header = stationHeader(100000, 32);
        header.insert("note", QString());
        const int plain = int(QJsonDocument(header).toJson(QJsonDocument::Compact).size());
        header.insert("note", QString(4090 - plain, QLatin1Char('n')));
        const QString path = newPath();
        QVERIFY(writeFile(path, "NVECG1" + QJsonDocument(header).toJson(QJsonDocument::Compact) + "\x11\x22\x33\x44\x55"));
        auto s = TFileSignal::openRecordingFile(path);
        QVERIFY(s);
        QVERIFY(s->sampleCount() == 2);
        QVERIFY(s->sample(0, 1) == 0x4433);
        QVERIFY(!TFileSignal::openRecordingFile(m_dir.filePath(QStringLiteral("missing.nvecg"))));

        QCOMPARE(storageErrorOf([this] { TFileSignal(m_dir.filePath("no/folder/x.nvecg"), 1, 250, 4096, true); }),
                 QStringLiteral("Cannot create file"));
        QCOMPARE(storageErrorOf([this] { TFileSignal(m_dir.filePath("missing.nvecg"), 1, 250, 4096, false); }),
                 QStringLiteral("Cannot open file"));
    }
};

QTEST_GUILESS_MAIN(TestRecords)
#include "tst_records.moc"
