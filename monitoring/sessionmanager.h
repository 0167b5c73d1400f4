#pragma once

#include <QMap>
#include <QObject>
#include <QPair>
#include <QSet>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>

class AlarmMonitor;
class ISource;
class MonitorDatabase;
class MonitorSession;
class OpenRecords;
class QTimer;
class Recorder;
class SessionClock;
struct SessionData;

// Owns everything that runs per patient in one monitoring window: the source,
// the session record, the device name and a 30-s autosave timer, plus the
// recorder that pumps every running source into its session. Patients are
// named by their database id. Its sessions are held in the station's open
// records from their start until the manager is gone: it alone writes their
// study files meanwhile.
class SessionManager : public QObject
{
    Q_OBJECT

public:
    static constexpr int AutosaveInterval = 30000;
    // Longest pause filled with zero trend entries and silence on a resume:
    // beyond it a pause is not one the station can have seen go by.
    static constexpr qint64 MaxFilledPause = 12 * 3600;

    // What could not be written, as storageFailed tells it: the ECG
    // recording, the 30-s automatic save, or the save that follows an entry
    // (event, blood pressure, finalize fields, the stop).
    enum class StorageFailure { Recording, Autosave, Entry };
    Q_ENUM(StorageFailure)

    // Sessions started by this manager measure elapsed time and take their
    // start date from `clock` (not owned; SessionClock::system() in the station).
    SessionManager(MonitorDatabase &database, OpenRecords &openRecords, const SessionClock &clock,
                   QObject *parent = nullptr);
    // Without an earlier finishMonitoring(), does what it does (stops every
    // source, "Stop monitoring" for the running ones, writes every study
    // file) and only logs what cannot be written.
    ~SessionManager() override;

    void setDevicePort(const QString &name, const QString &port);
    void setAlarmLimits(int index, double low, double high);

    QStringList deviceNames() const;
    QPair<double, double> alarmLimits(int index) const;
    bool isDeviceInUse(const QString &deviceName) const;
    bool hasPatient(int patientId) const;
    QString deviceName(int patientId) const;
    double batteryVoltage(int patientId) const;
    bool isConnected(int patientId) const;
    int patientCount() const;
    // The alarms of the running patients; their log entries are saved at once.
    AlarmMonitor *alarmMonitor() const { return alarms.get(); }
    // What the panels read, store and check patients in.
    MonitorDatabase &database() const { return m_database; }
    OpenRecords &openRecords() const { return m_openRecords; }

    // Starts a new session and its source; null when the database has no such
    // patient or the patient is already in this session. The session stays
    // owned by the manager. Throws StorageError when its files or row cannot
    // be written (nothing of it then stays).
    MonitorSession *startMonitoring(const SessionData &data, const QString &deviceName);
    // Stops the patient's source and saves the session (a failure is told
    // through storageFailed).
    void stopMonitoring(int patientId);
    // Restarts a stopped patient, filling the pause (as the monotonic clock
    // measured it, at most MaxFilledPause) with zero trend entries and
    // silence in the recording; null when the patient is running or unknown.
    MonitorSession *resumeMonitoring(int patientId);

    // Writes the patient's study file now, for what the clinician has just
    // entered (a failure is told through storageFailed).
    void saveSession(int patientId);

    // Ends monitoring as the window closes: stops every autosave and every
    // source (each running session gets "Stop monitoring") and writes every
    // study file and the ECG still held in memory. Returns the patients whose
    // session could not be written, with the reason; saveSessions() tries
    // those again. Once this has run, destroying the manager writes nothing
    // more.
    QMap<int, QString> finishMonitoring();
    QMap<int, QString> saveSessions(const QList<int> &patientIds);

signals:
    // A write of the patient's session failed; monitoring goes on and the
    // write is tried again. Told once per patient and kind until that kind
    // succeeds again (storageRecovered); text is the error as the system
    // gave it.
    void storageFailed(int patientId, SessionManager::StorageFailure kind, const QString &text);
    void storageRecovered(int patientId, SessionManager::StorageFailure kind);
    // The patient's ECG stopped reaching the disk (the file keeps what reached
    // it; the live display goes on), and later reaches it again, with the
    // frames held meanwhile and zeros for any that could not be held.
    void recordingStopped(int patientId);
    void recordingResumed(int patientId);

private:
    std::unique_ptr<ISource> createSource(const QString &deviceName) const;
    // Starts (or restarts) the patient's source on its device, feeding
    // `session`, with its alarms and its autosave.
    void startSource(int patientId, MonitorSession *session);
    void startAutosave(int patientId);
    void save(int patientId, StorageFailure kind);
    // The error text of a failed study file save, empty when the file was
    // written (or there is nothing to write).
    QString writeStudy(int patientId);
    // Writes the ECG held in memory after a failed write; the error text when
    // it still cannot be written.
    QString flushRecording(int patientId);
    void recordingFailed(int patientId);
    void reportFailure(int patientId, StorageFailure kind, const QString &text);
    void reportSuccess(int patientId, StorageFailure kind);

    MonitorDatabase &m_database;
    OpenRecords &m_openRecords;
    QMap<QString, QString> devices;
    QMap<int, QString> patientDevices;
    std::map<int, std::unique_ptr<ISource>> sources;
    std::map<int, std::unique_ptr<MonitorSession>> sessions;
    QMap<int, QTimer *> saveTimers;
    std::unique_ptr<Recorder> recorder;
    std::unique_ptr<AlarmMonitor> alarms;
    QMap<int, QPair<double, double>> limits;
    QSet<QPair<int, int>> failing; // (patient id, StorageFailure) told and not yet recovered
    const SessionClock *clock;
    bool finished = false;
};
