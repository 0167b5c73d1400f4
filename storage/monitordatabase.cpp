#include "storage/monitordatabase.h"

#include "storage/indexrepair.h"
#include "storage/recordingheader.h"
#include "storage/safefilename.h"
#include "storage/storageerror.h"
#include "storage/storedtime.h"
#include "storage/studyfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QLockFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSaveFile>
#include <QStandardPaths>
#include <QVariant>

namespace {

const char StudyExtension[] = "nvstudy";
// How long an opening waits for another process to finish opening the same
// root (a rebuild of a large index takes a while).
constexpr int OpeningWaitMs = 120000;
const char RecordingExtension[] = "nvecg";

MonitorDatabase *s_instance = nullptr;

[[noreturn]] void raise(const char *text)
{
    throw StorageError(QCoreApplication::translate("MonitorDatabase", text).toStdString());
}

[[noreturn]] void raiseSql(const QSqlError &error)
{
    throw StorageError(error.text().toStdString());
}

QSqlQuery prepare(const QString &connection, const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database(connection, false));
    if (!query.prepare(statement))
        raiseSql(query.lastError());
    return query;
}

void run(QSqlQuery &query)
{
    if (!query.exec())
        raiseSql(query.lastError());
}

QString rowText(const QJsonObject &object)
{
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Indented));
}

// Text that does not parse gives an empty object, so every field takes its default.
QJsonObject rowObject(const QVariant &value)
{
    return QJsonDocument::fromJson(value.toString().toUtf8()).object();
}

} // namespace

QString MonitorDatabase::defaultRoot(const QString &folderName)
{
    return QStringLiteral("%1/%2").arg(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
                                       folderName);
}

MonitorDatabase::MonitorDatabase(const QString &rootPath)
    // Absolute once and for all: paths built from it are used with folders
    // other than the working one (QDir::rename takes a relative target as
    // relative to its own folder), and the working folder may change.
    : m_rootPath(QDir::cleanPath(QDir(rootPath).absolutePath())),
      m_connection(QStringLiteral("cardiolane-index-%1").arg(quintptr(this), 0, 16))
{
    if (s_instance)
        throw std::logic_error("Only one MonitorDatabase may be open at a time");

    IndexRepair::prepareFolders(m_rootPath);
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        raise(QT_TRANSLATE_NOOP("MonitorDatabase", "SQLite driver not available"));

    // Another process (the station and the companion, or two companions)
    // may open the same root at the same moment: one at a time checks,
    // repairs or builds the index, so that none takes the other's index
    // under construction for a damaged one or removes it. Once open, SQLite
    // makes readers and writers wait for each other.
    QLockFile opening(QStringLiteral("%1/data/opening.lock").arg(m_rootPath));
    opening.setStaleLockTime(0); // a lock is stale only when its process is gone
    if (!opening.tryLock(OpeningWaitMs) && opening.error() == QLockFile::LockFailedError)
        raise(QT_TRANSLATE_NOOP("MonitorDatabase",
                                "Another program is still opening this storage folder; try again later"));

    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    try {
        IndexRepair repair(*this);
        repair.openIndex();
        m_setAsideIndex = repair.setAsidePath();
        m_repairNotes = repair.notes();
    } catch (...) {
        IndexRepair::closeConnection(m_connection);
        QSqlDatabase::removeDatabase(m_connection);
        throw;
    }
    s_instance = this;
}

QString MonitorDatabase::setAsideIndexPath() const
{
    return m_setAsideIndex;
}

QStringList MonitorDatabase::repairNotes() const
{
    return m_repairNotes;
}

MonitorDatabase::~MonitorDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(m_connection, false);
        db.close();
    }
    QSqlDatabase::removeDatabase(m_connection);
    if (s_instance == this)
        s_instance = nullptr;
}

QString MonitorDatabase::connectionName() const
{
    return m_connection;
}

QString MonitorDatabase::rootPath() const
{
    return m_rootPath;
}

QString MonitorDatabase::databasePath() const
{
    return QStringLiteral("%1/data/sessions.sqlite").arg(m_rootPath);
}

QString MonitorDatabase::picturePath(int id) const
{
    return QStringLiteral("%1/pictures/pic%2").arg(m_rootPath).arg(id);
}

QString MonitorDatabase::pictureOwnerPath(int id) const
{
    return picturePath(id) + QStringLiteral(".owner");
}

QString MonitorDatabase::studyPath(const QString &baseFilename) const
{
    return QStringLiteral("%1/%2.%3").arg(m_rootPath, baseFilename, QLatin1String(StudyExtension));
}

QString MonitorDatabase::recordingPath(const QString &baseFilename) const
{
    return QStringLiteral("%1/%2.%3").arg(m_rootPath, baseFilename, QLatin1String(RecordingExtension));
}

QString MonitorDatabase::makeBaseFilename(const PatientRecord &patient, const QDateTime &start)
{
    return QStringLiteral("%1-%2-%3")
        .arg(safeFileNamePart(patient.lastName), safeFileNamePart(patient.firstName), StoredTime::toText(start));
}

QString MonitorDatabase::pendingStudyPath(const QString &studyPath)
{
    return studyPath + QStringLiteral(".pending");
}

bool MonitorDatabase::isBaseFilenameInIndex(const QString &baseFilename)
{
    // Rows hold the indented JSON written by rowText().
    QSqlQuery query = prepare(m_connection, QStringLiteral("select count(*) from Session where instr(data, ?) > 0"));
    query.addBindValue(QStringLiteral("\"baseFilename\": \"%1\"").arg(baseFilename));
    run(query);
    return query.next() && query.value(0).toInt() > 0;
}

QString MonitorDatabase::freeBaseFilename(const QString &wanted)
{
    // Two patients of the same name started in the same second, or names
    // that become equal once made safe, would otherwise share their files.
    const auto taken = [this](const QString &base) {
        const QString study = studyPath(base);
        for (const QString &path : {study, pendingStudyPath(study), recordingPath(base)}) {
            const QFileInfo info(path);
            if (info.exists() || info.isSymLink())
                return true;
        }
        return isBaseFilenameInIndex(base);
    };
    QString base = wanted;
    for (int n = 2; taken(base); ++n)
        base = QStringLiteral("%1-%2").arg(wanted).arg(n);
    return base;
}

QString MonitorDatabase::claimBaseFilename(const QString &wanted)
{
    // Another process may find the same name free at the same moment (two
    // patients of one name started together): the pending study file,
    // created only when no file has its name, makes it this start's.
    for (;;) {
        const QString base = freeBaseFilename(wanted);
        QFile claim(pendingStudyPath(studyPath(base)));
        if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return base;
        if (!claim.exists())
            raise(QT_TRANSLATE_NOOP("MonitorDatabase", "Cannot create study file"));
    }
}

void MonitorDatabase::insertPatient(PatientRecord &record)
{
    if (record.uuid.isNull())
        record.uuid = QUuid::createUuid();
    QSqlQuery query = prepare(m_connection, QStringLiteral("insert into Patient(data) values (?)"));
    query.addBindValue(rowText(record.toJson()));
    run(query);
    record.id = query.lastInsertId().toInt();
}

void MonitorDatabase::updatePatient(const PatientRecord &record)
{
    QSqlQuery query = prepare(m_connection, QStringLiteral("update Patient set data = ? where id = ?"));
    query.addBindValue(rowText(record.toJson()));
    query.addBindValue(record.id);
    run(query);
}

bool MonitorDatabase::loadPatient(int id, PatientRecord &record)
{
    QSqlQuery query = prepare(m_connection, QStringLiteral("select data from Patient where id = ?"));
    query.addBindValue(id);
    run(query);
    if (!query.next())
        return false;
    record = PatientRecord::fromJson(rowObject(query.value(0)));
    record.id = id;
    return true;
}

QList<PatientSummary> MonitorDatabase::listPatients()
{
    QSqlQuery query = prepare(m_connection, QStringLiteral(
        "select Patient.id, Patient.data, Session.data  from Patient left outer join Session on Session.patientId "
        "= Patient.id  where Session.sessionNumber is null  or Session.sessionNumber = (  select "
        "max(sessionNumber)  from Session  where Session.patientId = Patient.id)"));
    run(query);
    QList<PatientSummary> list;
    while (query.next()) {
        PatientSummary summary;
        summary.id = query.value(0).toInt();
        summary.name = PatientRecord::fromJson(rowObject(query.value(1))).displayName();
        if (!query.isNull(2)) {
            const QString start = rowObject(query.value(2)).value(QStringLiteral("startDateTime")).toString();
            summary.lastSession = StoredTime::fromText(start).date();
        }
        list.append(summary);
    }
    return list;
}

void MonitorDatabase::deletePatient(int id)
{
    // Files first: should one stay, the rows stay too and a second try
    // finishes the work, instead of files that a rebuild would bring back.
    const auto remove = [](const QString &path) {
        const QFileInfo info(path);
        if ((info.exists() || info.isSymLink()) && !QFile::remove(path))
            throw StorageError(QCoreApplication::translate("MonitorDatabase", "Cannot delete %1")
                                   .arg(QDir::toNativeSeparators(path))
                                   .toStdString());
    };
    for (const SessionInfo &info : listSessions(id)) {
        remove(studyPath(info.baseFilename));
        remove(recordingPath(info.baseFilename));
    }
    // A deleted patient leaves no face behind for a later patient of that id.
    remove(picturePath(id));
    remove(pictureOwnerPath(id));
    QSqlQuery sessions = prepare(m_connection, QStringLiteral("delete from Session where patientId = ?"));
    sessions.addBindValue(id);
    run(sessions);
    QSqlQuery patient = prepare(m_connection, QStringLiteral("delete from Patient where id = ?"));
    patient.addBindValue(id);
    run(patient);
}

int MonitorDatabase::nextSessionNumber(int patientId)
{
    QSqlQuery query = prepare(m_connection, QStringLiteral("select max(sessionNumber) from Session where patientId = ?"));
    query.addBindValue(patientId);
    run(query);
    const int maximum = query.next() ? query.value(0).toInt() : 0;
    return maximum + 1;
}

void MonitorDatabase::insertSession(const SessionInfo &info)
{
    QSqlQuery query = prepare(m_connection, QStringLiteral("insert into Session(patientId, sessionNumber, data) values (?, ?, ?)"));
    query.addBindValue(info.patientId);
    query.addBindValue(info.sessionNumber);
    query.addBindValue(rowText(info.toJson()));
    run(query);
}

QList<SessionInfo> MonitorDatabase::listSessions(int patientId)
{
    QSqlQuery query = prepare(m_connection, QStringLiteral(
        "select sessionNumber, data from Session where patientId = ? order by sessionNumber asc"));
    query.addBindValue(patientId);
    run(query);
    QList<SessionInfo> list;
    while (query.next()) {
        SessionInfo info;
        info.patientId = patientId;
        info.sessionNumber = query.value(0).toInt();
        info.readJson(rowObject(query.value(1)));
        list.append(info);
    }
    return list;
}

bool MonitorDatabase::loadSession(int patientId, int sessionNumber, SessionInfo &info)
{
    QSqlQuery query = prepare(m_connection, QStringLiteral("select data from Session where patientId = ? and sessionNumber = ?"));
    query.addBindValue(patientId);
    query.addBindValue(sessionNumber);
    run(query);
    if (!query.next())
        return false;
    info = SessionInfo();
    info.patientId = patientId;
    info.sessionNumber = sessionNumber;
    info.readJson(rowObject(query.value(0)));
    return true;
}

std::unique_ptr<MonitorSession> MonitorDatabase::startSession(const SessionData &data)
{
    PatientRecord patient;
    if (!loadPatient(data.patientId, patient))
        return nullptr;
    SessionInfo info;
    info.patientId = data.patientId;
    info.sessionNumber = data.sessionNumber;
    info.presence = data.presence;
    info.startDateTime = data.startDateTime;
    info.baseFilename = claimBaseFilename(makeBaseFilename(patient, data.startDateTime));

    // The files come first, the study file under a pending name; the row is
    // committed next and the study file renamed last. Whatever stops this
    // on the way, the files and the row appear together or not at all: a
    // failure here removes the files, and the next opening of the root
    // completes or removes what a killed process left (IndexRepair).
    const QString study = studyPath(info.baseFilename);
    const QString pending = pendingStudyPath(study);
    auto session = std::make_unique<MonitorSession>(data);
    std::unique_ptr<TFileSignal> recording;
    QSqlDatabase db = QSqlDatabase::database(m_connection, false);
    try {
        writeStudyFile(*session, patient, pending);
        recording = createRecording(info.baseFilename);
        recording->writeHeader(recordingHeaderBytes(*recording, patient, data, recording->headerSize()));
        if (!db.transaction())
            raiseSql(db.lastError());
        insertSession(info);
        if (!db.commit())
            raiseSql(db.lastError());
    } catch (...) {
        db.rollback();
        QFile::remove(pending);
        if (recording) {
            recording.reset();
            QFile::remove(recordingPath(info.baseFilename));
        }
        throw;
    }
    // Should the rename fail, the first save writes the study file under its
    // name all the same.
    QFile::rename(pending, study);
    session->setRecording(std::move(recording));
    return session;
}

void MonitorDatabase::updateSession(const MonitorSession &session)
{
    SessionInfo info;
    if (!loadSession(session.patientId, session.sessionNumber, info))
        raise(QT_TRANSLATE_NOOP("MonitorDatabase", "The session is not in the index"));
    PatientRecord patient;
    if (!loadPatient(session.patientId, patient))
        raise(QT_TRANSLATE_NOOP("MonitorDatabase", "Cannot get patient data"));
    writeStudyFile(session, patient, studyPath(info.baseFilename));
}

std::unique_ptr<MonitorSession> MonitorDatabase::openSession(int patientId, int sessionNumber, QString *why)
{
    SessionInfo info;
    if (!loadSession(patientId, sessionNumber, info))
        return nullptr;
    QJsonDocument document;
    if (!readStudyFile(studyPath(info.baseFilename), document, why))
        return nullptr;
    if (document.object().isEmpty()) {
        if (why)
            *why = QCoreApplication::translate("MonitorDatabase", "Not a study file");
        return nullptr;
    }
    std::unique_ptr<MonitorSession> session = sessionFromStudy(document.object(), patientId, sessionNumber);
    session->setRecording(openRecording(info.baseFilename));
    return session;
}

bool MonitorDatabase::loadPicture(int id, QByteArray &bytes)
{
    QFile mark(pictureOwnerPath(id));
    PatientRecord patient;
    if (mark.open(QIODevice::ReadOnly)) {
        const QUuid owner(QString::fromLatin1(mark.read(64)).trimmed());
        if (!owner.isNull() && loadPatient(id, patient) && owner != patient.uuid)
            return false;
    }
    QFile file(picturePath(id));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return true;
}

void MonitorDatabase::savePicture(int id, const QByteArray &bytes)
{
    PatientRecord patient;
    QList<std::pair<QString, QByteArray>> files;
    if (loadPatient(id, patient) && !patient.uuid.isNull())
        files.append({pictureOwnerPath(id), patient.uuid.toString().toLatin1()});
    else
        QFile::remove(pictureOwnerPath(id));
    files.append({picturePath(id), bytes});
    for (const auto &[path, content] : qAsConst(files)) {
        // Replaced as a whole or not at all.
        QSaveFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            raise(QT_TRANSLATE_NOOP("MonitorDatabase", "Cannot create file"));
        if (file.write(content) != content.size() || !file.commit())
            raise(QT_TRANSLATE_NOOP("MonitorDatabase", "Write error"));
    }
}

std::unique_ptr<TFileSignal> MonitorDatabase::createRecording(const QString &baseFilename)
{
    auto recording = std::make_unique<TFileSignal>(recordingPath(baseFilename), 1, 250,
                                                   TFileSignal::RecordingHeaderSize, TFileSignal::Access::CreateNew);
    recording->setRange(-6.0, 6.0);
    recording->setResolutionBits(9);
    recording->setChannelName(0, QStringLiteral("V5"));
    return recording;
}

std::unique_ptr<TFileSignal> MonitorDatabase::openRecording(const QString &baseFilename)
{
    return TFileSignal::openRecordingFile(recordingPath(baseFilename));
}
