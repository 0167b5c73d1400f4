#include "storage/indexrepair.h"

#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/storageerror.h"
#include "storage/storedtime.h"
#include "storage/studyfile.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>

namespace {

const char OldIndexConnection[] = "cardiolane-set-aside-index";
// A start or a save younger than this may still be under way in another
// process (the companion working on the station's root while it runs); its
// files are left alone.
constexpr int UnfinishedStartAge = 60;
constexpr int UnfinishedSaveAge = 10;
constexpr int BusyTimeoutMs = 15000;

QString translated(const char *text)
{
    return QCoreApplication::translate("MonitorDatabase", text);
}

[[noreturn]] void raiseSql(const QSqlError &error)
{
    throw StorageError(error.text().toStdString());
}

void run(QSqlQuery &query, const QString &statement)
{
    if (!query.exec(statement))
        raiseSql(query.lastError());
}

// Whether something, even a broken link, is at the path.
bool occupied(const QFileInfo &info)
{
    return info.exists() || info.isSymLink();
}

// A dated name beside the path that nothing uses yet.
QString asideName(const QString &path)
{
    const QString stamp = StoredTime::toText(QDateTime::currentDateTime());
    QString aside = QStringLiteral("%1.unusable-%2").arg(path, stamp);
    for (int n = 2; occupied(QFileInfo(aside)); ++n)
        aside = QStringLiteral("%1.unusable-%2-%3").arg(path, stamp).arg(n);
    return aside;
}

// QDir::rename moves links, pipes and folders too, broken links included.
bool move(const QString &from, const QString &to)
{
    return QDir().rename(from, to);
}

// One session found in a study file during a rebuild.
struct FoundSession
{
    QString stem;
    QString patientName;
    QUuid patientUuid;
    int patientId = 0;
    int number = 0;
    bool presence = false;
    QDateTime start;
    int seconds = 0; // trend entries: how much monitoring it holds
};

// The patient uuids of an index set aside, by patient id; empty when it
// cannot be read at all. Only used to keep pictures with their patients.
QHash<int, QUuid> oldPatientUuids(const QString &path)
{
    QHash<int, QUuid> uuids;
    {
        QSqlDatabase old = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QLatin1String(OldIndexConnection));
        old.setDatabaseName(path);
        old.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
        if (old.open()) {
            QSqlQuery query(old);
            if (query.exec(QStringLiteral("select id, data from Patient"))) {
                while (query.next()) {
                    const QJsonObject patient = QJsonDocument::fromJson(query.value(1).toString().toUtf8()).object();
                    const QUuid uuid(patient.value(QStringLiteral("uuid")).toString());
                    if (!uuid.isNull())
                        uuids.insert(query.value(0).toInt(), uuid);
                }
            }
            old.close();
        }
    }
    QSqlDatabase::removeDatabase(QLatin1String(OldIndexConnection));
    return uuids;
}

} // namespace

IndexRepair::IndexRepair(MonitorDatabase &database)
    : m_database(database), m_root(database.rootPath()), m_connection(database.connectionName())
{
}

void IndexRepair::prepareFolders(const QString &root)
{
    if (!QDir().mkpath(root) || !QFileInfo(root).isDir())
        throw StorageError(translated(QT_TRANSLATE_NOOP("MonitorDatabase", "Cannot create the storage folder %1"))
                               .arg(QDir::toNativeSeparators(root))
                               .toStdString());
    for (const QString &name : {QStringLiteral("data"), QStringLiteral("pictures")}) {
        const QString path = QStringLiteral("%1/%2").arg(root, name);
        const QFileInfo info(path);
        if (occupied(info) && !info.isDir())
            move(path, asideName(path));
        QDir(root).mkdir(name);
    }
}

void IndexRepair::openConnection(const QString &connection, const QString &path)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    db.setDatabaseName(path);
    // Another process writing the index holds it for moments only; a
    // statement waits for it rather than failing.
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs));
    if (!db.open())
        raiseSql(db.lastError());
}

void IndexRepair::closeConnection(const QString &connection)
{
    QSqlDatabase db = QSqlDatabase::database(connection, false);
    if (db.isOpen()) {
        db.rollback();
        db.close();
    }
}

void IndexRepair::openIndex()
{
    const QString path = m_database.databasePath();
    const QFileInfo info(path);
    bool rebuild = true;
    QString oldIndex; // a regular file set aside, read for its picture owners
    if (info.isFile()) {
        openConnection(m_connection, path);
        rebuild = !isUsableIndex();
        if (rebuild) {
            closeConnection(m_connection);
            setAsideIndex(path);
            oldIndex = m_setAside;
        }
    } else if (occupied(info)) {
        // A folder, a pipe, a device or a broken link: never opened.
        setAsideIndex(path);
    }
    if (rebuild) {
        finishPendingStarts(true);
        buildIndex(path, oldIndex);
        openConnection(m_connection, path);
    } else {
        finishPendingStarts(false);
    }
    removeInterruptedSaves();
}

bool IndexRepair::isUsableIndex()
{
    // SQLite opens any file; a file that is not a database (or a damaged
    // one) fails only at the first statement, and a damaged page may fail
    // only when it is read: the quick check reads every page. Any other
    // failure, such as a file another program keeps locked, is reported,
    // not repaired.
    QSqlQuery check(index());
    if (!check.exec(QStringLiteral("pragma quick_check"))) {
        const QString code = check.lastError().nativeErrorCode();
        if (code == QLatin1String("26") || code == QLatin1String("11")) // not a database, damaged
            return false;
        raiseSql(check.lastError());
    }
    if (!check.next() || check.value(0).toString() != QLatin1String("ok"))
        return false;
    check.finish();

    // Both tables with the columns every statement names.
    const QList<QPair<QString, QStringList>> tables = {
        {QStringLiteral("Patient"), {QStringLiteral("id"), QStringLiteral("data")}},
        {QStringLiteral("Session"), {QStringLiteral("patientId"), QStringLiteral("sessionNumber"), QStringLiteral("data")}}};
    for (const auto &table : tables) {
        QSqlQuery columns(index());
        run(columns, QStringLiteral("pragma table_info(%1)").arg(table.first));
        QStringList names;
        while (columns.next())
            names.append(columns.value(1).toString());
        for (const QString &column : table.second)
            if (!names.contains(column, Qt::CaseInsensitive))
                return false;
    }
    // An index without a single patient beside study files was left by an
    // interrupted rebuild (patients deleted in the station take their study
    // files with them).
    QSqlQuery patients(index());
    run(patients, QStringLiteral("select count(*) from Patient"));
    return (patients.next() && patients.value(0).toInt() > 0) || studyFileNames().isEmpty();
}

void IndexRepair::setAsideIndex(const QString &path)
{
    // Kept, dated, beside the new index, with any journal of its own (which
    // must not be applied to the new file).
    const QString aside = asideName(path);
    if (!move(path, aside))
        throw StorageError(
            translated(QT_TRANSLATE_NOOP("MonitorDatabase", "Cannot set the unusable index aside")).toStdString());
    for (const char *suffix : {"-journal", "-wal", "-shm"}) {
        const QString companion = path + QLatin1String(suffix);
        if (occupied(QFileInfo(companion)))
            move(companion, aside + QLatin1String(suffix));
    }
    m_setAside = aside;
}

void IndexRepair::buildIndex(const QString &path, const QString &oldIndex)
{
    // The index is built in a file of its own and renamed into place when it
    // is complete: a crash at any moment leaves either no index (rebuilt at
    // the next start) or a complete one.
    const QString building = path + QStringLiteral(".rebuild");
    for (const QString &stale : {building, building + QStringLiteral("-journal")})
        QFile::remove(stale);
    openConnection(m_connection, building);
    QSqlDatabase db = index();
    db.transaction();
    createTables();
    fillFromStudyFiles(oldIndex);
    if (!db.commit())
        raiseSql(db.lastError());
    db.close();
    if (!QFile::rename(building, path))
        throw StorageError(translated(QT_TRANSLATE_NOOP("MonitorDatabase", "Cannot create the index")).toStdString());
}

void IndexRepair::createTables()
{
    QSqlQuery query(index());
    run(query, QStringLiteral("create table Patient(id integer primary key, data text)"));
    run(query, QStringLiteral("create table Session(patientId integer, sessionNumber integer, data text)"));
}

QSqlDatabase IndexRepair::index() const
{
    return QSqlDatabase::database(m_connection, false);
}

QStringList IndexRepair::studyFileNames() const
{
    return QDir(m_root, QStringLiteral("*.nvstudy")).entryList(QDir::Files);
}

void IndexRepair::fillFromStudyFiles(const QString &oldIndex)
{
    const QDir root(m_root);
    QList<QUuid> patientOrder;
    QHash<QUuid, QJsonObject> patientObjects; // from the first study file of each patient
    QHash<QUuid, QPair<QDateTime, int>> storedIds; // the id in the newest study file that has one
    QList<FoundSession> found;
    for (const QString &name : studyFileNames()) {
        StoredStudy study;
        QString why;
        if (!readStoredStudy(root.filePath(name), study, &why)) {
            m_notes.append(translated(QT_TRANSLATE_NOOP("MonitorDatabase",
                                                        "The study file %1 could not be read (%2); it is not in "
                                                        "the rebuilt index."))
                               .arg(name, why));
            continue;
        }
        const QUuid uuid = study.patient.uuid;
        if (!patientObjects.contains(uuid)) {
            patientOrder.append(uuid);
            patientObjects.insert(uuid, study.patient.toJson());
        }
        const QDateTime start = study.session ? study.session->startDateTime : QDateTime();
        if (study.storedPatientId > 0 && (!storedIds.contains(uuid) || storedIds.value(uuid).first < start))
            storedIds.insert(uuid, {start, study.storedPatientId});
        if (!study.session)
            continue;
        FoundSession s;
        s.stem = name.section(QLatin1Char('.'), 0, 0);
        s.patientUuid = uuid;
        s.number = study.session->sessionNumber;
        s.presence = study.session->presence;
        s.start = start;
        s.seconds = study.session->hrTrend.size();
        found.append(s);
    }

    // The number each patient had before: the index set aside knows it when
    // it can still be read, else the newest study file that names it.
    QHash<QUuid, int> earlierIds;
    for (auto it = storedIds.cbegin(); it != storedIds.cend(); ++it)
        earlierIds.insert(it.key(), it.value().second);
    if (!oldIndex.isEmpty()) {
        const QHash<int, QUuid> oldUuids = oldPatientUuids(oldIndex);
        for (auto it = oldUuids.cbegin(); it != oldUuids.cend(); ++it)
            if (patientObjects.contains(it.value()))
                earlierIds.insert(it.value(), it.key());
    }
    const QHash<QUuid, int> patientIds = insertPatients(patientOrder, patientObjects, earlierIds);
    for (FoundSession &s : found) {
        s.patientId = patientIds.value(s.patientUuid);
        s.patientName = PatientRecord::fromJson(patientObjects.value(s.patientUuid)).displayName();
    }

    // A number used twice (a start killed before its row was written, then
    // started again): the session that holds more monitoring keeps it, the
    // later one on a tie; the other gets the next free number and both stay.
    QHash<int, int> highest;
    for (const FoundSession &s : qAsConst(found))
        highest[s.patientId] = std::max(highest.value(s.patientId), s.number);
    QList<int> order;
    for (int i = 0; i < found.size(); ++i)
        order.append(i);
    std::stable_sort(order.begin(), order.end(), [&found](int a, int b) {
        const FoundSession &x = found.at(a), &y = found.at(b);
        if (x.patientId != y.patientId || x.number != y.number)
            return std::make_pair(x.patientId, x.number) < std::make_pair(y.patientId, y.number);
        return std::make_pair(x.seconds, x.start) > std::make_pair(y.seconds, y.start);
    });
    for (int k = 0; k < order.size();) {
        const FoundSession &kept = found.at(order.at(k));
        int end = k + 1;
        while (end < order.size() && found.at(order.at(end)).patientId == kept.patientId
               && found.at(order.at(end)).number == kept.number)
            ++end;
        for (int j = k + 1; j < end; ++j) {
            FoundSession &s = found[order.at(j)];
            const int renumbered = ++highest[s.patientId];
            m_notes.append(translated(QT_TRANSLATE_NOOP("MonitorDatabase",
                                                        "Session %1 of %2 was used twice; the copy in %3 is now "
                                                        "session %4."))
                               .arg(s.number)
                               .arg(s.patientName, s.stem)
                               .arg(renumbered));
            s.number = renumbered;
        }
        k = end;
    }
    for (const FoundSession &s : qAsConst(found)) {
        SessionInfo info;
        info.patientId = s.patientId;
        info.sessionNumber = s.number;
        info.presence = s.presence;
        info.startDateTime = s.start;
        info.baseFilename = s.stem;
        m_database.insertSession(info);
    }
    keepPictures(patientIds, oldIndex);
}

QHash<QUuid, int> IndexRepair::insertPatients(const QList<QUuid> &order, const QHash<QUuid, QJsonObject> &patients,
                                               const QHash<QUuid, int> &earlierIds)
{
    // Users note patient numbers (the companion's --patient, for one), so
    // each patient keeps the number it had wherever that is known and no
    // other patient claims it; the others are numbered after them.
    QHash<int, int> claims;
    for (const QUuid &uuid : order)
        if (earlierIds.value(uuid) > 0)
            ++claims[earlierIds.value(uuid)];
    QHash<QUuid, int> ids;
    QList<QUuid> renumbered;
    for (const QUuid &uuid : order) {
        const int earlier = earlierIds.value(uuid);
        if (earlier <= 0 || claims.value(earlier) != 1)
            continue;
        PatientRecord patient = PatientRecord::fromJson(patients.value(uuid));
        m_database.insertPatient(patient);
        QSqlQuery query(index());
        query.prepare(QStringLiteral("update Patient set id = ? where id = ?"));
        query.addBindValue(earlier);
        query.addBindValue(patient.id);
        if (!query.exec())
            raiseSql(query.lastError());
        ids.insert(uuid, earlier);
    }
    int unknown = 0;
    for (const QUuid &uuid : order) {
        if (ids.contains(uuid))
            continue;
        PatientRecord patient = PatientRecord::fromJson(patients.value(uuid));
        m_database.insertPatient(patient);
        ids.insert(uuid, patient.id);
        const int earlier = earlierIds.value(uuid);
        if (earlier > 0)
            m_notes.append(translated(QT_TRANSLATE_NOOP("MonitorDatabase",
                                                        "Patient %1 had number %2, which another patient also "
                                                        "had; it is now patient %3."))
                               .arg(patient.displayName())
                               .arg(earlier)
                               .arg(patient.id));
        else
            ++unknown;
    }
    if (unknown == 1)
        m_notes.append(translated(QT_TRANSLATE_NOOP("MonitorDatabase",
                                                    "One patient got a new number: its earlier number is not in its "
                                                    "study files.")));
    else if (unknown > 1)
        m_notes.append(translated(QT_TRANSLATE_NOOP("MonitorDatabase",
                                                    "%1 patients got new numbers: their earlier numbers are not in "
                                                    "their study files."))
                           .arg(unknown));
    return ids;
}

void IndexRepair::keepPictures(const QHash<QUuid, int> &patientIds, const QString &oldIndex)
{
    // Patients whose earlier number is not known get new ids. A picture goes
    // with its patient's new id when its owner is known (its mark, or the index set
    // aside); the rest would show the wrong faces and go into a folder of
    // their own.
    QDir pictures(m_root + QStringLiteral("/pictures"));
    static const QRegularExpression pictureName(QStringLiteral("^pic(\\d+)$"));
    QStringList names;
    for (const QString &name : pictures.entryList(QDir::Files | QDir::Hidden))
        if (pictureName.match(name).hasMatch())
            names.append(name);
    if (names.isEmpty())
        return;
    const QHash<int, QUuid> oldUuids = oldIndex.isEmpty() ? QHash<int, QUuid>() : oldPatientUuids(oldIndex);
    QHash<QString, int> newIds; // picture name -> new patient id
    QHash<QString, QUuid> owners;
    for (const QString &name : qAsConst(names)) {
        QFile mark(pictures.filePath(name + QStringLiteral(".owner")));
        QUuid owner;
        if (mark.open(QIODevice::ReadOnly))
            owner = QUuid(QString::fromLatin1(mark.read(64)).trimmed());
        if (owner.isNull())
            owner = oldUuids.value(pictureName.match(name).captured(1).toInt());
        if (!owner.isNull() && patientIds.contains(owner)) {
            newIds.insert(name, patientIds.value(owner));
            owners.insert(name, owner);
        }
    }

    // Every picture leaves its name first, so that none is overwritten by
    // another taking its id; the kept ones then come back under their new ids.
    // Whatever cannot be moved or marked is told: a picture left under its
    // old name would otherwise show as another patient's face.
    const QString stamp = StoredTime::toText(QDateTime::currentDateTime());
    QString folder = QStringLiteral("before-rebuild-%1").arg(stamp);
    for (int n = 2; pictures.exists(folder); ++n)
        folder = QStringLiteral("before-rebuild-%1-%2").arg(stamp).arg(n);
    if (!pictures.mkdir(folder)) {
        m_notes.append(translated(QT_TRANSLATE_NOOP("MonitorDatabase",
                                                    "The pictures could not be set aside in %1; they may show "
                                                    "with the wrong patients."))
                           .arg(QDir::toNativeSeparators(pictures.filePath(folder))));
        return;
    }
    QDir aside(pictures.filePath(folder));
    const auto tell = [this, &aside](const char *text, const QString &name) {
        m_notes.append(translated(text).arg(name, QDir::toNativeSeparators(aside.path())));
    };
    for (const QString &name : qAsConst(names)) {
        const QString mark = name + QStringLiteral(".owner");
        if (!pictures.rename(name, aside.filePath(name))) {
            newIds.remove(name);
            tell(QT_TRANSLATE_NOOP("MonitorDatabase",
                                   "The picture %1 could not be moved to %2; it may show with the wrong patient."),
                 name);
        } else if (occupied(QFileInfo(pictures.filePath(mark))) && !pictures.rename(mark, aside.filePath(mark))) {
            tell(QT_TRANSLATE_NOOP("MonitorDatabase", "The owner mark %1 could not be moved to %2."), mark);
        }
    }
    for (auto it = newIds.cbegin(); it != newIds.cend(); ++it) {
        const QString target = QStringLiteral("pic%1").arg(it.value());
        if (occupied(QFileInfo(pictures.filePath(target))) || !aside.rename(it.key(), pictures.filePath(target))) {
            tell(QT_TRANSLATE_NOOP("MonitorDatabase",
                                   "The picture %1 could not be given back to its patient; it stays in %2."),
                 it.key());
            continue;
        }
        const QString oldMark = it.key() + QStringLiteral(".owner");
        if (occupied(QFileInfo(aside.filePath(oldMark))))
            aside.remove(oldMark);
        QFile mark(pictures.filePath(target + QStringLiteral(".owner")));
        const QByteArray owner = owners.value(it.key()).toString().toLatin1();
        if (!mark.open(QIODevice::WriteOnly | QIODevice::Truncate) || mark.write(owner) != owner.size() || !mark.flush())
            m_notes.append(translated(QT_TRANSLATE_NOOP("MonitorDatabase",
                                                        "The picture %1 could not be marked with its owner (%2); "
                                                        "a later rebuild may set it aside."))
                               .arg(target, mark.errorString()));
    }
    pictures.rmdir(folder); // only when every picture was kept
}

void IndexRepair::finishPendingStarts(bool indexRebuilt)
{
    // A start writes its study file under a pending name, creates the
    // recording, commits the row and only then gives the study file its
    // name. A pending file whose row is in the index lost only that last
    // step; one without a row never started, and its recording goes with it.
    // Without an index to ask, every pending start is kept.
    const QDir root(m_root);
    const QDateTime settled = QDateTime::currentDateTime().addSecs(-UnfinishedStartAge);
    for (const QString &name : root.entryList({QStringLiteral("*.nvstudy.pending")}, QDir::Files)) {
        const QString pending = root.filePath(name);
        const QString stem = name.section(QLatin1Char('.'), 0, 0);
        const QString study = m_database.studyPath(stem);
        if (indexRebuilt || m_database.isBaseFilenameInIndex(stem)) {
            // A study file under the real name is newer: a save came after.
            if (QFileInfo::exists(study))
                QFile::remove(pending);
            else
                QFile::rename(pending, study);
        } else if (QFileInfo(pending).lastModified() < settled) {
            QFile::remove(pending);
            QFile::remove(m_database.recordingPath(stem));
        }
    }
}

void IndexRepair::removeInterruptedSaves()
{
    // A save goes to "<file>.XXXXXX" and replaces the file on commit; a
    // process killed in between leaves the temporary file behind.
    static const QRegularExpression study(QStringLiteral("\\.nvstudy(\\.pending)?\\.[A-Za-z0-9]{6}$"));
    static const QRegularExpression picture(QStringLiteral("^pic\\d+(\\.owner)?\\.[A-Za-z0-9]{6}$"));
    const QDateTime settled = QDateTime::currentDateTime().addSecs(-UnfinishedSaveAge);
    for (const auto &[folder, pattern] : {std::make_pair(m_root, &study),
                                          std::make_pair(m_root + QStringLiteral("/pictures"), &picture)}) {
        QDir dir(folder);
        for (const QFileInfo &file : dir.entryInfoList(QDir::Files | QDir::Hidden))
            if (pattern->match(file.fileName()).hasMatch() && file.lastModified() < settled)
                dir.remove(file.fileName());
    }
}
