#include "writefile.h"

#include "storage/monitordatabase.h"
#include "storage/storageerror.h"
#include "storage/studyfile.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

// Every test runs on a fresh storage root with real SQLite and session files.
class TestMonitorDatabase : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void firstRunCreatesLayout();
    void patientRows();
    void loadPatientMissingAndGarbledRows();
    void listPatientsAndSessionNumbers();
    void sessionRows();
    void startSessionWritesFiles();
    void startSessionWithoutPatient();
    void openSessionRebuildsSession();
    void openSessionMissingPieces();
    void deletePatientRemovesFilesAndPicture();
    void rebuildFromStudyFiles();
    void rebuildSkipsForeignFiles_data();
    void rebuildSkipsForeignFiles();
    void rebuildSetsOldPicturesAside();
    void unsafeNamesGiveSafeFiles_data();
    void unsafeNamesGiveSafeFiles();
    void storedBaseFilenamesUsedAsStored();
    void failedStatementThrowsDriverText();

private:
    void openDatabase();
    int addPatient(const QString &last, const QString &first, const QString &uuid = QString());
    std::unique_ptr<MonitorSession> start(int patientId, const QDateTime &when, bool presence = true);
    QString root() const { return m_dir->path(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<MonitorDatabase> m_db;
};

void TestMonitorDatabase::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
}

void TestMonitorDatabase::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    openDatabase();
}

void TestMonitorDatabase::cleanup()
{
    m_db.reset();
    QVERIFY(!MonitorDatabase::instance());
    m_dir.reset();
}

void TestMonitorDatabase::openDatabase()
{
    m_db.reset();
    m_db = std::make_unique<MonitorDatabase>(root() + QStringLiteral("/NorvaneMonitor"));
    QCOMPARE(MonitorDatabase::instance(), m_db.get());
}

int TestMonitorDatabase::addPatient(const QString &last, const QString &first, const QString &uuid)
{
    PatientRecord p;
    p.lastName = last;
    p.firstName = first;
    p.uuid = QUuid(uuid);
    p.birthDate = QDate(1950, 1, 31);
    m_db->insertPatient(p);
    return p.id;
}

std::unique_ptr<MonitorSession> TestMonitorDatabase::start(int patientId, const QDateTime &when, bool presence)
{
    SessionData d;
    d.patientId = patientId;
    d.sessionNumber = m_db->nextSessionNumber(patientId);
    d.presence = presence;
    d.startDateTime = when;
    d.exerciseType = QStringLiteral("Bike");
    d.weight = 80;
    return m_db->startSession(d);
}

void TestMonitorDatabase::firstRunCreatesLayout()
{
    const QString r = m_db->rootPath();
    QVERIFY(QFileInfo(r + "/pictures").isDir());
    QVERIFY(QFileInfo::exists(r + "/data/sessions.sqlite"));
    QSqlQuery q("select sql from sqlite_master order by name");
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(), QStringLiteral("CREATE TABLE Patient(id integer primary key, data text)"));
    QVERIFY(q.next());
    QCOMPARE(q.value(0).toString(),
             QStringLiteral("CREATE TABLE Session(patientId integer, sessionNumber integer, data text)"));
    QVERIFY(!q.next());
    // Only one database at a time.
    QVERIFY_EXCEPTION_THROWN(MonitorDatabase second(root() + "/second"), std::logic_error);
    QCOMPARE(MonitorDatabase::instance(), m_db.get());
}

void TestMonitorDatabase::patientRows()
{
    PatientRecord p;
    p.firstName = QStringLiteral("Ana");
    p.lastName = QStringLiteral("Pérez");
    m_db->insertPatient(p);
    QVERIFY(p.id > 0);
    QVERIFY(!p.uuid.isNull());

    // The row holds indented JSON without the id.
    QSqlQuery q;
    QVERIFY(q.exec(QStringLiteral("select data from Patient where id = %1").arg(p.id)));
    QVERIFY(q.next());
    const QString text = q.value(0).toString();
    QVERIFY(text.contains("\n    \"firstName\": \"Ana\""));
    QVERIFY(!text.contains("\"id\""));

    p.city = QStringLiteral("Mendoza");
    m_db->updatePatient(p);
    PatientRecord back;
    QVERIFY(m_db->loadPatient(p.id, back));
    QCOMPARE(back.uuid, p.uuid);
    QCOMPARE(back.city, QStringLiteral("Mendoza"));

    // A given uuid is kept.
    const QString fixed = QStringLiteral("{11111111-2222-3333-4444-555555555555}");
    PatientRecord second;
    QVERIFY(m_db->loadPatient(addPatient("B", "C", fixed), second));
    QCOMPARE(second.uuid.toString(), fixed);
}

void TestMonitorDatabase::loadPatientMissingAndGarbledRows()
{
    PatientRecord p;
    p.firstName = QStringLiteral("unchanged");
    QVERIFY(!m_db->loadPatient(42, p));
    QCOMPARE(p.firstName, QStringLiteral("unchanged"));

    QSqlQuery q;
    QVERIFY(q.exec("insert into Patient(id, data) values (9, 'not json {')"));
    QVERIFY(m_db->loadPatient(9, p));
    QCOMPARE(p.id, 9);
    QVERIFY(p.firstName.isEmpty());
    QVERIFY(p.uuid.isNull());
}

void TestMonitorDatabase::listPatientsAndSessionNumbers()
{
    const int a = addPatient("Alba", "Ana");
    const int b = addPatient("Bravo", "Beto");
    auto s1 = start(a, QDateTime(QDate(2026, 1, 5), QTime(10, 0)));
    auto s2 = start(a, QDateTime(QDate(2026, 1, 12), QTime(23, 59, 59)), false);
    QVERIFY(s1 && s2);
    QCOMPARE(s2->sessionNumber, 2);
    QCOMPARE(m_db->nextSessionNumber(a), 3);
    QCOMPARE(m_db->nextSessionNumber(b), 1);

    QList<PatientSummary> list = m_db->listPatients();
    QCOMPARE(list.size(), 2);
    std::sort(list.begin(), list.end(), [](const PatientSummary &x, const PatientSummary &y) { return x.id < y.id; });
    QCOMPARE(list[0].name, QStringLiteral("Alba, Ana"));
    QCOMPARE(list[0].lastSession, QDate(2026, 1, 12));
    QVERIFY(!list[1].lastSession.isValid());
}

void TestMonitorDatabase::sessionRows()
{
    SessionInfo info;
    info.patientId = 3;
    info.sessionNumber = 2;
    info.presence = true;
    info.startDateTime = QDateTime(QDate(2026, 3, 4), QTime(5, 6, 7));
    info.baseFilename = QStringLiteral("X-Y-20260304050607");
    m_db->insertSession(info);
    info.sessionNumber = 1;
    info.presence = false;
    m_db->insertSession(info);

    const QList<SessionInfo> list = m_db->listSessions(3);
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[0].sessionNumber, 1);
    QVERIFY(!list[0].presence);
    QVERIFY(list[1].presence);
    QCOMPARE(list[1].startDateTime, info.startDateTime);

    SessionInfo loaded;
    QVERIFY(m_db->loadSession(3, 2, loaded));
    QCOMPARE(loaded.baseFilename, info.baseFilename);
    QVERIFY(!m_db->loadSession(3, 7, loaded));

    QSqlQuery q("select data from Session where sessionNumber = 2");
    QVERIFY(q.next());
    const QJsonObject row = QJsonDocument::fromJson(q.value(0).toString().toUtf8()).object();
    QCOMPARE(row.keys(), (QStringList{"baseFilename", "presence", "startDateTime"}));
    QCOMPARE(row.value("startDateTime").toString(), QStringLiteral("20260304050607"));
}

void TestMonitorDatabase::startSessionWritesFiles()
{
    const int id = addPatient("Núñez", "José");
    auto s = start(id, QDateTime(QDate(2026, 2, 3), QTime(8, 9, 10)));
    QVERIFY(s);
    const QString base = QStringLiteral("Núñez-José-20260203080910");
    SessionInfo info;
    QVERIFY(m_db->loadSession(id, 1, info));
    QCOMPARE(info.baseFilename, base);

    QJsonDocument doc;
    QVERIFY(readStudyFile(m_db->studyPath(base), doc));
    QCOMPARE(doc.object().value("patient").toObject().value("firstName").toString(), QStringLiteral("José"));

    TFileSignal *rec = s->recording();
    QVERIFY(rec);
    QCOMPARE(rec->path(), m_db->recordingPath(base));
    QCOMPARE(QFileInfo(rec->path()).size(), 4096);
    QJsonObject header;
    QVERIFY(TFileSignal::readRecordingHeader(rec->path(), header));
    QCOMPARE(header.value("patient").toObject().value("lastName").toString(), QStringLiteral("Núñez"));
    QCOMPARE(header.value("session").toObject().value("exerciseType").toString(), QStringLiteral("Bike"));
    QCOMPARE(header.value("ecg").toObject().value("gainMax").toDouble(), 6.0);
}

void TestMonitorDatabase::startSessionWithoutPatient()
{
    SessionData d;
    d.patientId = 77;
    d.sessionNumber = 1;
    d.startDateTime = QDateTime::currentDateTime();
    QVERIFY(!m_db->startSession(d));
    QVERIFY(m_db->listSessions(77).isEmpty());
    QCOMPARE(QDir(m_db->rootPath()).entryList(QDir::Files), QStringList());
}

void TestMonitorDatabase::openSessionRebuildsSession()
{
    const int id = addPatient("A", "B");
    {
        auto s = start(id, QDateTime(QDate(2026, 2, 3), QTime(8, 0)));
        std::vector<qint16> ecg(1300);
        for (size_t i = 0; i < ecg.size(); ++i)
            ecg[i] = qint16(i);
        const qint16 *ch[] = {ecg.data()};
        s->recording()->appendChannels(ch, 1300);
        s->hrTrend = {70, 72, 74, 76, 78, 80};
        s->setCheckpoint(PhasePostExercise, Checkpoint{5.2, 80, 140, 90});
        s->events.append(SessionEvent{3, QStringLiteral("Chest pain"), true});
        m_db->updateSession(*s);
    }
    // The study file's details are decoded as the records test checks; here
    // the session comes back from its row, study file and recording.
    auto s = m_db->openSession(id, 1);
    QVERIFY(s);
    QCOMPARE(s->lastHeartRate(), 80);
    QCOMPARE(s->checkpoint(PhasePostExercise).sysBP, 140);
    QCOMPARE(s->events.size(), 1);
    QCOMPARE(s->weight, 80.0);
    QVERIFY(s->recording());
    QCOMPARE(s->recording()->sampleCount(), 1300);
    QCOMPARE(s->recording()->sample(0, 1299), 1299);
    QCOMPARE(s->recording()->sample(0, 999), 999);
    QCOMPARE(s->recording()->lsb(), 12.0 / 512.0);

    // A session without a row writes nothing.
    MonitorSession orphan{SessionData()};
    orphan.patientId = id;
    orphan.sessionNumber = 9;
    const QStringList before = QDir(m_db->rootPath()).entryList(QDir::Files);
    m_db->updateSession(orphan);
    QCOMPARE(QDir(m_db->rootPath()).entryList(QDir::Files), before);
}

void TestMonitorDatabase::openSessionMissingPieces()
{
    const int id = addPatient("A", "B");
    QVERIFY(!m_db->openSession(id, 1));
    start(id, QDateTime(QDate(2026, 2, 3), QTime(8, 0)));
    start(id, QDateTime(QDate(2026, 2, 4), QTime(8, 0)));
    start(id, QDateTime(QDate(2026, 2, 5), QTime(8, 0)));
    SessionInfo one, two, three;
    QVERIFY(m_db->loadSession(id, 1, one));
    QVERIFY(m_db->loadSession(id, 2, two));
    QVERIFY(m_db->loadSession(id, 3, three));

    // No recording: reviewed without ECG.
    QVERIFY(QFile::remove(m_db->recordingPath(one.baseFilename)));
    auto s = m_db->openSession(id, 1);
    QVERIFY(s);
    QVERIFY(!s->recording());
    // No study file, or one that holds no JSON: no session.
    QVERIFY(QFile::remove(m_db->studyPath(two.baseFilename)));
    QVERIFY(!m_db->openSession(id, 2));
    writeFile(m_db->studyPath(three.baseFilename), "NVSTUDY1[1,2,3]");
    QVERIFY(!m_db->openSession(id, 3));
}

void TestMonitorDatabase::deletePatientRemovesFilesAndPicture()
{
    const int keep = addPatient("Keep", "Me");
    const int gone = addPatient("Gone", "Soon");
    start(keep, QDateTime(QDate(2026, 2, 3), QTime(8, 0)));
    start(gone, QDateTime(QDate(2026, 2, 3), QTime(9, 0)));
    start(gone, QDateTime(QDate(2026, 2, 4), QTime(9, 0)), false);
    m_db->savePicture(keep, "keep-face");
    m_db->savePicture(gone, "gone-face");
    QCOMPARE(QDir(m_db->rootPath()).entryList(QDir::Files).size(), 6);

    m_db->deletePatient(gone);
    PatientRecord p;
    QVERIFY(!m_db->loadPatient(gone, p));
    QVERIFY(m_db->listSessions(gone).isEmpty());
    QCOMPARE(QDir(m_db->rootPath()).entryList(QDir::Files),
             (QStringList{"Keep-Me-20260203080000.nvecg", "Keep-Me-20260203080000.nvstudy"}));
    QVERIFY(!QFile::exists(m_db->picturePath(gone)));
    QByteArray bytes = "untouched";
    QVERIFY(!m_db->loadPicture(gone, bytes));
    QCOMPARE(bytes, QByteArray("untouched"));
    QVERIFY(m_db->loadPicture(keep, bytes));
    QCOMPARE(bytes, QByteArray("keep-face"));
}

void TestMonitorDatabase::rebuildFromStudyFiles()
{
    const int a = addPatient("Alba", "Ana");
    const int b = addPatient("Bravo", "Beto");
    addPatient("Cero", "Sesiones");
    PatientRecord pa;
    QVERIFY(m_db->loadPatient(a, pa));
    pa.comments = QStringLiteral("kept in the study files");
    m_db->updatePatient(pa);
    start(a, QDateTime(QDate(2026, 1, 1), QTime(9, 0)));
    start(a, QDateTime(QDate(2026, 1, 8), QTime(9, 0)), false);
    start(b, QDateTime(QDate(2026, 1, 2), QTime(9, 0)));
    m_db.reset();
    QVERIFY(QFile::remove(root() + "/NorvaneMonitor/data/sessions.sqlite"));
    openDatabase();

    // Patients come back once per uuid, in the order of their first file;
    // the patient without sessions had no study file and is gone.
    const QList<PatientSummary> list = m_db->listPatients();
    QCOMPARE(list.size(), 2);
    PatientRecord back;
    QVERIFY(m_db->loadPatient(1, back));
    QCOMPARE(back.uuid, pa.uuid);
    QCOMPARE(back.comments, pa.comments);
    const QList<SessionInfo> sessions = m_db->listSessions(1);
    QCOMPARE(sessions.size(), 2);
    QVERIFY(sessions[0].presence);
    QVERIFY(!sessions[1].presence);
    QCOMPARE(sessions[1].baseFilename, QStringLiteral("Alba-Ana-20260108090000"));
    QCOMPARE(sessions[1].startDateTime, QDateTime(QDate(2026, 1, 8), QTime(9, 0)));
    QCOMPARE(m_db->nextSessionNumber(1), 3);
    QVERIFY(m_db->openSession(1, 1));
    QCOMPARE(m_db->listSessions(2).size(), 1);
}

void TestMonitorDatabase::rebuildSkipsForeignFiles_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("patientKept");
    const QByteArray patient = "\"patient\":{\"uuid\":\"{0f8fad5b-d9cb-469f-a165-70867728950e}\",\"lastName\":\"Z\"}";
    QTest::newRow("truncated") << QByteArray("NVSTUD") << false;
    QTest::newRow("foreign magic") << QByteArray("GIF89a-----------") << false;
    QTest::newRow("corrupt compression") << QByteArray("NVSTUDY2\x00\x00\x00\x10garbage", 20) << false;
    QTest::newRow("other study type")
        << "NVSTUDY1{\"study\":{\"studyType\":\"Holter\"}," + patient + ",\"session\":{\"sessionNumber\":1}}" << false;
    QTest::newRow("null uuid")
        << QByteArray("NVSTUDY1{\"study\":{\"studyType\":\"Monitor session\"},\"patient\":{\"uuid\":\"x\"},"
                      "\"session\":{\"sessionNumber\":1}}")
        << false;
    QTest::newRow("no session")
        << "NVSTUDY1{\"study\":{\"studyType\":\"Monitor session\"}," + patient + "}" << true;
}

void TestMonitorDatabase::rebuildSkipsForeignFiles()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, patientKept);
    const QString r = m_db->rootPath();
    m_db.reset();
    QVERIFY(QFile::remove(r + "/data/sessions.sqlite"));
    writeFile(r + "/Odd-File-20260101000000.nvstudy", bytes);
    openDatabase();
    QCOMPARE(m_db->listPatients().size(), patientKept ? 1 : 0);
    QVERIFY(m_db->listSessions(1).isEmpty());
}

void TestMonitorDatabase::rebuildSetsOldPicturesAside()
{
    const int a = addPatient("A", "A");
    const int b = addPatient("B", "B");
    start(b, QDateTime(QDate(2026, 1, 1), QTime(9, 0)));
    m_db->savePicture(a, "face of A");
    m_db->savePicture(b, "face of B");
    const QString r = m_db->rootPath();
    writeFile(r + "/pictures/notes.txt", "not a picture");
    m_db.reset();
    QVERIFY(QFile::remove(r + "/data/sessions.sqlite"));
    openDatabase();

    // B is patient 1 now; the old pic1 (A's face) must not show up for B.
    PatientRecord p;
    QVERIFY(m_db->loadPatient(1, p));
    QCOMPARE(p.lastName, QStringLiteral("B"));
    QByteArray bytes;
    QVERIFY(!m_db->loadPicture(1, bytes));
    const QStringList folders = QDir(r + "/pictures").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    QCOMPARE(folders.size(), 1);
    QVERIFY(folders[0].startsWith("before-rebuild-"));
    QDir aside(r + "/pictures/" + folders[0]);
    QCOMPARE(aside.entryList(QDir::Files), (QStringList{"pic1", "pic2"}));
    QFile f(aside.filePath("pic1"));
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("face of A"));
    QVERIFY(QFile::exists(r + "/pictures/notes.txt"));
}

void TestMonitorDatabase::unsafeNamesGiveSafeFiles_data()
{
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("base");
    QTest::newRow("slashes") << "../../etc" << "a/b\\c" << "______etc-a_b_c-20260101090000";
    QTest::newRow("reserved") << "a:b*c?d\"e<f>g|h" << "x" << "a_b_c_d_e_f_g_h-x-20260101090000";
    QTest::newRow("control") << QString("tab\there\nnl") << "x" << "tab_here_nl-x-20260101090000";
    QTest::newRow("trailing dot and space") << "Smith. " << "Jr." << "Smith__-Jr_-20260101090000";
    QTest::newRow("device names") << "CON" << "com1" << "CON_-com1_-20260101090000";
    QTest::newRow("very long") << QString(300, 'x') << "y" << QString(64, 'x') + "-y-20260101090000";
}

void TestMonitorDatabase::unsafeNamesGiveSafeFiles()
{
    QFETCH(QString, last);
    QFETCH(QString, first);
    QFETCH(QString, base);
    const int id = addPatient(last, first);
    auto s = start(id, QDateTime(QDate(2026, 1, 1), QTime(9, 0)));
    QVERIFY(s);
    SessionInfo info;
    QVERIFY(m_db->loadSession(id, 1, info));
    QCOMPARE(info.baseFilename, base);
    // Both files sit directly in the root.
    QVERIFY(QFileInfo(m_db->rootPath() + "/" + base + ".nvstudy").isFile());
    QCOMPARE(QDir(root()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"NorvaneMonitor"});
    s.reset();
    QVERIFY(m_db->openSession(id, 1));
}

void TestMonitorDatabase::storedBaseFilenamesUsedAsStored()
{
    const int id = addPatient("O'Brien", "Seán");
    SessionInfo info;
    info.patientId = id;
    info.sessionNumber = 1;
    info.presence = true;
    info.startDateTime = QDateTime(QDate(2020, 5, 6), QTime(7, 8, 9));
    info.baseFilename = QStringLiteral("O'Brien. Old-Seán-20200506070809");
    m_db->insertSession(info);
    MonitorSession s{SessionData()};
    s.patientId = id;
    s.sessionNumber = 1;
    s.hrTrend = {66};
    m_db->updateSession(s);
    QVERIFY(QFile::exists(m_db->studyPath(info.baseFilename)));
    auto opened = m_db->openSession(id, 1);
    QVERIFY(opened);
    QCOMPARE(opened->hrTrend, QVector<int>{66});
}

void TestMonitorDatabase::failedStatementThrowsDriverText()
{
    QSqlQuery q;
    QVERIFY(q.exec("drop table Session"));
    try {
        m_db->nextSessionNumber(1);
        QFAIL("no exception");
    } catch (const StorageError &e) {
        QVERIFY2(QString::fromUtf8(e.what()).contains("no such table"), e.what());
    }
}

QTEST_GUILESS_MAIN(TestMonitorDatabase)
#include "tst_monitordatabase.moc"
