// The records of a patient and a session: their JSON forms, study files on
// disk (also when the disk is full), names made safe for files, and a
// patient's course over all sessions.

#include "../common/teststorage.h"

#include "storage/safefilename.h"
#include "storage/sessionhistory.h"
#include "storage/storageerror.h"
#include "storage/studyfile.h"

#include <QtEndian>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

// A whole study as the station writes it, every value set.
QJsonObject fullStudy()
{
    QJsonObject study = QJsonDocument::fromJson(R"({
        "study": {"studyType": "Monitor session", "studyDateTime": "20260201093005"},
        "session": {"sessionNumber": 3, "presence": true, "startDateTime": "20260201093005", "exerciseType": "Bike",
                    "weight": 81.5, "height": 172, "abdomen": 98.25, "borgRPE": 13, "symptoms": "none", "conclusion": "good"},
        "results": {"hrTrend": [0, 72, 75], "spo2Trend": [0, 97, 98], "tempTrend": [0, 36.5, 36.6], "checkpoints": [
            {"phase": "Basal", "timeOffset": 0, "heartRate": 0, "sysBP": 0, "diaBP": 0},
            {"phase": "IntraExercise", "timeOffset": 120.5, "heartRate": 110, "sysBP": 150, "diaBP": 85},
            {"phase": "PostExercise", "timeOffset": 300, "heartRate": 90, "sysBP": 130, "diaBP": 80}]},
        "events": [{"description": "BP 150/85", "timeOffset": 12, "print": true},
                   {"description": "Stop monitoring", "timeOffset": 40, "print": false}]})").object();
    study.insert("patient", fullPatient().toJson());
    return study;
}

QString caught(const std::function<void()> &action)
{
    try {
        action();
    } catch (const StorageError &e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

} // namespace

class TestStorageRecords : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void patientRecordJson()
    {
        // Every field goes out and comes back under its own key.
        const PatientRecord p = fullPatient();
        QVERIFY(p.lastName == "lastName ñ" && p.conclusion == "conclusion ñ" && p.birthDate == QDate(1956, 3, 9));
        const QJsonObject o = p.toJson();
        QCOMPARE(o.keys().size(), 20);
        for (const QString &key : o.keys())
            QVERIFY(key == "uuid" || key == "birthDate" || o.value(key).toString() == key + QStringLiteral(" ñ"));
        QVERIFY(o.value("uuid") == "{0f8fad5b-d9cb-469f-a165-70867728950e}" && o.value("birthDate") == "19560309");
        QCOMPARE(p.displayName(), QStringLiteral("lastName ñ, firstName ñ"));
        // Missing or broken values give empty ones.
        const PatientRecord empty = PatientRecord::fromJson({{"birthDate", "1956"}, {"uuid", "garbage"}});
        QVERIFY(!empty.birthDate.isValid() && empty.uuid.isNull() && empty.city.isEmpty() && empty.id == 0);
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
        QVERIFY(s.events[0].timeOffset >= 65 && s.events[0].timeOffset <= 66 && !s.events[0].print);
        for (int phase : {1, 2, 3})
            QCOMPARE(MonitorSession::phaseFromName(MonitorSession::phaseName(phase)), phase);
        QVERIFY(MonitorSession::phaseName(2) == "IntraExercise" && MonitorSession::phaseName(4).isEmpty());
        QCOMPARE(MonitorSession::phaseFromName(QStringLiteral("Recovery")), 0);
    }

    void studyFileRoundTrip()
    {
        // Read into a session and written again, a study comes back whole.
        const QJsonObject study = fullStudy();
        const auto s = sessionFromStudy(study, 7, 3);
        QVERIFY(s->patientId == 7 && studyJson(*s, fullPatient()) == study);
        const QString path = m_dir.filePath(QStringLiteral("round.nvstudy"));
        writeStudyFile(*s, fullPatient(), path);
        // "NVSTUDY2" and qCompress: the big-endian length of the compact JSON, then zlib.
        const QByteArray bytes = readFile(path), json = QJsonDocument(study).toJson(QJsonDocument::Compact);
        QVERIFY(bytes.left(8) == "NVSTUDY2" && qFromBigEndian<quint32>(bytes.constData() + 8) == quint32(json.size()));
        QCOMPARE(qUncompress(bytes.mid(8)), json);
        QJsonDocument doc;
        QVERIFY(readStudyFile(path, doc) && doc.object() == study);

        // From other writers: wrong types and missing values give defaults, an
        // unknown phase is ignored and a later checkpoint of a phase wins.
        const auto other = sessionFromStudy(QJsonDocument::fromJson(
            R"({"session": {"borgRPE": "x", "weight": "heavy"}, "events": [{"description": "a"}],
                "results": {"hrTrend": [60, "x"], "checkpoints": [{"phase": "Recovery", "sysBP": 1},
                            {"phase": "Basal", "sysBP": 120}, {"phase": "Basal", "sysBP": 125}]}})").object(), 1, 1);
        QVERIFY(!other->presence && other->borgRPE == 0 && other->weight == 0.0 && other->spo2Trend.isEmpty());
        QVERIFY(other->hrTrend == (QVector<int>{60, 0}) && other->checkpoint(PhaseBasal).sysBP == 125);
        QVERIFY(other->events.size() == 1 && !other->events[0].print);
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
        QTest::newRow("damaged compression") << "NVSTUDY2" + good.left(good.size() - 4) + "xxxx" << "{}";
        QTest::newRow("truncated JSON") << QByteArray("NVSTUDY1{\"a\":[1,2") << "{}";
    }

    void studyFilesOfOtherKinds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, json);
        const QString path = m_dir.filePath(QStringLiteral("other.nvstudy"));
        QVERIFY(writeFile(path, bytes));
        QJsonDocument doc;
        QCOMPARE(readStudyFile(path, doc), !json.isNull());
        if (!json.isNull())
            QCOMPARE(QString::fromUtf8(QJsonDocument(doc.object()).toJson(QJsonDocument::Compact)), json);
        QVERIFY(!readStudyFile(m_dir.filePath(QStringLiteral("missing.nvstudy")), doc));
    }

    void studyFileWriteFailures()
    {
        const auto s = sessionFromStudy(fullStudy(), 7, 3);
        QCOMPARE(caught([&] { writeStudyFile(*s, fullPatient(), m_dir.filePath("no/such/folder/x.nvstudy")); }),
                 QStringLiteral("Cannot create study file"));
        // Without a database, or without the patient in it, nothing is written.
        const QString path = m_dir.filePath(QStringLiteral("keep.nvstudy"));
        writeStudyFile(*s, path);
        QVERIFY(!QFile::exists(path));
        {
            TestStorage storage;
            writeStudyFile(*s, path);
            QVERIFY(!QFile::exists(path));
            s->patientId = storage.addPatient(QStringLiteral("Núñez"));
            writeStudyFile(*s, path);
        }
        QJsonDocument doc;
        QVERIFY(readStudyFile(path, doc) && doc.object().value("patient").toObject().value("lastName") == "Núñez");
#ifdef Q_OS_UNIX
        // A long session no longer fits on a "full disk" (files limited to
        // 512 bytes): the error is told and the previous file stays whole.
        const QByteArray before = readFile(path);
        s->hrTrend.resize(20000);
        std::srand(1);
        for (int &v : s->hrTrend)
            v = std::rand();
        signal(SIGXFSZ, SIG_IGN);
        rlimit old;
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 512;
        setrlimit(RLIMIT_FSIZE, &small);
        const QString message = caught([&] { writeStudyFile(*s, fullPatient(), path); });
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY(message == "Write error" && readFile(path) == before);
        QCOMPARE(QDir(m_dir.path()).entryList({"keep*"}, QDir::Files), QStringList{"keep.nvstudy"});
#endif
    }

    void safeFileNames()
    {
        const char *cases[][2] = {{"Núñez", "Núñez"}, {"../a/b\\c", "___a_b_c"}, {"a:b*c?d\"e<f>g|h", "a_b_c_d_e_f_g_h"},
                                  {"tab\there\x7f", "tab_here_"}, {"Smith  ", "Smith _"}, {"CON", "CON_"},
                                  {"com1", "com1_"}, {"LPT9", "LPT9_"}, {"conin$", "conin$_"}, {"COM0", "COM0"},
                                  {"COM10", "COM10"}};
        for (const auto &c : cases)
            QCOMPARE(safeFileNamePart(QString::fromUtf8(c[0])), QString::fromUtf8(c[1]));
        QCOMPARE(safeFileNamePart(QString(300, 'x')), QString(64, 'x'));
        // A character outside the basic plane is not cut in two.
        QCOMPARE(safeFileNamePart(QString(63, 'x') + QString::fromUtf8("\xF0\x9F\x92\x93")), QString(63, 'x'));
    }

    void courseOverAllSessions()
    {
        std::vector<std::unique_ptr<MonitorSession>> owned;
        auto make = [&owned](int number, bool present, double weight, double height, double abdomen) {
            SessionData data;
            data.sessionNumber = number;
            data.presence = present;
            data.weight = weight;
            data.height = height;
            data.abdomen = abdomen;
            owned.push_back(std::make_unique<MonitorSession>(data));
            return owned.back().get();
        };
        MonitorSession *first = make(1, true, 80.0, 0.0, 95.0);
        first->setCheckpoint(PhaseBasal, Checkpoint{0.0, 70, 120, 80});
        first->setCheckpoint(PhaseIntraExercise, Checkpoint{0.0, 110, 0, 0});
        first->setCheckpoint(PhasePostExercise, Checkpoint{0.0, 0, 130, 85});
        MonitorSession *fourth = make(4, true, 70.0, 175.0, 0.0);
        fourth->setCheckpoint(PhaseBasal, Checkpoint{0.0, 65, 0, 0});
        const QList<const MonitorSession *> sessions = {first, make(2, false, 0.0, 175.0, 0.0), fourth};
        SessionHistory history;
        history.weight.append({9, 9.0}); // refilled, not appended to
        collectHistory(sessions, history);
        QStringList series;
        for (const HistorySeries *s : {&history.heartRate[0], &history.heartRate[1], &history.heartRate[2],
                                       &history.systolic[0], &history.systolic[1], &history.systolic[2],
                                       &history.weight, &history.bmi, &history.abdomen}) {
            QStringList points;
            for (const HistoryPoint &p : *s)
                points << QStringLiteral("%1:%2").arg(p.x).arg(p.y, 0, 'f', 2);
            series << points.join(QLatin1Char(' '));
        }
        QCOMPARE(series, (QStringList{"1:70.00 4:65.00", "1:110.00", "", "1:120.00", "", "1:130.00", "1:80.00 4:70.00",
                                      "4:22.86", "1:95.00"}));
        QCOMPARE(bodyMassIndex(80.0, 0.0) + bodyMassIndex(0.0, 170.0) + bodyMassIndex(-80.0, 170.0), 0.0);
        QVERIFY(attendancePercent(sessions) == 66 && attendancePercent({}) == 0 && attendancePercent(sessions.mid(0, 1)) == 100);
    }
};

QTEST_GUILESS_MAIN(TestStorageRecords)
#include "tst_storagerecords.moc"
