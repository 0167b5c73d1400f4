// The storage root with its SQLite index: patients and sessions in their
// rows, the files of a session, deletion, and rebuilding a lost index from
// the study files. Every test runs on a fresh root with real files.

#include "../common/teststorage.h"

#include "storage/storageerror.h"
#include "storage/studyfile.h"

#include <QSqlQuery>
#include <QtTest>

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files);
}

} // namespace

class TestMonitorDatabase : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestStorage> m_storage;
    MonitorDatabase *db() const { return m_storage->database.get(); }
    QDateTime at(int day, int hour = 9) const { return QDateTime(QDate(2026, 1, day), QTime(hour, 0)); }
    // Removes the index, as a lost or deleted database file, and starts again.
    void loseIndex()
    {
        m_storage->database.reset();
        QVERIFY(QFile::remove(m_storage->root() + QStringLiteral("/data/sessions.sqlite")));
        m_storage->reopen();
    }

private slots:
    void init() { m_storage = std::make_unique<TestStorage>(); }
    void cleanup()
    {
        m_storage.reset();
        QVERIFY(!MonitorDatabase::instance());
    }

    void firstRunCreatesTheLayout()
    {
        QVERIFY(QFileInfo(m_storage->root() + "/pictures").isDir() && QFileInfo::exists(db()->databasePath()));
        QVERIFY(db()->databasePath() == m_storage->root() + "/data/sessions.sqlite" && MonitorDatabase::instance() == db());
        QSqlQuery q(QStringLiteral("select sql from sqlite_master order by name"));
        QStringList tables;
        while (q.next())
            tables << q.value(0).toString();
        QCOMPARE(tables, (QStringList{"CREATE TABLE Patient(id integer primary key, data text)",
                                      "CREATE TABLE Session(patientId integer, sessionNumber integer, data text)"}));
        QVERIFY_EXCEPTION_THROWN(MonitorDatabase(m_storage->root() + "/second"), std::logic_error);
        QCOMPARE(MonitorDatabase::defaultRoot(QStringLiteral("X")),
                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/X");
    }

    void patientRows()
    {
        PatientRecord p = fullPatient();
        db()->insertPatient(p);
        QVERIFY(p.id > 0 && !p.uuid.isNull());
        PatientRecord back;
        QVERIFY(db()->loadPatient(p.id, back) && back.id == p.id);
        QCOMPARE(back.toJson(), p.toJson());
        // The row holds indented JSON without the id.
        QSqlQuery q(QStringLiteral("select data from Patient"));
        QVERIFY(q.next() && q.value(0).toString().contains("\n    \"city\": \"") && !q.value(0).toString().contains("\"id\""));

        p.city = QStringLiteral("Mendoza");
        db()->updatePatient(p);
        QVERIFY(db()->loadPatient(p.id, back));
        QCOMPARE(back.toJson(), p.toJson());
        // A given uuid is kept.
        PatientRecord second;
        second.uuid = QUuid(QStringLiteral("{11111111-2222-3333-4444-555555555555}"));
        db()->insertPatient(second);
        QVERIFY(db()->loadPatient(second.id, back) && back.uuid == second.uuid);

        // No such row leaves the record alone; a garbled one gives an empty record.
        QVERIFY(!db()->loadPatient(42, back) && back.uuid == second.uuid);
        QVERIFY(QSqlQuery().exec("insert into Patient(id, data) values (9, 'not json {')"));
        QVERIFY(db()->loadPatient(9, back) && back.id == 9 && back.lastName.isEmpty() && back.uuid.isNull());
    }

    void sessionRowsAndTheirNumbers()
    {
        const int a = m_storage->addPatient(QStringLiteral("Alba")), b = m_storage->addPatient(QStringLiteral("Bravo"));
        QCOMPARE(db()->nextSessionNumber(a), 1);
        m_storage->startSession(a, at(5));
        m_storage->startSession(a, QDateTime(QDate(2026, 1, 12), QTime(23, 59, 59)), false);
        QVERIFY(db()->nextSessionNumber(a) == 3 && db()->nextSessionNumber(b) == 1);
        QList<PatientSummary> list = db()->listPatients();
        std::sort(list.begin(), list.end(), [](const PatientSummary &x, const PatientSummary &y) { return x.id < y.id; });
        QVERIFY(list.size() == 2 && list[0].name == QStringLiteral("Alba, Ana"));
        QVERIFY(list[0].lastSession == QDate(2026, 1, 12) && !list[1].lastSession.isValid());

        const QList<SessionInfo> sessions = db()->listSessions(a);
        QVERIFY(sessions.size() == 2 && sessions[0].presence && !sessions[1].presence && sessions[1].sessionNumber == 2);
        QCOMPARE(sessions[1].startDateTime, QDateTime(QDate(2026, 1, 12), QTime(23, 59, 59)));
        QCOMPARE(sessions[1].baseFilename, QStringLiteral("Alba-Ana-20260112235959"));
        SessionInfo info;
        QVERIFY(db()->loadSession(a, 2, info) && !info.presence && !db()->loadSession(a, 7, info));
        QCOMPARE(info.baseFilename, sessions[1].baseFilename);
        QSqlQuery q(QStringLiteral("select data from Session where sessionNumber = 2"));
        QVERIFY(q.next());
        QCOMPARE(QJsonDocument::fromJson(q.value(0).toString().toUtf8()).object(),
                 (QJsonObject{{"baseFilename", "Alba-Ana-20260112235959"}, {"presence", false},
                              {"startDateTime", "20260112235959"}}));
    }

    void sessionFilesRoundTrip()
    {
        const int id = m_storage->addPatient(QStringLiteral("Núñez"), QStringLiteral("José"));
        QVERIFY(!db()->openSession(id, 1));
        {
            auto s = m_storage->startSession(id, QDateTime(QDate(2026, 2, 3), QTime(8, 9, 10)));
            const QString base = QStringLiteral("Núñez-José-20260203080910");
            QVERIFY(s->recording()->path() == db()->recordingPath(base) && QFileInfo(s->recording()->path()).size() == 4096);
            QJsonObject header;
            QVERIFY(TFileSignal::readRecordingHeader(s->recording()->path(), header));
            QVERIFY(header.value("patient").toObject().value("lastName") == "Núñez" && header.value("session").toObject().value("exerciseType") == "Bike");
            QJsonDocument study;
            QVERIFY(readStudyFile(db()->studyPath(base), study));
            QCOMPARE(study.object().value("patient").toObject().value("firstName").toString(), QStringLiteral("José"));

            std::vector<qint16> ecg(1300);
            for (size_t i = 0; i < ecg.size(); ++i)
                ecg[i] = qint16(i);
            const qint16 *channels[] = {ecg.data()};
            s->recording()->appendChannels(channels, 1300);
            s->hrTrend = {70, 72, 80};
            s->setCheckpoint(PhasePostExercise, Checkpoint{5.2, 80, 140, 90});
            s->events.append(SessionEvent{3, QStringLiteral("Chest pain"), true});
            db()->updateSession(*s);
        }
        auto s = db()->openSession(id, 1);
        QVERIFY(s && s->lastHeartRate() == 80 && s->checkpoint(PhasePostExercise).sysBP == 140 && s->events.size() == 1 && s->weight == 80.0);
        QVERIFY(s->recording()->sampleCount() == 1300 && s->recording()->sample(0, 999) == 999 && s->recording()->sample(0, 1299) == 1299);
        QVERIFY(s->recording()->lsb() == 12.0 / 512.0 && s->recording()->channelName(0) == QStringLiteral("V5"));

        // A session without a row writes nothing; a stored file name is used as stored.
        MonitorSession orphan{SessionData()};
        orphan.patientId = id;
        orphan.sessionNumber = 9;
        const QStringList before = filesIn(db()->rootPath());
        db()->updateSession(orphan);
        QCOMPARE(filesIn(db()->rootPath()), before);
        SessionInfo old;
        old.patientId = id;
        old.sessionNumber = 9;
        old.baseFilename = QStringLiteral("O'Brien. Old-Seán-20200506070809");
        db()->insertSession(old);
        orphan.hrTrend = {66};
        db()->updateSession(orphan);
        QCOMPARE(db()->openSession(id, 9)->hrTrend, QVector<int>{66});
        // No patient: no session and no file.
        QVERIFY(!m_storage->startSession(77, at(1)) && db()->listSessions(77).isEmpty());
    }

    void sessionsWithMissingFiles()
    {
        const int id = m_storage->addPatient(QStringLiteral("A"));
        SessionInfo info[3];
        for (int n = 0; n < 3; ++n) {
            m_storage->startSession(id, at(n + 3));
            QVERIFY(db()->loadSession(id, n + 1, info[n]));
        }
        // Without its recording a session is reviewed without ECG; without a
        // readable study file there is no session.
        QVERIFY(QFile::remove(db()->recordingPath(info[0].baseFilename)));
        auto withoutEcg = db()->openSession(id, 1);
        QVERIFY(withoutEcg && !withoutEcg->recording());
        QVERIFY(QFile::remove(db()->studyPath(info[1].baseFilename)));
        QVERIFY(!db()->openSession(id, 2) && writeFile(db()->studyPath(info[2].baseFilename), "NVSTUDY1[1,2,3]"));
        QVERIFY(!db()->openSession(id, 3));
    }

    void deletingAPatientRemovesItsFiles()
    {
        const int keep = m_storage->addPatient(QStringLiteral("Keep"), QStringLiteral("Me"));
        const int gone = m_storage->addPatient(QStringLiteral("Gone"), QStringLiteral("Soon"));
        m_storage->startSession(keep, at(3, 8));
        m_storage->startSession(gone, at(3, 9));
        m_storage->startSession(gone, at(4, 9), false);
        db()->savePicture(keep, "keep-face");
        db()->savePicture(gone, "gone-face");
        db()->deletePatient(gone);
        PatientRecord p;
        QVERIFY(!db()->loadPatient(gone, p) && db()->listSessions(gone).isEmpty() && db()->listSessions(keep).size() == 1);
        QCOMPARE(filesIn(db()->rootPath()), (QStringList{"Keep-Me-20260103080000.nvecg", "Keep-Me-20260103080000.nvstudy"}));
        QByteArray bytes = "untouched";
        QVERIFY(!db()->loadPicture(gone, bytes) && bytes == "untouched");
        QVERIFY(db()->loadPicture(keep, bytes) && bytes == "keep-face");
    }

    void lostIndexIsRebuiltFromStudyFiles()
    {
        PatientRecord alba = fullPatient();
        alba.lastName = QStringLiteral("Alba");
        db()->insertPatient(alba);
        const int bravo = m_storage->addPatient(QStringLiteral("Bravo"));
        m_storage->addPatient(QStringLiteral("Without sessions"));
        m_storage->startSession(alba.id, at(1));
        m_storage->startSession(bravo, at(2));
        m_storage->startSession(alba.id, at(8), false);
        db()->savePicture(alba.id, "face of Alba");
        QVERIFY(writeFile(db()->rootPath() + "/pictures/notes.txt", "not a picture"));
        loseIndex();

        // Patients come back once each, in the order of their first file; one
        // without sessions had no study file and is gone.
        QCOMPARE(db()->listPatients().size(), 2);
        PatientRecord back;
        QVERIFY(db()->loadPatient(1, back) && back.toJson() == alba.toJson());
        const QList<SessionInfo> sessions = db()->listSessions(1);
        QVERIFY(sessions.size() == 2 && sessions[0].presence && !sessions[1].presence);
        QVERIFY(sessions[1].startDateTime == at(8) && sessions[1].baseFilename == MonitorDatabase::makeBaseFilename(alba, at(8)));
        QCOMPARE(db()->nextSessionNumber(1), 3);
        QVERIFY(db()->openSession(1, 1) && db()->listSessions(2).size() == 1);

        // Ids start again from 1: old pictures go into a folder of their own.
        QByteArray picture;
        QVERIFY(!db()->loadPicture(1, picture));
        const QStringList folders = QDir(db()->rootPath() + "/pictures").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QVERIFY(folders.size() == 1 && folders[0].startsWith("before-rebuild-"));
        QCOMPARE(readFile(db()->rootPath() + "/pictures/" + folders[0] + "/pic1"), QByteArray("face of Alba"));
        QVERIFY(QFile::exists(db()->rootPath() + "/pictures/notes.txt"));
    }

    void rebuildSkipsForeignFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("patientKept");
        const QByteArray patient = "\"patient\":{\"uuid\":\"{0f8fad5b-d9cb-469f-a165-70867728950e}\",\"lastName\":\"Z\"}";
        const QByteArray study = "NVSTUDY1{\"study\":{\"studyType\":\"Monitor session\"},";
        QTest::newRow("truncated") << QByteArray("NVSTUD") << false;
        QTest::newRow("corrupt compression") << QByteArray("NVSTUDY2\x00\x00\x00\x10garbage", 20) << false;
        QTest::newRow("other study type")
            << "NVSTUDY1{\"study\":{\"studyType\":\"Holter\"}," + patient + ",\"session\":{\"sessionNumber\":1}}" << false;
        QTest::newRow("no study object") << "NVSTUDY1{" + patient + ",\"session\":{\"sessionNumber\":1}}" << false;
        QTest::newRow("no patient") << study + "\"session\":{\"sessionNumber\":1}}" << false;
        QTest::newRow("null uuid") << study + "\"patient\":{\"uuid\":\"x\"},\"session\":{\"sessionNumber\":1}}" << false;
        QTest::newRow("no session") << study + patient + "}" << true;
    }

    void rebuildSkipsForeignFiles()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, patientKept);
        QVERIFY(writeFile(db()->rootPath() + "/Odd-File-20260101000000.nvstudy", bytes));
        loseIndex();
        QCOMPARE(db()->listPatients().size(), patientKept ? 1 : 0);
        QVERIFY(db()->listSessions(1).isEmpty());
    }

    void unsafeNamesGiveFilesInTheRoot()
    {
        const int id = m_storage->addPatient(QStringLiteral("../../etc"), QStringLiteral("a/b"));
        m_storage->startSession(id, at(1));
        QCOMPARE(filesIn(db()->rootPath()), (QStringList{"______etc-a_b-20260101090000.nvecg",
                                                         "______etc-a_b-20260101090000.nvstudy"}));
        QVERIFY(db()->openSession(id, 1));
    }

    void failedStatementsThrowTheDriversText()
    {
        QVERIFY(QSqlQuery().exec("drop table Session"));
        try {
            db()->nextSessionNumber(1);
            QFAIL("no exception");
        } catch (const StorageError &e) {
            QVERIFY2(QString::fromUtf8(e.what()).contains("no such table"), e.what());
        }
    }
};

QTEST_GUILESS_MAIN(TestMonitorDatabase)
#include "tst_monitordatabase.moc"
