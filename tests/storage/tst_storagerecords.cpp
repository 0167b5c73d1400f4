#include "writefile.h"

#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/storageerror.h"
#include "storage/studyfile.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

class TestStorageRecords : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void patientJsonRoundTrip();
    void patientJsonDefaults();
    void monitorSessionOperations();
    void studyFileRoundTrip();
    void studyFileRejects_data();
    void studyFileRejects();
    void studyFilePlainJson();
    void studyFileUnwritablePath();
    void studyFileFailedWriteKeepsPrevious();

private:
    static PatientRecord samplePatient();
    static std::unique_ptr<MonitorSession> sampleSession();
    QTemporaryDir m_dir;
};

void TestStorageRecords::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_dir.isValid());
}

PatientRecord TestStorageRecords::samplePatient()
{
    PatientRecord p;
    p.uuid = QUuid(QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"));
    p.firstName = QStringLiteral("José");
    p.lastName = QStringLiteral("Núñez");
    p.sex = QStringLiteral("M");
    p.birthDate = QDate(1956, 3, 9);
    p.city = QStringLiteral("Córdoba");
    p.comments = QStringLiteral("line one\nline two");
    p.conclusion = QStringLiteral("stable");
    return p;
}

std::unique_ptr<MonitorSession> TestStorageRecords::sampleSession()
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
    s->events.append(SessionEvent{12, QStringLiteral("BP 150/85"), true});
    s->events.append(SessionEvent{40, QStringLiteral("Stop monitoring"), false});
    return s;
}

void TestStorageRecords::patientJsonRoundTrip()
{
    const PatientRecord p = samplePatient();
    const QJsonObject o = p.toJson();
    QCOMPARE(o.value("uuid").toString(), QStringLiteral("{0f8fad5b-d9cb-469f-a165-70867728950e}"));
    QCOMPARE(o.value("birthDate").toString(), QStringLiteral("19560309"));
    QVERIFY(!o.contains("id"));

    PatientRecord back = PatientRecord::fromJson(o);
    QCOMPARE(back.uuid, p.uuid);
    QCOMPARE(back.birthDate, p.birthDate);
    QCOMPARE(back.comments, p.comments);
    QCOMPARE(back.displayName(), QStringLiteral("Núñez, José"));
}

void TestStorageRecords::patientJsonDefaults()
{
    PatientRecord empty;
    QCOMPARE(empty.toJson().value("birthDate").toString(), QString());
    const PatientRecord back = PatientRecord::fromJson(QJsonObject{{"birthDate", ""}, {"uuid", "garbage"}});
    QVERIFY(!back.birthDate.isValid());
    QVERIFY(back.uuid.isNull());
}

void TestStorageRecords::monitorSessionOperations()
{
    SessionData d;
    d.startDateTime = QDateTime::currentDateTime().addSecs(-65);
    MonitorSession s(d);
    QCOMPARE(s.lastHeartRate(), 0);
    s.hrTrend = {70, 81};
    QCOMPARE(s.lastHeartRate(), 81);

    s.setCheckpoint(4, Checkpoint{1.0, 2, 3, 4});
    QCOMPARE(s.checkpoint(4).sysBP, 0);
    QCOMPARE(s.checkpoint(PhasePostExercise).sysBP, 0);
    s.addEvent(QStringLiteral("Start"));
    QCOMPARE(s.events.size(), 1);
    QVERIFY(s.events[0].timeOffset >= 65 && s.events[0].timeOffset <= 66);
}

void TestStorageRecords::studyFileRoundTrip()
{
    const QString path = m_dir.filePath("round.nvstudy");
    const auto s = sampleSession();
    writeStudyFile(*s, samplePatient(), path);

    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    QCOMPARE(bytes.left(8), QByteArray("NVSTUDY2"));
    // qCompress layout: big-endian length of the compact JSON, then zlib.
    const QByteArray json = QJsonDocument(studyJson(*s, samplePatient())).toJson(QJsonDocument::Compact);
    QCOMPARE(qUncompress(bytes.mid(8)), json);
    QCOMPARE(qFromBigEndian<quint32>(bytes.constData() + 8), quint32(json.size()));

    QJsonDocument doc;
    QVERIFY(readStudyFile(path, doc));
    const QJsonObject o = doc.object();
    QCOMPARE(o.value("study").toObject().value("studyDateTime").toString(), QStringLiteral("20260201093005"));
    // Checkpoints never entered are still written, zero, in phase order.
    const QJsonArray cps = o.value("results").toObject().value("checkpoints").toArray();
    QCOMPARE(cps.size(), 3);
    QCOMPARE(cps[0].toObject(), (QJsonObject{{"phase", "Basal"}, {"timeOffset", 0}, {"heartRate", 0},
                                             {"sysBP", 0}, {"diaBP", 0}}));
    QCOMPARE(cps[2].toObject().value("phase").toString(), QStringLiteral("PostExercise"));

    const auto back = sessionFromStudy(o, 99, 5);
    QCOMPARE(back->patientId, 99);
    QCOMPARE(back->sessionNumber, 5);
    QCOMPARE(back->startDateTime, s->startDateTime);
    QCOMPARE(back->abdomen, 98.25);
    QCOMPARE(back->conclusion, s->conclusion);
    QCOMPARE(back->tempTrend, s->tempTrend);
    QCOMPARE(back->checkpoint(PhaseIntraExercise).timeOffset, 120.5);
    QCOMPARE(back->checkpoint(PhaseIntraExercise).diaBP, 85);
    QCOMPARE(back->events.size(), 2);
    QVERIFY(back->events[0].print);
    QVERIFY(!back->events[1].print);
}

void TestStorageRecords::studyFileRejects_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("seven bytes") << QByteArray("NVSTUDY");
    QTest::newRow("magic only") << QByteArray("NVSTUDY2");
    QTest::newRow("other magic") << QByteArray("NVSTUDY3{\"a\":1}");
    QTest::newRow("foreign file") << QByteArray("PK\x03\x04 not a study at all");
}

void TestStorageRecords::studyFileRejects()
{
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath("reject.nvstudy");
    writeFile(path, bytes);
    QJsonDocument doc;
    QVERIFY(!readStudyFile(path, doc));
    QVERIFY(!readStudyFile(m_dir.filePath("missing.nvstudy"), doc));
}

void TestStorageRecords::studyFilePlainJson()
{
    const QString path = m_dir.filePath("plain.nvstudy");
    writeFile(path, "NVSTUDY1{\"session\":{\"borgRPE\":11,\"presence\":true},"
                     "\"results\":{\"hrTrend\":[60,61],\"checkpoints\":[{\"phase\":\"Recovery\",\"sysBP\":1},"
                     "{\"phase\":\"Basal\",\"sysBP\":120},{\"phase\":\"Basal\",\"sysBP\":125}]}}");
    QJsonDocument doc;
    QVERIFY(readStudyFile(path, doc));
    const auto s = sessionFromStudy(doc.object(), 1, 1);
    QCOMPARE(s->borgRPE, 11);
    QVERIFY(s->presence);
    QCOMPARE(s->hrTrend, (QVector<int>{60, 61}));
    QVERIFY(s->spo2Trend.isEmpty());
    // An unknown phase is ignored; a later element of a phase wins.
    QCOMPARE(s->checkpoint(PhaseBasal).sysBP, 125);
    QCOMPARE(s->weight, 0.0);

    // A right magic with a damaged payload reads as an empty document.
    QByteArray good = qCompress(QByteArray("{\"study\":{}}"));
    writeFile(path, "NVSTUDY2" + good.left(good.size() - 4) + "xxxx");
    QVERIFY(readStudyFile(path, doc));
    QVERIFY(doc.object().isEmpty());
    writeFile(path, "NVSTUDY1{\"truncated\":[1,2");
    QVERIFY(readStudyFile(path, doc));
    QVERIFY(doc.object().isEmpty());
}

void TestStorageRecords::studyFileUnwritablePath()
{
    const auto s = sampleSession();
    try {
        writeStudyFile(*s, samplePatient(), m_dir.filePath("no/such/folder/x.nvstudy"));
        QFAIL("no exception");
    } catch (const StorageError &e) {
        QCOMPARE(QString::fromUtf8(e.what()), QStringLiteral("Cannot create study file"));
    }
}

void TestStorageRecords::studyFileFailedWriteKeepsPrevious()
{
#ifdef Q_OS_UNIX
    const QString path = m_dir.filePath("keep.nvstudy");
    auto s = sampleSession();
    writeStudyFile(*s, samplePatient(), path);
    QFile f(path);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray before = f.readAll();
    f.close();

    // A long session no longer fits on a "full disk": the process may not
    // write files larger than a few hundred bytes.
    s->hrTrend.fill(1, 20000);
    std::srand(1);
    for (int &v : s->hrTrend)
        v = std::rand();
    signal(SIGXFSZ, SIG_IGN);
    rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 512;
    setrlimit(RLIMIT_FSIZE, &small);
    QString message;
    try {
        writeStudyFile(*s, samplePatient(), path);
    } catch (const StorageError &e) {
        message = QString::fromUtf8(e.what());
    }
    setrlimit(RLIMIT_FSIZE, &old);
    QCOMPARE(message, QStringLiteral("Write error"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), before);
    // Nothing but the study file is left behind.
    QCOMPARE(QDir(m_dir.path()).entryList({"keep*"}, QDir::Files), QStringList{"keep.nvstudy"});
#else
    QSKIP("needs a file size limit");
#endif
}

QTEST_GUILESS_MAIN(TestStorageRecords)
#include "tst_storagerecords.moc"
