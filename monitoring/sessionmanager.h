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

    SessionManager(MonitorDatabase &database, OpenRecords &openRecords, QObject *parent = nullptr);
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
    // owned by the manager.
    MonitorSession *startMonitoring(const SessionData &data, const QString &deviceName);
    // Stops the patient's source and saves the session (a failure is told
    // through autosaveFailed).
    void stopMonitoring(int patientId);
    // Restarts a stopped patient, filling the pause with zero trend entries and
    // silence in the recording; null when the patient is running or unknown.
    MonitorSession *resumeMonitoring(int patientId);

    // Writes the patient's study file now, as the autosave does: for what
    // the clinician has just entered.
    void saveSession(int patientId);

    // Ends monitoring as the window closes: stops every autosave and every
    // source (each running session gets "Stop monitoring") and writes every
    // study file. Returns the patients whose session could not be written,
    // with the reason; saveSessions() tries those again. Once this has run,
    // destroying the manager writes nothing more.
    QMap<int, QString> finishMonitoring();
    QMap<int, QString> saveSessions(const QList<int> &patientIds);

signals:
    // An automatic save failed; reported once until a save of that patient
    // succeeds again. Monitoring goes on and the save is retried.
    void autosaveFailed(const QString &message);
    // The patient's ECG could not be written any more (disk full): the file
    // keeps what reached it, monitoring and the live display go on. Told once
    // per recording.
    void recordingStopped(int patientId);

private:
    std::unique_ptr<ISource> createSource(const QString &deviceName) const;
    void startAutosave(int patientId);
    // The error text of a failed save, empty when the file was written (or
    // there is nothing to write).
    QString writeSession(int patientId);

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
    QSet<int> failedSaves;
    bool finished = false;
};
