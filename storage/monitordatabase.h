#pragma once

#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/sessiondata.h"
#include "storage/sessioninfo.h"
#include "storage/tfilesignal.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <memory>

// One row of the patient list.
struct PatientSummary
{
    int id = 0;
    QString name;       // "last, first"
    QDate lastSession;  // invalid when the patient has no session
};

// Everything the station keeps on disk: the storage root with its SQLite
// index of patients and sessions (Qt's default connection), the patient
// pictures, the study files and the recordings. One instance per process.
// Failed statements throw StorageError with the driver's error text.
class MonitorDatabase
{
public:
    static QString defaultRoot(const QString &folderName = QStringLiteral("NorvaneMonitor"));

    // Creates the root, "data" and "pictures" and opens data/sessions.sqlite.
    // When that file is missing or cannot be used as the index (not a
    // database, tables missing, no patient although study files lie in the
    // root), a new index is filled from the study files; an unusable file is
    // first set aside under a dated name. Throws StorageError.
    explicit MonitorDatabase(const QString &rootPath);
    ~MonitorDatabase();

    MonitorDatabase(const MonitorDatabase &) = delete;
    MonitorDatabase &operator=(const MonitorDatabase &) = delete;

    QString rootPath() const;
    // Where an unusable index file was set aside when this instance opened;
    // empty when the index could be used (or was simply missing).
    QString setAsideIndexPath() const;

    void insertPatient(PatientRecord &record);
    void updatePatient(const PatientRecord &record);
    bool loadPatient(int id, PatientRecord &record);
    QList<PatientSummary> listPatients();
    // Removes the patient's session files, rows and picture.
    void deletePatient(int id);

    int nextSessionNumber(int patientId);
    void insertSession(const SessionInfo &info);
    QList<SessionInfo> listSessions(int patientId);
    bool loadSession(int patientId, int sessionNumber, SessionInfo &info);

    // Inserts the row, writes the study file and creates the recording with
    // its header; null (nothing written) when there is no such patient.
    std::unique_ptr<MonitorSession> startSession(const SessionData &data);
    // Rewrites the session's study file; nothing when its row is missing.
    void updateSession(const MonitorSession &session);
    // A finished session with its recording (when that opens); null when the
    // row or a readable study file is missing.
    std::unique_ptr<MonitorSession> openSession(int patientId, int sessionNumber);

    bool loadPicture(int id, QByteArray &bytes);
    void savePicture(int id, const QByteArray &bytes);

    std::unique_ptr<TFileSignal> createRecording(const QString &baseFilename);
    std::unique_ptr<TFileSignal> openRecording(const QString &baseFilename);

    // Paths of the files of the root.
    QString databasePath() const;
    QString picturePath(int id) const;
    QString studyPath(const QString &baseFilename) const;
    QString recordingPath(const QString &baseFilename) const;

    // "last-first-yyyyMMddHHmmss" with every name made safe for a file name.
    static QString makeBaseFilename(const PatientRecord &patient, const QDateTime &start);

private:
    void openConnection(const QString &path);
    void closeConnection();
    bool isUsableIndex();
    QString setAsideIndex(const QString &path);
    void buildIndex(const QString &path);
    void createTables();
    void rebuildIndex();
    void setAsidePictures();
    QStringList studyFileNames() const;

    QString m_rootPath;
    QString m_setAsideIndex;
};
