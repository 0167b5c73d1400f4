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
// index of patients and sessions (on a connection of its own), the patient
// pictures, the study files and the recordings. One instance per process.
// Failed statements throw StorageError with the driver's error text.
class MonitorDatabase
{
public:
    static QString defaultRoot(const QString &folderName = QStringLiteral("NorvaneMonitor"));

    // Creates the root, "data" and "pictures" and opens data/sessions.sqlite,
    // repairing what a crash or a damaged disk left behind (see IndexRepair):
    // an index that is missing or cannot be used is rebuilt from the study
    // files, an unusable one first set aside under a dated name. Throws
    // StorageError.
    explicit MonitorDatabase(const QString &rootPath);
    ~MonitorDatabase();

    MonitorDatabase(const MonitorDatabase &) = delete;
    MonitorDatabase &operator=(const MonitorDatabase &) = delete;

    // Absolute and clean, also when a relative path was given.
    QString rootPath() const;
    // The Qt SQL connection this instance opened on its index; it is
    // removed when the instance goes.
    QString connectionName() const;
    // Where an unusable index file was set aside when this instance opened;
    // empty when the index could be used (or was simply missing).
    QString setAsideIndexPath() const;
    // What the repair at opening did beyond setting the index aside, one
    // sentence each (sessions renumbered by the rebuild, for instance).
    QStringList repairNotes() const;

    void insertPatient(PatientRecord &record);
    void updatePatient(const PatientRecord &record);
    bool loadPatient(int id, PatientRecord &record);
    QList<PatientSummary> listPatients();
    // Removes the patient's session files, rows and picture. Throws
    // StorageError when a file cannot be removed (the rows then stay, and a
    // second call finishes the work).
    void deletePatient(int id);

    int nextSessionNumber(int patientId);
    void insertSession(const SessionInfo &info);
    QList<SessionInfo> listSessions(int patientId);
    bool loadSession(int patientId, int sessionNumber, SessionInfo &info);

    // Writes the study file, creates the recording with its header and
    // inserts the row, under a base file name that no file and no row of the
    // root uses yet; null (nothing written) when there is no such patient.
    // The files and the row appear together or not at all, also when the
    // process dies on the way (the next opening completes or removes them).
    std::unique_ptr<MonitorSession> startSession(const SessionData &data);
    // Rewrites the session's study file. Throws StorageError also when the
    // session's row or its patient is missing.
    void updateSession(const MonitorSession &session);
    // A finished session with its recording (when that opens); null when the
    // row or a readable study file is missing, with the reason in `why` for
    // a study file that is there but cannot be read.
    std::unique_ptr<MonitorSession> openSession(int patientId, int sessionNumber, QString *why = nullptr);

    // False when the patient has no picture, or when the picture is marked
    // as another patient's (left by an index rebuilt without that mark).
    bool loadPicture(int id, QByteArray &bytes);
    // Replaces the picture as a whole and marks it with the patient's uuid
    // (pic<id>.owner), so that a rebuilt index keeps it with its patient.
    // Throws StorageError when it cannot be written.
    void savePicture(int id, const QByteArray &bytes);

    std::unique_ptr<TFileSignal> createRecording(const QString &baseFilename);
    std::unique_ptr<TFileSignal> openRecording(const QString &baseFilename);

    // Paths of the files of the root.
    QString databasePath() const;
    QString picturePath(int id) const;
    QString pictureOwnerPath(int id) const;
    QString studyPath(const QString &baseFilename) const;
    QString recordingPath(const QString &baseFilename) const;

    // "last-first-yyyyMMddHHmmss" with every name made safe for a file name.
    static QString makeBaseFilename(const PatientRecord &patient, const QDateTime &start);

    // The study file of a start that has not reached the index yet.
    static QString pendingStudyPath(const QString &studyPath);
    // True when a session row holds this base file name.
    bool isBaseFilenameInIndex(const QString &baseFilename);

private:
    QString freeBaseFilename(const QString &wanted);
    // freeBaseFilename(), with its pending study file created (empty) so
    // that no other process takes the name too.
    QString claimBaseFilename(const QString &wanted);

    QString m_rootPath;
    QString m_connection;
    QString m_setAsideIndex;
    QStringList m_repairNotes;
};
