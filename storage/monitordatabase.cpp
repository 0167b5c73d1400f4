#include "storage/monitordatabase.h"

#include "storage/recordingheader.h"
#include "storage/safefilename.h"
#include "storage/storageerror.h"
#include "storage/studyfile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonDocument>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

namespace {

const char DateTimeFormat[] = "yyyyMMddHHmmss";
const char StudyExtension[] = "nvstudy";
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

QSqlQuery prepare(const QString &statement)
{
    QSqlQuery query(QSqlDatabase::database());
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
    : m_rootPath(rootPath)
{
    if (s_instance)
        throw std::logic_error("Only one MonitorDatabase may be open at a time");

    QDir().mkpath(m_rootPath);
    QDir root(m_rootPath);
    root.mkdir(QStringLiteral("data"));
    root.mkdir(QStringLiteral("pictures"));

    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        raise(QT_TRANSLATE_NOOP("MonitorDatabase", "SQLite driver not available"));

    const QString path = databasePath();
    QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"));
    try {
        bool rebuild = !QFileInfo::exists(path);
        if (!rebuild) {
            openConnection(path);
            if (!isUsableIndex()) {
                closeConnection();
                m_setAsideIndex = setAsideIndex(path);
                rebuild = true;
            }
        }
        if (rebuild) {
            buildIndex(path);
            openConnection(path);
        }
    } catch (...) {
        closeConnection();
        QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
        throw;
    }
    s_instance = this;
}

void MonitorDatabase::openConnection(const QString &path)
{
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    db.setDatabaseName(path);
    if (!db.open())
        throw StorageError(db.lastError().text().toStdString());
}

void MonitorDatabase::closeConnection()
{
    QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
    if (db.isOpen()) {
        db.rollback();
        db.close();
    }
}

bool MonitorDatabase::isUsableIndex()
{
    // SQLite opens any file; a file that is not a database (or a damaged
    // one) fails only at the first statement. Any other failure, such as a
    // file another program keeps locked, is reported, not repaired.
    QSqlQuery tables(QSqlDatabase::database());
    if (!tables.exec(QStringLiteral("select name from sqlite_master where type = 'table'"))) {
        const QString code = tables.lastError().nativeErrorCode();
        if (code == QLatin1String("26") || code == QLatin1String("11")) // not a database, damaged
            return false;
        raiseSql(tables.lastError());
    }
    QStringList names;
    while (tables.next())
        names.append(tables.value(0).toString());
    if (!names.contains(QStringLiteral("Patient")) || !names.contains(QStringLiteral("Session")))
        return false;
    // An index without a single patient beside study files was left by an
    // interrupted rebuild (patients deleted in the station take their study
    // files with them).
    QSqlQuery patients = prepare(QStringLiteral("select count(*) from Patient"));
    run(patients);
    return (patients.next() && patients.value(0).toInt() > 0) || studyFileNames().isEmpty();
}

QString MonitorDatabase::setAsideIndex(const QString &path)
{
    // Kept, dated, beside the new index, with any journal of its own (which
    // must not be applied to the new file).
    const QString stamp = QDateTime::currentDateTime().toString(QLatin1String(DateTimeFormat));
    QString aside = QStringLiteral("%1.unusable-%2").arg(path, stamp);
    for (int n = 2; QFileInfo::exists(aside); ++n)
        aside = QStringLiteral("%1.unusable-%2-%3").arg(path, stamp).arg(n);
    if (!QFile::rename(path, aside))
        raise(QT_TRANSLATE_NOOP("MonitorDatabase", "Cannot set the unusable index aside"));
    for (const char *suffix : {"-journal", "-wal", "-shm"}) {
        const QString companion = path + QLatin1String(suffix);
        if (QFileInfo::exists(companion))
            QFile::rename(companion, aside + QLatin1String(suffix));
    }
    return aside;
}

void MonitorDatabase::buildIndex(const QString &path)
{
    // The index is built in a file of its own and renamed into place when it
    // is complete: a crash at any moment leaves either no index (rebuilt at
    // the next start) or a complete one.
    const QString building = path + QStringLiteral(".rebuild");
    for (const QString &stale : {building, building + QStringLiteral("-journal")})
        QFile::remove(stale);
    openConnection(building);
    QSqlDatabase db = QSqlDatabase::database();
    db.transaction();
    createTables();
    rebuildIndex();
    if (!db.commit())
        raiseSql(db.lastError());
    db.close();
    if (!QFile::rename(building, path))
        raise(QT_TRANSLATE_NOOP("MonitorDatabase", "Cannot create the index"));
}

QStringList MonitorDatabase::studyFileNames() const
{
    return QDir(m_rootPath, QStringLiteral("*.%1").arg(QLatin1String(StudyExtension))).entryList();
}

QString MonitorDatabase::setAsideIndexPath() const
{
    return m_setAsideIndex;
}

MonitorDatabase::~MonitorDatabase()
{
    {
        QSqlDatabase db = QSqlDatabase::database(QLatin1String(QSqlDatabase::defaultConnection), false);
        db.close();
    }
    QSqlDatabase::removeDatabase(QLatin1String(QSqlDatabase::defaultConnection));
    if (s_instance == this)
        s_instance = nullptr;
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
        .arg(safeFileNamePart(patient.lastName), safeFileNamePart(patient.firstName),
             start.toString(QLatin1String(DateTimeFormat)));
}

void MonitorDatabase::createTables()
{
    QSqlQuery patients = prepare(QStringLiteral("create table Patient(id integer primary key, data text)"));
    run(patients);
    QSqlQuery sessions =
        prepare(QStringLiteral("create table Session(patientId integer, sessionNumber integer, data text)"));
    run(sessions);
}

void MonitorDatabase::setAsidePictures()
{
    // The new index hands out ids from 1 again: pictures named after the old
    // ids would show the wrong faces, so they are kept in a folder of their own.
    QDir pictures(m_rootPath + QStringLiteral("/pictures"));
    static const QRegularExpression pictureName(QStringLiteral("^pic\\d+$"));
    const QStringList names = pictures.entryList(QDir::Files | QDir::Hidden);
    QStringList old;
    for (const QString &name : names)
        if (pictureName.match(name).hasMatch())
            old.append(name);
    if (old.isEmpty())
        return;
    const QString stamp = QDateTime::currentDateTime().toString(QLatin1String(DateTimeFormat));
    QString folder = QStringLiteral("before-rebuild-%1").arg(stamp);
    for (int n = 2; pictures.exists(folder); ++n)
        folder = QStringLiteral("before-rebuild-%1-%2").arg(stamp).arg(n);
    if (!pictures.mkdir(folder))
        return;
    for (const QString &name : old)
        pictures.rename(name, folder + QLatin1Char('/') + name);
}

void MonitorDatabase::rebuildIndex()
{
    setAsidePictures();
    const QDir root(m_rootPath);
    QHash<QUuid, int> patientIds;
    for (const QString &name : studyFileNames()) {
        const QString stem = name.section(QLatin1Char('.'), 0, 0);
        QJsonDocument document;
        if (!readStudyFile(root.filePath(name), document))
            continue;
        const QJsonObject top = document.object();
        const QJsonObject study = top.value(QStringLiteral("study")).toObject();
        const QJsonObject patientObject = top.value(QStringLiteral("patient")).toObject();
        if (top.isEmpty() || study.isEmpty()
            || study.value(QStringLiteral("studyType")).toString() != QLatin1String("Monitor session")
            || patientObject.isEmpty())
            continue;
        const QUuid uuid(patientObject.value(QStringLiteral("uuid")).toString());
        if (uuid.isNull())
            continue;

        int patientId = patientIds.value(uuid, 0);
        if (patientId == 0) {
            PatientRecord patient = PatientRecord::fromJson(patientObject);
            insertPatient(patient);
            patientId = patient.id;
            patientIds.insert(uuid, patientId);
        }

        const QJsonObject session = top.value(QStringLiteral("session")).toObject();
        if (session.isEmpty())
            continue;
        SessionInfo info;
        info.patientId = patientId;
        info.sessionNumber = session.value(QStringLiteral("sessionNumber")).toInt(0);
        info.presence = session.value(QStringLiteral("presence")).toBool(false);
        info.startDateTime = QDateTime::fromString(session.value(QStringLiteral("startDateTime")).toString(),
                                                   QLatin1String(DateTimeFormat));
        info.baseFilename = stem;
        insertSession(info);
    }
}

void MonitorDatabase::insertPatient(PatientRecord &record)
{
    if (record.uuid.isNull())
        record.uuid = QUuid::createUuid();
    QSqlQuery query = prepare(QStringLiteral("insert into Patient(data) values (?)"));
    query.addBindValue(rowText(record.toJson()));
    run(query);
    record.id = query.lastInsertId().toInt();
}

void MonitorDatabase::updatePatient(const PatientRecord &record)
{
    QSqlQuery query = prepare(QStringLiteral("update Patient set data = ? where id = ?"));
    query.addBindValue(rowText(record.toJson()));
    query.addBindValue(record.id);
    run(query);
}

bool MonitorDatabase::loadPatient(int id, PatientRecord &record)
{
    QSqlQuery query = prepare(QStringLiteral("select data from Patient where id = ?"));
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
    QSqlQuery query = prepare(QStringLiteral(
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
            summary.lastSession = QDateTime::fromString(start, QLatin1String(DateTimeFormat)).date();
        }
        list.append(summary);
    }
    return list;
}

void MonitorDatabase::deletePatient(int id)
{
    for (const SessionInfo &info : listSessions(id)) {
        QFile::remove(studyPath(info.baseFilename));
        QFile::remove(recordingPath(info.baseFilename));
    }
    QSqlQuery sessions = prepare(QStringLiteral("delete from Session where patientId = ?"));
    sessions.addBindValue(id);
    run(sessions);
    QSqlQuery patient = prepare(QStringLiteral("delete from Patient where id = ?"));
    patient.addBindValue(id);
    run(patient);
    // A deleted patient leaves no face behind for a later patient of that id.
    QFile::remove(picturePath(id));
}

int MonitorDatabase::nextSessionNumber(int patientId)
{
    QSqlQuery query = prepare(QStringLiteral("select max(sessionNumber) from Session where patientId = ?"));
    query.addBindValue(patientId);
    run(query);
    const int maximum = query.next() ? query.value(0).toInt() : 0;
    return maximum + 1;
}

void MonitorDatabase::insertSession(const SessionInfo &info)
{
    QSqlQuery query = prepare(QStringLiteral("insert into Session(patientId, sessionNumber, data) values (?, ?, ?)"));
    query.addBindValue(info.patientId);
    query.addBindValue(info.sessionNumber);
    query.addBindValue(rowText(info.toJson()));
    run(query);
}

QList<SessionInfo> MonitorDatabase::listSessions(int patientId)
{
    QSqlQuery query = prepare(QStringLiteral(
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
    QSqlQuery query = prepare(QStringLiteral("select data from Session where patientId = ? and sessionNumber = ?"));
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
    info.baseFilename = makeBaseFilename(patient, data.startDateTime);

    // The row is committed only with both files in place: a failure leaves
    // neither a row without files nor files this call created.
    const QString study = studyPath(info.baseFilename);
    const QString recordingFile = recordingPath(info.baseFilename);
    const bool studyExisted = QFileInfo::exists(study);
    const bool recordingExisted = QFileInfo::exists(recordingFile);
    QSqlDatabase db = QSqlDatabase::database();
    if (!db.transaction())
        raiseSql(db.lastError());
    try {
        insertSession(info);
        auto session = std::make_unique<MonitorSession>(data);
        writeStudyFile(*session, patient, study);
        std::unique_ptr<TFileSignal> recording = createRecording(info.baseFilename);
        recording->writeHeader(recordingHeaderBytes(*recording, patient, data, recording->headerSize()));
        if (!db.commit())
            raiseSql(db.lastError());
        session->setRecording(std::move(recording));
        return session;
    } catch (...) {
        db.rollback();
        if (!studyExisted)
            QFile::remove(study);
        if (!recordingExisted)
            QFile::remove(recordingFile);
        throw;
    }
}

void MonitorDatabase::updateSession(const MonitorSession &session)
{
    SessionInfo info;
    if (!loadSession(session.patientId, session.sessionNumber, info))
        return;
    PatientRecord patient;
    if (!loadPatient(session.patientId, patient))
        return;
    writeStudyFile(session, patient, studyPath(info.baseFilename));
}

std::unique_ptr<MonitorSession> MonitorDatabase::openSession(int patientId, int sessionNumber)
{
    SessionInfo info;
    if (!loadSession(patientId, sessionNumber, info))
        return nullptr;
    QJsonDocument document;
    if (!readStudyFile(studyPath(info.baseFilename), document) || document.object().isEmpty())
        return nullptr;
    std::unique_ptr<MonitorSession> session = sessionFromStudy(document.object(), patientId, sessionNumber);
    session->setRecording(openRecording(info.baseFilename));
    return session;
}

bool MonitorDatabase::loadPicture(int id, QByteArray &bytes)
{
    QFile file(picturePath(id));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    bytes = file.readAll();
    return true;
}

void MonitorDatabase::savePicture(int id, const QByteArray &bytes)
{
    QFile file(picturePath(id));
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

std::unique_ptr<TFileSignal> MonitorDatabase::createRecording(const QString &baseFilename)
{
    auto recording = std::make_unique<TFileSignal>(recordingPath(baseFilename), 1, 250,
                                                   TFileSignal::RecordingHeaderSize, true);
    recording->setRange(-6.0, 6.0);
    recording->setResolutionBits(9);
    recording->setChannelName(0, QStringLiteral("V5"));
    return recording;
}

std::unique_ptr<TFileSignal> MonitorDatabase::openRecording(const QString &baseFilename)
{
    return TFileSignal::openRecordingFile(recordingPath(baseFilename));
}
