// What keeps a storage root whole across crashes and damage: every session
// gets files of its own, a start killed on the way appears whole or not at
// all, a rebuild keeps both sessions of a number used twice and the pictures
// of the patients it keeps, and an index that is damaged or no database file
// at all is set aside and rebuilt. Failures to remove or write are told.

#include "../common/teststorage.h"

#include "storage/storageerror.h"
#include "storage/studyfile.h"

#include <QSqlQuery>
#include <QtTest>

#include <sys/stat.h>

class TestStorageRepair : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestStorage> m_storage;
    MonitorDatabase *db() const { return m_storage->database.get(); }
    const QDateTime m_start = QDateTime(QDate(2026, 4, 1), QTime(9, 30));

    QString stem(int patientId, int sessionNumber)
    {
        SessionInfo found;
        db()->loadSession(patientId, sessionNumber, found);
        return found.baseFilename;
    }
    QStringList files(const QString &folder, const QStringList &patterns = {})
    {
        return QDir(db()->rootPath() + folder).entryList(patterns, QDir::Files | QDir::Hidden | QDir::System);
    }

private slots:
    void init() { m_storage = std::make_unique<TestStorage>(); }
    void cleanup() { m_storage.reset(); }

    void everySessionGetsFilesOfItsOwn()
    {
        // Same names, and names equal once cut to 64 characters or made safe,
        // all started in the same second; a file of the name left by
        // something else, or a row whose files are gone, keeps its name.
        const QString longName(64, QLatin1Char('L'));
        const QStringList names = {"Demo", "Demo", longName + "A", longName + "B", "a/b", "a:b", "a?b"};
        QVERIFY(writeFile(db()->recordingPath("Demo-Ana-20260401093000"), "not ours"));
        QSet<QString> stems;
        for (const QString &name : names) {
            const int id = m_storage->addPatient(name);
            QVERIFY(m_storage->startSession(id, m_start));
            stems.insert(stem(id, 1));
            PatientRecord patient;
            QJsonDocument study;
            QVERIFY(db()->loadPatient(id, patient));
            QVERIFY(readStudyFile(db()->studyPath(stem(id, 1)), study));
            QCOMPARE(study.object().value("patient").toObject().value("uuid").toString(), patient.uuid.toString());
            if (name == "a:b") {
                QVERIFY(QFile::remove(db()->studyPath(stem(id, 1))));
                QVERIFY(QFile::remove(db()->recordingPath(stem(id, 1))));
            }
        }
        QCOMPARE(stems.size(), names.size());
        QVERIFY(stems.contains("Demo-Ana-20260401093000-3"));
        QVERIFY(stems.contains("a_b-Ana-20260401093000-3"));
        QCOMPARE(readFile(db()->recordingPath("Demo-Ana-20260401093000")), QByteArray("not ours"));
    }

    void startsKilledOnTheWayAreCompletedOrUndone()
    {
        // Four starts left as a process killed at another step would leave
        // them: the study file under its pending name, with or without the
        // row that makes it a session; session 4 also has a later save.
        const int id = m_storage->addPatient("Kill");
        QStringList pending;
        for (int n = 1; n <= 4; ++n) {
            QVERIFY(m_storage->startSession(id, m_start.addDays(n)));
            const QString study = db()->studyPath(stem(id, n));
            pending << MonitorDatabase::pendingStudyPath(study);
            QVERIFY(n == 4 ? QFile::copy(study, pending.last()) : QFile::rename(study, pending.last()));
        }
        // 1 and 2 never reached the index: 1 long ago, 2 just now (perhaps on
        // its way in another process). Saves interrupted before their commit.
        const QString lost = stem(id, 1), young = stem(id, 2);
        QVERIFY(indexQuery(*db()).exec("delete from Session where sessionNumber <= 2"));
        for (const QString &left : {pending[0], db()->rootPath() + "/x.nvstudy.Ab12Cd",
                                    db()->rootPath() + "/y.nvstudy.pending.q9W8e7", db()->rootPath() + "/pictures/pic3.Zz0011"}) {
            QFile file(left);
            QVERIFY(file.open(QIODevice::ReadWrite));
            QVERIFY((file.size() > 0 || file.write("partial") == 7));
            QVERIFY(file.flush());
            QVERIFY(file.setFileTime(m_start, QFileDevice::FileModificationTime));
        }
        m_storage->reopen();

        QVERIFY(!QFile::exists(db()->studyPath(lost)));
        QVERIFY(!QFile::exists(db()->recordingPath(lost)));
        QVERIFY(QFile::exists(db()->recordingPath(young)));
        QVERIFY(db()->openSession(id, 3));
        QVERIFY(db()->openSession(id, 4));
        QCOMPARE(files("", {"*.nvstudy.*"}), QStringList{QFileInfo(pending[1]).fileName()});
        QCOMPARE(files("/pictures"), QStringList());
    }

    void rebuildKeepsBothSessionsOfANumber()
    {
        // A start killed before its row was written left session 2; the
        // clinician then monitored session 2 again, for a minute.
        const int id = m_storage->addPatient("Twice");
        m_storage->startSession(id, m_start);
        m_storage->startSession(id, m_start.addDays(2));
        const QString orphan = stem(id, 2);
        QVERIFY(indexQuery(*db()).exec("delete from Session where sessionNumber = 2"));
        auto real = m_storage->startSession(id, m_start.addDays(2).addSecs(300));
        real->hrTrend = QVector<int>(60, 90);
        db()->updateSession(*real);
        m_storage->database.reset();
        QVERIFY(QFile::remove(m_storage->root() + "/data/sessions.sqlite"));
        m_storage->reopen();

        QVERIFY(db()->listSessions(1).size() == 3);
        QVERIFY(db()->openSession(1, 2)->hrTrend.size() == 60);
        QCOMPARE(stem(1, 3), orphan);
        QCOMPARE(db()->repairNotes(),
                 QStringList{"Session 2 of Twice, Ana was used twice; the copy in " + orphan + " is now session 3."});
    }

    void rebuildTellsWhatItLeftOut()
    {
        // A damaged study file and one of another kind of study stay out of
        // the rebuilt index, and each is named; the patient who is kept keeps
        // its number and its picture.
        const int broken = m_storage->addPatient("Broken");
        m_storage->startSession(broken, m_start);
        const int kept = m_storage->addPatient("Kept");
        m_storage->startSession(kept, m_start);
        db()->savePicture(kept, "face");
        const QString brokenStem = stem(broken, 1);
        QVERIFY(writeFile(db()->studyPath(brokenStem), QByteArray("NVSTUDY2\0\0\0\x10", 12) + "not zlib"));
        QVERIFY(writeFile(db()->studyPath("other"), R"(NVSTUDY1{"study":{"studyType":"Holter"},"patient":{"uuid":"{0f8fad5b-d9cb-469f-a165-70867728950e}"}})"));
        m_storage->database.reset();
        QVERIFY(QFile::remove(m_storage->root() + "/data/sessions.sqlite"));
        m_storage->reopen();

        QCOMPARE(db()->listPatients().size(), 1);
        QCOMPARE(db()->listPatients().first().name, QStringLiteral("Kept, Ana"));
        const QStringList notes = db()->repairNotes();
        QCOMPARE(notes.size(), 2);
        QCOMPARE(notes[0], "The study file " + brokenStem + ".nvstudy could not be read (The study file is damaged); "
                           "it is not in the rebuilt index.");
        QCOMPARE(notes[1], QStringLiteral("The study file other.nvstudy could not be read (Not a monitor session); "
                                          "it is not in the rebuilt index."));
        QByteArray picture;
        QVERIFY(db()->loadPicture(kept, picture));
        QCOMPARE(picture, QByteArray("face"));
    }

    void unusableIndexesAreSetAsideAndRebuilt_data()
    {
        QTest::addColumn<QString>("damage");
        for (const char *damage : {"empty", "garbage", "no patient", "page", "folder", "pipe", "link", "column", "data"})
            QTest::newRow(damage) << QString::fromLatin1(damage);
    }

    void unusableIndexesAreSetAsideAndRebuilt()
    {
        QFETCH(QString, damage);
        constexpr int Patients = 60; // an index of more than eight pages
        for (int n = 0; n < Patients; ++n) {
            PatientRecord patient = fullPatient();
            patient.uuid = QUuid();
            patient.lastName = QStringLiteral("P%1").arg(n, 2, 10, QLatin1Char('0')); // rebuilt in the same order
            db()->insertPatient(patient);
            m_storage->startSession(patient.id, m_start);
        }
        // A picture from before pictures were marked with their owner.
        db()->savePicture(Patients, "face");
        QVERIFY(QFile::remove(db()->pictureOwnerPath(Patients)));
        if (damage == "column")
            QVERIFY(indexQuery(*db()).exec("alter table Session rename column sessionNumber to number"));
        if (damage == "no patient")
            QVERIFY(indexQuery(*db()).exec("delete from Patient"));
        const QString index = db()->databasePath(), data = m_storage->root() + "/data";
        m_storage->database.reset();
        QByteArray unusable = readFile(index);
        if (damage == "empty" || damage == "garbage")
            QVERIFY(writeFile(index, unusable = QByteArray(damage == "empty" ? 0 : 5000, 'x')));
        if (damage == "page")
            QVERIFY(writeFile(index, unusable = unusable.replace(5 * 4096, 4096, QByteArray(4096, 'x'))));
        if (QStringList{"folder", "pipe", "link", "data"}.contains(damage)) {
            QVERIFY(QFile::remove(index));
            if (damage == "folder")
                QVERIFY(QDir().mkdir(index));
            if (damage == "pipe")
                QCOMPARE(mkfifo(QFile::encodeName(index).constData(), 0600), 0);
            if (damage == "link")
                QVERIFY(QFile::link(index + ".gone", index));
            if (damage == "data") {
                QVERIFY(QDir(data).removeRecursively());
                QVERIFY(writeFile(data, "a file"));
            }
        }
        m_storage->reopen();

        QVERIFY(db()->listPatients().size() == Patients);
        QVERIFY(db()->listSessions(Patients).size() == 1);
        if (damage == "data")
            QCOMPARE(QDir(m_storage->root()).entryList({"data.unusable-*"}).size(), 1);
        else
            QVERIFY(db()->setAsideIndexPath().startsWith(index + ".unusable-" + QDate::currentDate().toString("yyyyMMdd")));
        // A file set aside is kept as it was and, when it can be read, still
        // names the owner of an unmarked picture.
        if (QStringList{"empty", "garbage", "page"}.contains(damage))
            QCOMPARE(readFile(db()->setAsideIndexPath()), unusable);
        QByteArray picture;
        if (QStringList{"column", "folder", "pipe", "link"}.contains(damage))
            QCOMPARE(db()->loadPicture(Patients, picture), damage == "column");
        // Said once: the rebuilt index is used as it is.
        m_storage->reopen();
        QVERIFY(db()->setAsideIndexPath().isEmpty());
        QVERIFY(db()->listPatients().size() == Patients);
    }

    void rebuildKeepsPatientNumbersAndPictures()
    {
        // Patient 1 was deleted, so the others are 2, 3 and 4; patient 2's
        // study file is from before ids were kept in them. The index is lost
        // and the station starts on a relative storage root.
        const int gone = m_storage->addPatient("Gone");
        QVector<int> ids;
        for (const char *name : {"Two", "Three", "Four"}) {
            ids << m_storage->addPatient(name);
            m_storage->startSession(ids.last(), m_start);
            db()->savePicture(ids.last(), name);
        }
        db()->deletePatient(gone);
        QCOMPARE(ids, QVector<int>({2, 3, 4}));
        PatientRecord two;
        QVERIFY(db()->loadPatient(2, two));
        two.id = 0;
        writeStudyFile(*db()->openSession(2, 1), two, db()->studyPath(stem(2, 1)));
        m_storage->database.reset();
        QVERIFY(QFile::remove(m_storage->root() + "/data/sessions.sqlite"));
        const QString working = QDir::currentPath();
        QVERIFY(QDir::setCurrent(QFileInfo(m_storage->root()).path()));
        m_storage->database = std::make_unique<MonitorDatabase>(QFileInfo(m_storage->root()).fileName());
        QVERIFY(QDir::setCurrent(working));

        QCOMPARE(db()->rootPath(), m_storage->root());
        QStringList names;
        QByteArray picture;
        for (const PatientSummary &p : db()->listPatients())
            names << QStringLiteral("%1 %2 %3").arg(p.id).arg(p.name, db()->loadPicture(p.id, picture) ? picture : "-");
        names.sort();
        QCOMPARE(names, QStringList({"3 Three, Ana Three", "4 Four, Ana Four", "5 Two, Ana Two"}));
        QCOMPARE(db()->repairNotes(), QStringList{"One patient got a new number: its earlier number is not in its study files."});
        QCOMPARE(files("/pictures", {"pic?"}), QStringList({"pic3", "pic4", "pic5"}));
        QVERIFY(db()->openSession(5, 1));
        QVERIFY(db()->openSession(3, 1));
        QVERIFY(db()->openSession(4, 1));
    }

    void failuresToRemoveOrWriteAreTold()
    {
        // A folder stands where a file of the patient must be removed or
        // written: nothing of the patient's rows goes, and once it is cleared
        // a second try finishes.
        const int id = m_storage->addPatient("Gone");
        m_storage->startSession(id, m_start);
        const QString study = db()->studyPath(stem(id, 1));
        QVERIFY(QFile::remove(study));
        QVERIFY(QDir().mkpath(study + "/inside"));
        QVERIFY_EXCEPTION_THROWN(db()->deletePatient(id), StorageError);
        QCOMPARE(db()->listSessions(id).size(), 1);
        QVERIFY(QDir(study).removeRecursively());
        db()->deletePatient(id);
        QVERIFY(db()->listPatients().isEmpty());
        QVERIFY(files("").isEmpty());
        QVERIFY(QDir().mkpath(db()->picturePath(id) + "/inside"));
        QVERIFY_EXCEPTION_THROWN(db()->savePicture(id, "jpeg"), StorageError);
    }
};

QTEST_MAIN(TestStorageRepair)
#include "tst_storagerepair.moc"
