// The records of a patient and a session: their JSON forms, study files on
// disk (also when the disk is full), names made safe for files, and a
// patient's course over all sessions.

#include "../common/teststorage.h"

#include "storage/safefilename.h"
#include "storage/sessionhistory.h"
#include "storage/storageerror.h"
#include "storage/studyfile.h"

#include <QJsonArray>
#include <QtEndian>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

const QStringList TextKeys = {"firstName", "lastName", "sex", "personIdType", "personIdNumber", "medicalGroupName",
                              "medicalGroupNumber", "medicalHistoryNumber", "address", "city", "state", "country",
                              "phoneNumber", "comments", "risks", "medication", "adaptation", "conclusion"};

// A patient whose every text field holds its own key.
PatientRecord fullPatient()
{
    QJsonObject o{{"uuid", "{0f8fad5b-d9cb-469f-a165-70867728950e}"}, {"birthDate", "19560309"}};
    for (const QString &key : TextKeys)
        o.insert(key, key + QStringLiteral(" ñ"));
    return PatientRecord::fromJson(o);
}

std::unique_ptr<MonitorSession> fullSession()
{
    SessionData d;
    d.patientId = 7;
    d.sessionNumber = 3;
    d.presence = true;
    d.startDateTime = QDateTime(QDate(2026, 2, 1), QTime(9, 30, 5));
    d.exerciseType = QStringLiteral("Treadmill");
    d.weight = 81.5;
    d.height = 172;
    d.abdomen = 98.25;
    d.borgRPE = 13;
    d.symptoms = QStringLiteral("none");
    d.conclusion = QStringLiteral("good");
    auto s = std::make_unique<MonitorSession>(d);
    s->hrTrend = {0, 72, 75};
    s->spo2Trend = {0, 97, 98};
    s->tempTrend = {0.0, 36.5, 36.6};
    s->setCheckpoint(PhaseIntraExercise, Checkpoint{120.5, 110, 150, 85});
    s->setCheckpoint(PhasePostExercise, Checkpoint{300, 90, 130, 80});
    s->events.append(SessionEvent{12, QStringLiteral("BP 150/85"), true});
    s->events.append(SessionEvent{40, QStringLiteral("Stop monitoring"), false});
    return s;
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
        const PatientRecord p = fullPatient();
        QCOMPARE(p.lastName, QStringLiteral("lastName ñ"));
        QCOMPARE(p.birthDate, QDate(1956, 3, 9));
        const QJsonObject o = p.toJson();
        QCOMPARE(o.keys().size(), TextKeys.size() + 2);
        for (const QString &key : TextKeys)
            QCOMPARE(o.value(key).toString(), key + QStringLiteral(" ñ"));
        QCOMPARE(o.value("uuid").toString(), QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"));
        QCOMPARE(o.value("birthDate").toString(), QStringLiteral("19560309"));
        QCOMPARE(p.displayName(), QStringLiteral("lastName ñ, firstName ñ"));
        // Missing or broken values give empty ones.
        const PatientRecord empty = PatientRecord::fromJson({{"birthDate", "1956"}, {"uuid", "garbage"}});
        QVERIFY(!empty.birthDate.isValid() && empty.uuid.isNull() && empty.city.isEmpty());
        QCOMPARE(empty.toJson().value("birthDate").toString(), QString());
        QCOMPARE(empty.id, 0);
    }

    void monitorSessionRecord()
    {
        SessionData d;
        d.startDateTime = QDateTime::currentDateTime().addSecs(-65);
        MonitorSession s(d);
        QCOMPARE(s.lastHeartRate(), 0);
        QCOMPARE(s.lastSpo2(), 0);
        QCOMPARE(s.lastTemperature(), 0.0);
        s.hrTrend = {70, 81};
        s.spo2Trend = {97, 95};
        s.tempTrend = {36.5, 36.7};
        QCOMPARE(s.lastHeartRate(), 81);
        QCOMPARE(s.lastSpo2(), 95);
        QCOMPARE(s.lastTemperature(), 36.7);
        for (int phase : {0, 4})
            s.setCheckpoint(phase, Checkpoint{1.0, 2, 3, 4});
        for (int phase : {0, 1, 2, 3, 4})
            QCOMPARE(s.checkpoint(phase).sysBP, 0);
        s.setCheckpoint(PhaseBasal, Checkpoint{1.0, 2, 3, 4});
        s.setCheckpoint(PhasePostExercise, Checkpoint{1.0, 2, 5, 4});
        QCOMPARE(s.checkpoint(PhaseBasal).sysBP, 3);
        QCOMPARE(s.checkpoint(PhasePostExercise).sysBP, 5);
        s.addEvent(QStringLiteral("Start"));
        QVERIFY(s.events[0].timeOffset >= 65 && s.events[0].timeOffset <= 66);
        QVERIFY(!s.events[0].print);
        for (int phase : {1, 2, 3})
            QCOMPARE(MonitorSession::phaseFromName(MonitorSession::phaseName(phase)), phase);
        QCOMPARE(MonitorSession::phaseName(2), QStringLiteral("IntraExercise"));
        QCOMPARE(MonitorSession::phaseFromName(QStringLiteral("Recovery")), 0);
        QCOMPARE(MonitorSession::phaseName(4), QString());
    }

    void studyFileRoundTrip()
    {
        const QString path = m_dir.filePath(QStringLiteral("round.nvstudy"));
        const auto s = fullSession();
        writeStudyFile(*s, fullPatient(), path);
        // "NVSTUDY2" and qCompress: the big-endian length of the compact JSON, then zlib.
        const QByteArray bytes = readFile(path);
        const QByteArray json = QJsonDocument(studyJson(*s, fullPatient())).toJson(QJsonDocument::Compact);
        QCOMPARE(bytes.left(8), QByteArray("NVSTUDY2"));
        QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 8), quint32(json.size()));
        QCOMPARE(qUncompress(bytes.mid(8)), json);

        QJsonDocument doc;
        QVERIFY(readStudyFile(path, doc));
        const QJsonObject o = doc.object();
        QCOMPARE(o.value("study").toObject(), (QJsonObject{{"studyType", "Monitor session"}, {"studyDateTime", "20260201093005"}}));
        QCOMPARE(o.value("patient").toObject(), fullPatient().toJson());
        // Checkpoints never entered are still written, zero, in phase order.
        QCOMPARE(o.value("results").toObject().value("checkpoints").toArray().first().toObject(),
                 (QJsonObject{{"phase", "Basal"}, {"timeOffset", 0}, {"heartRate", 0}, {"sysBP", 0}, {"diaBP", 0}}));

        const auto back = sessionFromStudy(o, 99, 5);
        QCOMPARE(back->patientId, 99);
        QCOMPARE(back->sessionNumber, 5);
        QVERIFY(back->presence);
        QCOMPARE(back->startDateTime, s->startDateTime);
        QCOMPARE(back->exerciseType, s->exerciseType);
        QCOMPARE(back->weight, 81.5);
        QCOMPARE(back->height, 172.0);
        QCOMPARE(back->abdomen, 98.25);
        QCOMPARE(back->borgRPE, 13);
        QCOMPARE(back->symptoms, s->symptoms);
        QCOMPARE(back->conclusion, s->conclusion);
        QCOMPARE(back->hrTrend, s->hrTrend);
        QCOMPARE(back->spo2Trend, s->spo2Trend);
        QCOMPARE(back->tempTrend, s->tempTrend);
        for (int phase : {1, 2, 3}) {
            const Checkpoint a = back->checkpoint(phase), b = s->checkpoint(phase);
            QCOMPARE(QVector<double>({a.timeOffset, double(a.heartRate), double(a.sysBP), double(a.diaBP)}),
                     QVector<double>({b.timeOffset, double(b.heartRate), double(b.sysBP), double(b.diaBP)}));
        }
        QCOMPARE(back->events.size(), 2);
        QCOMPARE(back->events[1].timeOffset, 40);
        QCOMPARE(back->events[0].description, QStringLiteral("BP 150/85"));
        QVERIFY(back->events[0].print && !back->events[1].print);
    }

    void studyFilesOfOtherKinds_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("read");
        QTest::addColumn<QString>("json"); // what the document holds when read
        const QByteArray good = qCompress(QByteArray("{\"a\":1}"));
        QTest::newRow("seven bytes") << QByteArray("NVSTUDY") << false << "";
        QTest::newRow("magic only") << QByteArray("NVSTUDY2") << false << "";
        QTest::newRow("other magic") << QByteArray("NVSTUDY3{\"a\":1}") << false << "";
        QTest::newRow("foreign file") << QByteArray("PK\x03\x04 not a study") << false << "";
        QTest::newRow("plain JSON") << QByteArray("NVSTUDY1{\"a\":1}") << true << "{\"a\":1}";
        QTest::newRow("damaged compression") << "NVSTUDY2" + good.left(good.size() - 4) + "xxxx" << true << "{}";
        QTest::newRow("truncated JSON") << QByteArray("NVSTUDY1{\"a\":[1,2") << true << "{}";
    }

    void studyFilesOfOtherKinds()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, read);
        QFETCH(QString, json);
        const QString path = m_dir.filePath(QStringLiteral("other.nvstudy"));
        QVERIFY(writeFile(path, bytes));
        QJsonDocument doc;
        QCOMPARE(readStudyFile(path, doc), read);
        if (read)
            QCOMPARE(QString::fromUtf8(QJsonDocument(doc.object()).toJson(QJsonDocument::Compact)), json);
        QVERIFY(!readStudyFile(m_dir.filePath(QStringLiteral("missing.nvstudy")), doc));
    }

    void studyDetailsFromOtherWriters()
    {
        // Values of the wrong type or missing give defaults; an unknown phase
        // is ignored and a later checkpoint of a phase wins.
        const QJsonObject study = QJsonDocument::fromJson(
            "{\"session\":{\"borgRPE\":\"x\",\"weight\":\"heavy\"},"
            "\"results\":{\"hrTrend\":[60,\"x\"],\"checkpoints\":[{\"phase\":\"Recovery\",\"sysBP\":1},"
            "{\"phase\":\"Basal\",\"sysBP\":120},{\"phase\":\"Basal\",\"sysBP\":125}]},"
            "\"events\":[{\"description\":\"a\"}]}").object();
        const auto s = sessionFromStudy(study, 1, 1);
        QVERIFY(!s->presence);
        QCOMPARE(s->borgRPE, 0);
        QCOMPARE(s->weight, 0.0);
        QCOMPARE(s->hrTrend, (QVector<int>{60, 0}));
        QVERIFY(s->spo2Trend.isEmpty());
        QCOMPARE(s->checkpoint(PhaseBasal).sysBP, 125);
        QCOMPARE(s->events.size(), 1);
        QVERIFY(!s->events[0].print);
    }

    void studyFileWriteFailures()
    {
        const auto s = fullSession();
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
        QVERIFY(readStudyFile(path, doc));
        QCOMPARE(doc.object().value("patient").toObject().value("lastName").toString(), QStringLiteral("Núñez"));
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
        QCOMPARE(message, QStringLiteral("Write error"));
        QCOMPARE(readFile(path), before);
        QCOMPARE(QDir(m_dir.path()).entryList({"keep*"}, QDir::Files), QStringList{"keep.nvstudy"});
#endif
    }

    void safeFileNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("safe");
        QTest::newRow("plain") << "Núñez" << "Núñez";
        QTest::newRow("slashes and dots") << "../a/b\\c" << "___a_b_c";
        QTest::newRow("reserved") << "a:b*c?d\"e<f>g|h" << "a_b_c_d_e_f_g_h";
        QTest::newRow("control") << QString("tab\there\x7f") << "tab_here_";
        QTest::newRow("trailing spaces") << "Smith  " << "Smith _";
        QTest::newRow("device names") << "CON" << "CON_";
        QTest::newRow("device names in any case") << "com1" << "com1_";
        QTest::newRow("printer 9") << "LPT9" << "LPT9_";
        QTest::newRow("console input") << "conin$" << "conin$_";
        QTest::newRow("no port 0") << "COM0" << "COM0";
        QTest::newRow("longer device name") << "COM10" << "COM10";
        QTest::newRow("long") << QString(300, 'x') << QString(64, 'x');
        QTest::newRow("long, pair kept whole") << QString(63, 'x') + QString::fromUtf8("\xF0\x9F\x92\x93") << QString(63, 'x');
    }

    void safeFileNames()
    {
        QFETCH(QString, name);
        QFETCH(QString, safe);
        QCOMPARE(safeFileNamePart(name), safe);
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
        auto text = [](const HistorySeries &series) {
            QStringList points;
            for (const HistoryPoint &p : series)
                points << QStringLiteral("%1:%2").arg(p.x).arg(p.y, 0, 'f', 2);
            return points.join(QLatin1Char(' '));
        };
        QCOMPARE(text(history.heartRate[0]), QStringLiteral("1:70.00 4:65.00"));
        QCOMPARE(text(history.heartRate[1]), QStringLiteral("1:110.00"));
        QCOMPARE(text(history.heartRate[2]), QString());
        QCOMPARE(text(history.systolic[0]), QStringLiteral("1:120.00"));
        QCOMPARE(text(history.systolic[1]), QString());
        QCOMPARE(text(history.systolic[2]), QStringLiteral("1:130.00"));
        QCOMPARE(text(history.weight), QStringLiteral("1:80.00 4:70.00"));
        QCOMPARE(text(history.bmi), QStringLiteral("4:22.86"));
        QCOMPARE(text(history.abdomen), QStringLiteral("1:95.00"));
        QCOMPARE(bodyMassIndex(80.0, 0.0) + bodyMassIndex(0.0, 170.0) + bodyMassIndex(-80.0, 170.0), 0.0);
        QCOMPARE(attendancePercent(sessions), 66);
        QCOMPARE(attendancePercent({}), 0);
        QCOMPARE(attendancePercent(sessions.mid(0, 1)), 100);
    }
};

QTEST_GUILESS_MAIN(TestStorageRecords)
#include "tst_storagerecords.moc"
