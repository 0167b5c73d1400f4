// What keeps a storage root whole across crashes and damage: every session
// gets files of its own, a start killed on the way appears whole or not at
// all, a rebuild keeps both sessions of a number used twice and the pictures
// of the patients it keeps, and an index that is damaged or not a database
// file at all is set aside and rebuilt. Failures to remove or write files are
// told, never passed over.

#include "../common/teststorage.h"

#include "storage/storageerror.h"
#include "storage/studyfile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSqlQuery>
#include <QtTest>

#include <sys/stat.h>

namespace {

QStringList filesIn(const QString &folder, const QStringList &patterns = {})
{
    return QDir(folder).entryList(patterns, QDir::Files | QDir::Hidden | QDir::System);
}

QString studyPatientUuid(const QString &path)
{
    QJsonDocument document;
    return readStudyFile(path, document)
        ? document.object().value("patient").toObject().value("uuid").toString()
        : QString();
}

// Sets a file's time back, as if it had been left there a while ago.
void age(const QString &path, int seconds)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds), QFileDevice::FileModificationTime));
}

} // namespace

class TestStorageRepair : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestStorage> m_storage;
    MonitorDatabase *db() const { return m_storage->database.get(); }
    const QDateTime m_start = QDateTime(QDate(2026, 4, 1), QTime(9, 30));

    SessionInfo info(int patientId, int sessionNumber)
    {
        SessionInfo found;
        db()->loadSession(patientId, sessionNumber, found);
        return found;
    }

private slots:
    void init() { m_storage = std::make_unique<TestStorage>(); }
    void cleanup() { m_storage.reset(); }

    void everySessionGetsFilesOfItsOwn()
    {
        // Same names, and names equal once cut to 64 characters or made safe
        // for a file name, all started in the same second.
        const QString longName(64, QLatin1Char('L'));
        const QList<QPair<QString, QString>> names = {{"Demo", "Patient 1"},         {"Demo", "Patient 1"},
                                                      {longName + "Anne", "Ana"},    {longName + "Beth", "Ana"},
                                                      {"a/b", "Ana"},                {"a:b", "Ana"}};
        // A file of that name left by something else is never taken over.
        const QString foreign = db()->recordingPath("Demo-Patient 1-20260401093000");
        QVERIFY(writeFile(foreign, "not ours"));
        QSet<QString> stems;
        for (const auto &name : names) {
            const int id = m_storage->addPatient(name.first, name.second);
            QVERIFY(m_storage->startSession(id, m_start));
            const SessionInfo session = info(id, 1);
            stems.insert(session.baseFilename);
            PatientRecord patient;
            QVERIFY(db()->loadPatient(id, patient));
            QCOMPARE(studyPatientUuid(db()->studyPath(session.baseFilename)), patient.uuid.toString());
            QCOMPARE(QFileInfo(db()->recordingPath(session.baseFilename)).size(), 4096);
        }
        QCOMPARE(stems.size(), names.size());
        QVERIFY(stems.contains("Demo-Patient 1-20260401093000-2") && stems.contains("Demo-Patient 1-20260401093000-3"));
        QCOMPARE(readFile(foreign), QByteArray("not ours"));
        // A row whose files are gone still holds its name.
        QVERIFY(QFile::remove(db()->studyPath("a_b-Ana-20260401093000"))
                && QFile::remove(db()->recordingPath("a_b-Ana-20260401093000")));
        const int third = m_storage->addPatient("a?b", "Ana");
        QVERIFY(m_storage->startSession(third, m_start));
        QCOMPARE(info(third, 1).baseFilename, QStringLiteral("a_b-Ana-20260401093000-3"));
    }

    void startsKilledOnTheWayAreCompletedOrUndone()
    {
        // Four starts, each left as a process killed at another step would
        // leave it: the study file under its pending name, with and without
        // the row that makes it a session.
        const int id = m_storage->addPatient("Kill");
        for (int day = 1; day <= 4; ++day)
            QVERIFY(m_storage->startSession(id, m_start.addDays(day)));
        QStringList pending;
        for (int n = 1; n <= 4; ++n) {
            const QString study = db()->studyPath(info(id, n).baseFilename);
            pending << MonitorDatabase::pendingStudyPath(study);
            QVERIFY(n == 4 ? QFile::copy(study, pending.last()) : QFile::rename(study, pending.last()));
        }
        // Sessions 1 and 2 never reached the index; 1 long ago, 2 just now
        // (perhaps still on its way in another process).
        const QString lost = info(id, 1).baseFilename, young = info(id, 2).baseFilename;
        QVERIFY(QSqlQuery().exec("delete from Session where sessionNumber <= 2"));
        age(pending[0], 120);
        // Saves interrupted before their commit.
        for (const QString &name : {"x.nvstudy.Ab12Cd", "y.nvstudy.pending.q9W8e7", "pictures/pic3.Zz0011"})
            QVERIFY(writeFile(db()->rootPath() + "/" + name, "partial"));
        m_storage->reopen();

        QVERIFY(!QFile::exists(pending[0]) && !QFile::exists(db()->studyPath(lost)) && !QFile::exists(db()->recordingPath(lost)));
        QVERIFY(QFile::exists(pending[1]) && QFile::exists(db()->recordingPath(young)));
        // Sessions 3 and 4 are whole; 4 keeps the file a later save wrote.
        QVERIFY(!QFile::exists(pending[2]) && db()->openSession(id, 3));
        QVERIFY(!QFile::exists(pending[3]) && db()->openSession(id, 4));
        QCOMPARE(filesIn(db()->rootPath(), {"*.nvstudy.*"}), QStringList{QFileInfo(pending[1]).fileName()});
        QCOMPARE(filesIn(db()->rootPath() + "/pictures"), QStringList());
    }

    void rebuildKeepsBothSessionsOfANumber()
    {
        // A start killed before its row was written left session 2; the
        // clinician then monitored session 2 again, for a minute.
        const int id = m_storage->addPatient("Twice", "Ana");
        m_storage->startSession(id, m_start);
        auto orphan = m_storage->startSession(id, m_start.addDays(2));
        QVERIFY(QSqlQuery().exec("delete from Session where sessionNumber = 2"));
        auto real = m_storage->startSession(id, m_start.addDays(2).addSecs(300));
        QCOMPARE(real->sessionNumber, 2);
        real->hrTrend = QVector<int>(60, 90);
        db()->updateSession(*real);
        const QString orphanStem = MonitorDatabase::makeBaseFilename(PatientRecord::fromJson({{"lastName", "Twice"}, {"firstName", "Ana"}}),
                                                                     m_start.addDays(2));
        m_storage->database.reset();
        QVERIFY(QFile::remove(m_storage->root() + "/data/sessions.sqlite"));
        m_storage->reopen();

        const QList<SessionInfo> sessions = db()->listSessions(1);
        QCOMPARE(sessions.size(), 3);
        QCOMPARE(db()->openSession(1, 2)->hrTrend.size(), 60);
        QVERIFY(sessions[2].sessionNumber == 3 && sessions[2].baseFilename == orphanStem);
        QCOMPARE(db()->repairNotes(),
                 QStringList{QStringLiteral("Session 2 of Twice, Ana was used twice; the copy in %1 is now session 3.")
                                 .arg(orphanStem)});
    }

    void unusableIndexesAreSetAsideAndRebuilt_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::newRow("a damaged page") << "page";
        QTest::newRow("a folder") << "folder";
        QTest::newRow("a pipe") << "fifo";
        QTest::newRow("a broken link") << "link";
        QTest::newRow("a column missing") << "columns";
        QTest::newRow("data is a file") << "data";
    }

    void unusableIndexesAreSetAsideAndRebuilt()
    {
        QFETCH(QString, damage);
        constexpr int Patients = 60;
        for (int n = 0; n < Patients; ++n) {
            PatientRecord patient = fullPatient();
            patient.uuid = QUuid();
            patient.lastName = QStringLiteral("P%1").arg(n, 3, 10, QLatin1Char('0'));
            db()->insertPatient(patient);
            m_storage->startSession(patient.id, m_start);
        }
        // A picture from before pictures were marked with their owner.
        db()->savePicture(Patients, "face");
        QVERIFY(QFile::remove(db()->pictureOwnerPath(Patients)));
        const QString index = db()->databasePath();
        if (damage == "columns")
            QVERIFY(QSqlQuery().exec("alter table Session rename column sessionNumber to number"));
        m_storage->database.reset();

        if (damage == "page") {
            QFile file(index);
            QVERIFY(file.open(QIODevice::ReadWrite) && file.size() > 8 * 4096);
            file.seek(5 * 4096);
            file.write(QByteArray(4096, 'x'));
        } else if (damage != "columns") {
            QVERIFY(QFile::remove(index));
            const QString data = m_storage->root() + "/data";
            if (damage == "folder")
                QVERIFY(QDir().mkdir(index));
            else if (damage == "fifo")
                QCOMPARE(mkfifo(QFile::encodeName(index).constData(), 0600), 0);
            else if (damage == "link")
                QVERIFY(QFile::link(index + ".gone", index));
            else if (QDir(data).removeRecursively())
                QVERIFY(writeFile(data, "a file"));
        }
        m_storage->reopen();

        QCOMPARE(db()->listPatients().size(), Patients);
        QCOMPARE(db()->listSessions(Patients).size(), 1);
        QVERIFY(QFileInfo(index).isFile());
        if (damage == "data")
            QCOMPARE(filesIn(m_storage->root(), {"data.unusable-*"}).size(), 1);
        else
            QVERIFY(!db()->setAsideIndexPath().isEmpty());
        // A readable index set aside still names the owner of an unmarked picture.
        QByteArray picture;
        if (damage == "columns")
            QVERIFY(db()->loadPicture(Patients, picture) && picture == "face");
    }

    void failuresToRemoveOrWriteAreTold()
    {
        const int id = m_storage->addPatient("Gone");
        m_storage->startSession(id, m_start);
        const QString study = db()->studyPath(info(id, 1).baseFilename);
        // Something that cannot be removed as a file stands where the study
        // file was: nothing of the patient's rows goes, and a second try,
        // once it is cleared, finishes.
        QVERIFY(QFile::remove(study) && QDir().mkpath(study + "/inside"));
        QVERIFY_EXCEPTION_THROWN(db()->deletePatient(id), StorageError);
        QCOMPARE(db()->listSessions(id).size(), 1);
        QVERIFY(QDir(study).removeRecursively());
        db()->deletePatient(id);
        QVERIFY(db()->listPatients().isEmpty() && filesIn(db()->rootPath()).isEmpty());

        const int other = m_storage->addPatient("Face");
        QVERIFY(QDir().mkpath(db()->picturePath(other) + "/inside"));
        QVERIFY_EXCEPTION_THROWN(db()->savePicture(other, "jpeg"), StorageError);
    }
};

QTEST_MAIN(TestStorageRepair)
#include "tst_storagerepair.moc"
