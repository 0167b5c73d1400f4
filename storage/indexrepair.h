#pragma once

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

class MonitorDatabase;
class QSqlDatabase;

// Brings a storage root back into shape as a MonitorDatabase opens it, after
// a crash, a killed process or a damaged disk. The study files are the record
// of every session; the SQLite index is rebuilt from them whenever it cannot
// be trusted: missing, not a regular file, not a database, failing SQLite's
// quick check, tables or columns missing, or without a patient although
// study files lie in the root. An unusable index is kept, dated, beside the
// new one. Works on the database's own SQLite connection, which the
// database has added; throws StorageError.
class IndexRepair
{
public:
    explicit IndexRepair(MonitorDatabase &database);

    // Creates the root and its "data" and "pictures" folders; a file or a
    // broken link where one of those folders belongs is set aside first.
    static void prepareFolders(const QString &root);

    // Leaves the connection open on a usable index, then completes
    // or removes the starts that a killed process left half done and removes
    // the temporary files of interrupted saves.
    void openIndex();

    QString setAsidePath() const { return m_setAside; }
    // One sentence for each thing the repair could not keep as it was:
    // sessions renumbered, study files left out, pictures not moved.
    QStringList notes() const { return m_notes; }

    // Opens or closes a named connection on a database file.
    static void openConnection(const QString &connection, const QString &path);
    static void closeConnection(const QString &connection);

private:
    bool isUsableIndex();
    void setAsideIndex(const QString &path);
    void buildIndex(const QString &path, const QString &oldIndex);
    void createTables();
    void fillFromStudyFiles(const QString &oldIndex);
    // Inserts the patients found in the study files, in order, keeping the
    // ids they had where that is known; their ids by uuid.
    QHash<QUuid, int> insertPatients(const QList<QUuid> &order, const QHash<QUuid, QJsonObject> &patients,
                                     const QHash<QUuid, int> &earlierIds);
    void keepPictures(const QHash<QUuid, int> &patientIds, const QString &oldIndex);
    void finishPendingStarts(bool indexRebuilt);
    void removeInterruptedSaves();
    QStringList studyFileNames() const;
    QSqlDatabase index() const;

    MonitorDatabase &m_database;
    QString m_root;
    QString m_connection;
    QString m_setAside;
    QStringList m_notes;
};
