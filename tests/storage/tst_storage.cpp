// The storage root with its SQLite index: patients and sessions in their
// rows, the files of a session, deletion, rebuilding a lost index from the
// study files; and demonstration data filled in through it: complete patients
// and believable sessions, the same files for the same seed, and a second
// run that leaves the first alone.
//
// Storage also survives crashes and bad input: a station killed while
// rebuilding finds every patient at its next start, a session that cannot
// start leaves neither row nor file, study files that expand beyond any real
// session are refused, and recordings only looked at are never written.

#include "../common/teststorage.h"

#include "dsp/tbeatdetector.h"
#include "storage/studyfile.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QProcess>
#include <QtEndian>
#include <QtTest>

#include <algorithm>
#include <csignal>

namespace {

QStringList filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files);
}

QMap<QString, QByteArray> filesOf(const QString &root)
{
    QMap<QString, QByteArray> files;
    for (const QString &name : QDir(root).entryList(QDir::Files))
        files.insert(name, QCryptographicHash::hash(readFile(root + "/" + name), QCryptographicHash::Sha1));
    return files;
}

int maximum(const QVector<int> &trend, int from, int to)
{
    return *std::max_element(trend.begin() + from, trend.begin() + to);
}

} // namespace

class TestStorageRoot : public QObject
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
    }

    void firstRunCreatesTheLayout()
    {
        QVERIFY(QFileInfo(m_storage->root() + "/pictures").isDir());
        QVERIFY(QFileInfo::exists(db()->databasePath()));
        QVERIFY(db()->databasePath() == m_storage->root() + "/data/sessions.sqlite");
        QSqlQuery q = indexQuery(*db(), QStringLiteral("select sql from sqlite_master order by name"));
        QStringList tables;
        while (q.next())
            tables << q.value(0).toString();
        QCOMPARE(tables, (QStringList{"CREATE TABLE Patient(id integer primary key, data text)",
                                      "CREATE TABLE Session(patientId integer, sessionNumber integer, data text)"}));
        QVERIFY_EXCEPTION_THROWN(MonitorDatabase(m_storage->root() + "/second"), std::logic_error);
    }

    void patientRows()
    {
        PatientRecord p = fullPatient();
        db()->insertPatient(p);
        QVERIFY(p.id > 0);
        QVERIFY(!p.uuid.isNull());
        PatientRecord back;
        QVERIFY(db()->loadPatient(p.id, back));
        QVERIFY(back.id == p.id);
        QCOMPARE(back.toJson(), p.toJson());
        // The row holds indented JSON without the id.
        QSqlQuery q = indexQuery(*db(), QStringLiteral("select data from Patient"));
        QVERIFY(q.next());
        QVERIFY(q.value(0).toString().contains("\n    \"city\": \""));
        QVERIFY(!q.value(0).toString().contains("\"id\""));

        p.city = QStringLiteral("Mendoza");
        db()->updatePatient(p);
        QVERIFY(db()->loadPatient(p.id, back));
        QCOMPARE(back.toJson(), p.toJson());
        // A given uuid is kept.
        PatientRecord second;
        second.uuid = QUuid(QStringLiteral("{11111111-2222-3333-4444-555555555555}"));
        db()->insertPatient(second);
        QVERIFY(db()->loadPatient(second.id, back));
        QVERIFY(back.uuid == second.uuid);

        // No such row leaves the record alone; a garbled one gives an empty record.
        QVERIFY(!db()->loadPatient(42, back));
        QVERIFY(back.uuid == second.uuid);
        QVERIFY(indexQuery(*db()).exec("insert into Patient(id, data) values (9, 'not json {')"));
        QVERIFY(db()->loadPatient(9, back));
        QVERIFY(back.id == 9);
        QVERIFY(back.lastName.isEmpty());
        QVERIFY(back.uuid.isNull());
    }

    void sessionRowsAndTheirNumbers()
    {
        const int a = m_storage->addPatient(QStringLiteral("Alba")), b = m_storage->addPatient(QStringLiteral("Bravo"));
        QCOMPARE(db()->nextSessionNumber(a), 1);
        m_storage->startSession(a, at(5));
        m_storage->startSession(a, QDateTime(QDate(2026, 1, 12), QTime(23, 59, 59)), false);
        QVERIFY(db()->nextSessionNumber(a) == 3);
        QVERIFY(db()->nextSessionNumber(b) == 1);
        QList<PatientSummary> list = db()->listPatients();
        std::sort(list.begin(), list.end(), [](const PatientSummary &x, const PatientSummary &y) { return x.id < y.id; });
        QVERIFY(list.size() == 2);
        QVERIFY(list[0].name == QStringLiteral("Alba, Ana"));
        QVERIFY(list[0].lastSession == QDate(2026, 1, 12));
        QVERIFY(!list[1].lastSession.isValid());

        const QList<SessionInfo> sessions = db()->listSessions(a);
        QVERIFY(sessions.size() == 2);
        QVERIFY(sessions[0].presence);
        QVERIFY(!sessions[1].presence);
        QVERIFY(sessions[1].sessionNumber == 2);
        QCOMPARE(sessions[1].startDateTime, QDateTime(QDate(2026, 1, 12), QTime(23, 59, 59)));
        QCOMPARE(sessions[1].baseFilename, QStringLiteral("Alba-Ana-20260112235959"));
        SessionInfo info;
        QVERIFY(db()->loadSession(a, 2, info));
        QVERIFY(!info.presence);
        QVERIFY(!db()->loadSession(a, 7, info));
        QCOMPARE(info.baseFilename, sessions[1].baseFilename);
        QSqlQuery q = indexQuery(*db(), QStringLiteral("select data from Session where sessionNumber = 2"));
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
            QVERIFY(s->recording()->path() == db()->recordingPath(base));
            QVERIFY(QFileInfo(s->recording()->path()).size() == 4096);
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
        QVERIFY(s);
        QVERIFY(s->lastHeartRate() == 80);
        QVERIFY(s->checkpoint(PhasePostExercise).sysBP == 140);
        QVERIFY(s->events.size() == 1);
        QVERIFY(s->weight == 80.0);
        QVERIFY(s->recording()->sampleCount() == 1300);
        QVERIFY(s->recording()->sample(0, 999) == 999);
        QVERIFY(s->recording()->sample(0, 1299) == 1299);
        QVERIFY(s->recording()->lsb() == 12.0 / 512.0);
        QVERIFY(s->recording()->channelName(0) == "V5");
        QVERIFY(s->recording()->rate() == 250);

        // A session without a row writes nothing and says so; a stored file
        // name is used as stored.
        MonitorSession orphan{SessionData()};
        orphan.patientId = id;
        orphan.sessionNumber = 9;
        const QStringList before = filesIn(db()->rootPath());
        QVERIFY_EXCEPTION_THROWN(db()->updateSession(orphan), StorageError);
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
        QVERIFY(!m_storage->startSession(77, at(1)));
        QVERIFY(db()->listSessions(77).isEmpty());
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
        QVERIFY(withoutEcg);
        QVERIFY(!withoutEcg->recording());
        QVERIFY(QFile::remove(db()->studyPath(info[1].baseFilename)));
        QVERIFY(!db()->openSession(id, 2));
        QVERIFY(writeFile(db()->studyPath(info[2].baseFilename), "NVSTUDY1[1,2,3]"));
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
        QVERIFY(!db()->loadPatient(gone, p));
        QVERIFY(db()->listSessions(gone).isEmpty());
        QVERIFY(db()->listSessions(keep).size() == 1);
        QCOMPARE(filesIn(db()->rootPath()), (QStringList{"Keep-Me-20260103080000.nvecg", "Keep-Me-20260103080000.nvstudy"}));
        QByteArray bytes = "untouched";
        QVERIFY(!db()->loadPicture(gone, bytes));
        QVERIFY(bytes == "untouched");
        QVERIFY(db()->loadPicture(keep, bytes));
        QVERIFY(bytes == "keep-face");
    }

    void lostIndexIsRebuiltFromStudyFiles()
    {
        PatientRecord alba = fullPatient();
        alba.lastName = QStringLiteral("Alba");
        db()->insertPatient(alba);
        const int bravo = m_storage->addPatient(QStringLiteral("Bravo"));
        m_storage->addPatient(QStringLiteral("Without sessions"));
        const int aaron = m_storage->addPatient(QStringLiteral("Aaron"));
        m_storage->startSession(alba.id, at(1));
        m_storage->startSession(bravo, at(2));
        m_storage->startSession(alba.id, at(8), false);
        m_storage->startSession(aaron, at(9));
        db()->savePicture(alba.id, "face of Alba");
        db()->savePicture(bravo, "face of Bravo");
        QVERIFY(writeFile(db()->rootPath() + "/pictures/pic9", "a face nobody owns"));
        QVERIFY(writeFile(db()->rootPath() + "/pictures/notes.txt", "not a picture"));
        loseIndex();

        // Patients come back once each under the numbers they had; one
        // without sessions had no study file and is gone.
        QCOMPARE(db()->listPatients().size(), 3);
        QCOMPARE(db()->repairNotes(), QStringList());
        PatientRecord back;
        QVERIFY(db()->loadPatient(alba.id, back));
        QVERIFY(back.toJson() == alba.toJson());
        const QList<SessionInfo> sessions = db()->listSessions(alba.id);
        QVERIFY(sessions.size() == 2);
        QVERIFY(sessions[0].presence);
        QVERIFY(!sessions[1].presence);
        QVERIFY(sessions[1].startDateTime == at(8));
        QVERIFY(sessions[1].baseFilename == MonitorDatabase::makeBaseFilename(alba, at(8)));
        QCOMPARE(db()->nextSessionNumber(alba.id), 3);
        QVERIFY(db()->openSession(alba.id, 1));
        QVERIFY(db()->listSessions(aaron).size() == 1);

        // Each picture stays with its patient; one whose owner is unknown
        // goes into a folder of its own.
        QByteArray picture;
        QVERIFY(!db()->loadPicture(aaron, picture));
        QVERIFY(db()->loadPicture(alba.id, picture));
        QVERIFY(picture == "face of Alba");
        QVERIFY(db()->loadPicture(bravo, picture));
        QVERIFY(picture == "face of Bravo");
        const QStringList folders = QDir(db()->rootPath() + "/pictures").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
        QVERIFY(folders.size() == 1);
        QVERIFY(folders[0].startsWith("before-rebuild-"));
        QCOMPARE(readFile(db()->rootPath() + "/pictures/" + folders[0] + "/pic9"), QByteArray("a face nobody owns"));
        QVERIFY(QFile::exists(db()->rootPath() + "/pictures/notes.txt"));
        // A picture marked as another patient's is never shown as this one's.
        QVERIFY(QFile::copy(db()->pictureOwnerPath(bravo), db()->pictureOwnerPath(aaron)));
        QVERIFY(writeFile(db()->picturePath(aaron), "x"));
        QVERIFY(!db()->loadPicture(aaron, picture));
    }

    void rebuildSkipsForeignFiles_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<bool>("patientKept");
        const QByteArray patient = "\"patient\":{\"uuid\":\"{0f8fad5b-d9cb-469f-a165-70867728950e}\",\"lastName\":\"Z\"}";
        const QByteArray study = "NVSTUDY1{\"study\":{\"studyType\":\"Monitor session\"},";
        QTest::newRow("truncated") << QByteArray("NVSTUD") << false;
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

    void completePatientsAndBelievableSessions()
    {
        TestStorage &storage = *m_storage;
        DemoDataOptions options;
        options.patients = 2;
        options.sessions = 5;
        options.minutes = 2;
        options.seed = 7;
        const DemoDataResult result = fillDemoData(*storage.database, options);
        QVERIFY(result.patients == 2);
        QVERIFY(result.sessions == 10);
        int absent = 0;
        for (const PatientSummary &summary : storage->listPatients()) {
            PatientRecord p;
            QVERIFY(storage->loadPatient(summary.id, p));
            const QJsonObject json = p.toJson();
            for (auto it = json.begin(); it != json.end(); ++it)
                QVERIFY2(!it.value().toString().isEmpty(), qPrintable(it.key()));
            const QList<SessionInfo> sessions = storage->listSessions(summary.id);
            QVERIFY(sessions.size() == 5);
            QVERIFY(sessions.first().presence);
            for (int n = 1; n < 5; ++n) {
                const qint64 days = sessions[n - 1].startDateTime.daysTo(sessions[n].startDateTime);
                QVERIFY(days == 2 || days == 3);
            }
            for (const SessionInfo &info : sessions) {
                auto s = storage->openSession(summary.id, info.sessionNumber);
                QVERIFY(s);
                QVERIFY(s->recording());
                if (!s->presence) {
                    ++absent;
                    QVERIFY(s->hrTrend.isEmpty());
                    QVERIFY(s->events.isEmpty());
                    QVERIFY(s->recording()->sampleCount() == 0);
                    continue;
                }
                QVERIFY(s->hrTrend.size() == 120);
                QVERIFY(s->tempTrend.size() == 120);
                QVERIFY(s->recording()->sampleCount() == 120 * 250);
                // Rest, a ramp up to the exercise plateau (never beyond it), recovery.
                const int rest = maximum(s->hrTrend, 0, 18), plateau = maximum(s->hrTrend, 42, 96);
                QVERIFY2(plateau >= rest + 15, qPrintable(QStringLiteral("%1 %2").arg(rest).arg(plateau)));
                QVERIFY(maximum(s->hrTrend, 18, 42) <= plateau + 4);
                QVERIFY(s->hrTrend.last() < plateau - 5);
                QVERIFY(s->hrTrend.last() > rest);

                // A printed "BP" event at each checkpoint, events in time order,
                // and the stop at the end.
                QStringList printed;
                for (int k = 0; k < s->events.size(); ++k) {
                    QVERIFY(k == 0 || s->events[k - 1].timeOffset <= s->events[k].timeOffset);
                    if (s->events[k].description.startsWith("BP "))
                        printed << QStringLiteral("%1 %2").arg(s->events[k].timeOffset).arg(s->events[k].description);
                }
                QStringList expected;
                for (int phase : {PhaseBasal, PhaseIntraExercise, PhasePostExercise}) {
                    const Checkpoint c = s->checkpoint(phase);
                    expected << QStringLiteral("%1 BP %2/%3").arg(c.timeOffset).arg(c.sysBP).arg(c.diaBP);
                    QCOMPARE(c.heartRate, s->hrTrend[int(c.timeOffset)]);
                }
                QCOMPARE(printed, expected);
                const int intra = s->checkpoint(PhaseIntraExercise).sysBP;
                QVERIFY(intra > s->checkpoint(PhaseBasal).sysBP);
                QVERIFY(intra > s->checkpoint(PhasePostExercise).sysBP);
                QVERIFY(s->events.last().description == QStringLiteral("Stop monitoring"));
                QVERIFY(s->events.last().timeOffset == 120);

                // The ECG's rate follows the trend: the beats of the last minute.
                TBeatDetector detector;
                int beats = 0;
                for (int i = 0; i < s->recording()->sampleCount(); ++i)
                    beats += detector.feedStationSample(s->recording()->sample(0, i)) >= 60 * 250;
                double meanRate = 0;
                for (int t = 60; t < 120; ++t)
                    meanRate += s->hrTrend[t] / 60.0;
                QVERIFY2(std::abs(beats - meanRate) <= 0.1 * meanRate + 2, qPrintable(QString::number(beats)));
            }
        }
        QCOMPARE(absent, result.absentSessions);
    }

    void sameSeedSameFilesAndNothingOverwritten()
    {
        DemoDataOptions options;
        options.patients = 2;
        options.sessions = 2;
        options.minutes = 1;
        options.seed = 3;
        QMap<QString, QByteArray> first;
        m_storage.reset();
        {
            TestStorage storage;
            fillDemoData(*storage.database, options);
            first = filesOf(storage.root());
        }
        TestStorage storage;
        fillDemoData(*storage.database, options);
        QVERIFY(filesOf(storage.root()) == first);
        QVERIFY(first.size() == 8);
        // Run again on the same root: the same names and times, so the new
        // sessions go to other files and the first ones stay as they were.
        fillDemoData(*storage.database, options);
        const QMap<QString, QByteArray> both = filesOf(storage.root());
        QCOMPARE(both.size(), 16);
        for (auto it = first.cbegin(); it != first.cend(); ++it)
            QCOMPARE(both.value(it.key()), it.value());
        QVERIFY(storage->openSession(3, 2));
    }

    void killedRebuildListsEveryPatientNextTime()
    {
        // Enough study files for the rebuild to take a while.
        QTemporaryDir dir;
        constexpr int Patients = 2000;
        SessionData data;
        data.sessionNumber = 1;
        data.startDateTime = QDateTime(QDate(2026, 3, 2), QTime(8, 0));
        const MonitorSession session(data);
        for (int i = 0; i < Patients; ++i) {
            PatientRecord patient;
            patient.uuid = QUuid::createUuid();
            patient.lastName = QStringLiteral("P%1").arg(i);
            const QByteArray json = QJsonDocument(studyJson(session, patient)).toJson(QJsonDocument::Compact);
            QVERIFY(writeFile(dir.filePath(MonitorDatabase::makeBaseFilename(patient, data.startDateTime) + ".nvstudy"),
                              "NVSTUDY2" + qCompress(json)));
        }
        // Lines listed; killAfterMs > 0 kills the run that long after the index
        // file appeared (-1 when it had already ended). span: from the index file
        // appearing to the end of the run.
        auto listPatients = [&dir](int killAfterMs, qint64 *span = nullptr) {
            QProcess cli;
            cli.start(QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane-cli"), {"patients", "--root", dir.path()});
            const QDir data(dir.filePath("data"));
            while (cli.state() != QProcess::NotRunning && data.entryList(QDir::Files).isEmpty())
                QTest::qSleep(1);
            QElapsedTimer building;
            building.start();
            if (killAfterMs > 0) {
                QTest::qSleep(killAfterMs);
                if (cli.state() == QProcess::NotRunning)
                    return -1;
                ::kill(pid_t(cli.processId()), SIGKILL);
            }
            // Generous: a sanitizer build on a busy machine rebuilds slowly.
            cli.waitForFinished(300000);
            if (span)
                *span = building.elapsed();
            return cli.readAllStandardOutput().count('\n');
        };
        qint64 span = 0;
        QCOMPARE(listPatients(0, &span), Patients);
        // Killed early, midway and late in the rebuild, whatever the machine's
        // speed; the next start lists every patient.
        for (int part : {10, 3, 2}) {
            QDir(dir.filePath("data")).removeRecursively();
            QCOMPARE(listPatients(std::max<int>(1, int(span / part))), 0);
            QCOMPARE(listPatients(0), Patients);
        }
    }

    void failedStartLeavesNoRow()
    {
        // The disk fills before the study file, or before the recording, is
        // written: no row, and no file of the start is left.
        const int id = m_storage->addPatient(QStringLiteral("Doe"));
        for (const qint64 limit : {100, 2000}) {
            QString error;
            {
                const FileSizeLimit full(limit);
                error = storageErrorOf([&] { m_storage->startSession(id, at(1)); });
            }
            QCOMPARE(error, QStringLiteral("Write error"));
            QVERIFY(db()->listSessions(id).isEmpty());
            QCOMPARE(QDir(db()->rootPath()).entryList(QDir::Files | QDir::Hidden), QStringList());
        }
        QCOMPARE(db()->nextSessionNumber(id), 1);
    }

    void oversizedStudiesAreRefused()
    {
        // One states 800 MB of JSON; one states 100 bytes but expands past the bound.
        const QString root = db()->rootPath();
        QByteArray stated = "NVSTUDY2" + qCompress(QByteArray("{}"));
        qToBigEndian<quint32>(800u << 20, stated.data() + 8);
        QVERIFY(writeFile(root + "/a-stated.nvstudy", stated));
        QByteArray actual = "NVSTUDY2" + qCompress(QByteArray(int(MaxStudyJsonSize) + 1, ' '));
        qToBigEndian<quint32>(100, actual.data() + 8);
        QVERIFY(writeFile(root + "/b-actual.nvstudy", actual));
        for (const char *name : {"/a-stated.nvstudy", "/b-actual.nvstudy"}) {
            QJsonDocument document;
            QVERIFY(!readStudyFile(root + name, document));
        }
        // The rebuild skips them and indexes the real study beside them.
        QVERIFY(m_storage->startSession(m_storage->addPatient(QStringLiteral("Doe")), at(1)));
        loseIndex();
        QCOMPARE(db()->listPatients().size(), 1);
    }

    void reviewedRecordingIsNeverWritten()
    {
        std::unique_ptr<MonitorSession> live = m_storage->startSession(m_storage->addPatient(QStringLiteral("Doe")), at(1));
        const std::vector<qint16> samples(500, 7);
        live->recording()->appendInterleaved(samples.data(), 1000);
        const QString path = live->recording()->path();
        live.reset();
        std::unique_ptr<MonitorSession> reviewed = db()->openSession(1, 1);
        QVERIFY(reviewed);
        QVERIFY(reviewed->recording());
        reviewed->recording()->appendInterleaved(samples.data(), 1000);
        QCOMPARE(QFileInfo(path).size(), 4096 + 1000);
    }

    void demoDataWithoutMinutes()
    {
        m_storage.reset(); // the one database of the process is opened again below
        DemoStorage storage(1, 1, 0);
        std::unique_ptr<MonitorSession> session = storage->openSession(storage.firstPatientId(), 1);
        for (const SessionEvent &event : session->events)
            QVERIFY(event.timeOffset >= 0);
        for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase)
            QVERIFY(session->checkpoint(phase).timeOffset >= 0);
    }
};

QTEST_MAIN(TestStorageRoot)
#include "tst_storage.moc"
