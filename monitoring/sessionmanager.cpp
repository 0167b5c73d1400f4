#include "monitoring/sessionmanager.h"

#include "acquisition/mockmonitorsource.h"
#include "acquisition/modulesource.h"
#include "acquisition/recorder.h"
#include "alarms/alarmmonitor.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/openrecords.h"
#include "storage/sessionclock.h"
#include "storage/storageerror.h"

#include <QDateTime>
#include <QTimer>
#include <QtDebug>

#include <exception>
#include <vector>

SessionManager::SessionManager(MonitorDatabase &database, OpenRecords &openRecords, const SessionClock &sessionClock,
                               QObject *parent)
    : QObject(parent),
      m_database(database),
      m_openRecords(openRecords),
      recorder(std::make_unique<Recorder>()),
      clock(&sessionClock)
{
    // For queued connections and spies on storageFailed.
    qRegisterMetaType<SessionManager::StorageFailure>();
    connect(recorder.get(), &Recorder::recordingFailed, this,
            [this](MonitorSession *session) { recordingFailed(session->patientId); });
    connect(recorder.get(), &Recorder::recordingResumed, this, [this](MonitorSession *session) {
        reportSuccess(session->patientId, StorageFailure::Recording);
        emit recordingResumed(session->patientId);
    });
    recorder->start();
    alarms = std::make_unique<AlarmMonitor>();
    alarms->watch(recorder.get());
    connect(this, &SessionManager::recordingStopped, alarms.get(),
            [this](int patientId) { alarms->setRecordingStopped(patientId, true); });
    connect(this, &SessionManager::recordingResumed, alarms.get(),
            [this](int patientId) { alarms->setRecordingStopped(patientId, false); });
    // Alarm entries reach the study file at once, before anything shows
    // them (connected before every panel and line): an alarm seen is an
    // alarm kept, even when the process is killed the next moment. A stop
    // or the window's end saves them with everything else.
    const auto saveNow = [this](int patientId) {
        if (sources.count(patientId) != 0)
            saveSession(patientId);
    };
    connect(alarms.get(), &AlarmMonitor::logChanged, this, saveNow);
    // So do the rhythm episodes, as each one ends.
    connect(alarms.get(), &AlarmMonitor::rhythmChanged, this, saveNow);
    alarms->start();
}

SessionManager::~SessionManager()
{
    if (!finished) {
        // Without a window to ask, what cannot be written is only logged.
        const QMap<int, QString> failed = finishMonitoring();
        for (auto it = failed.cbegin(); it != failed.cend(); ++it)
            qWarning("Session of patient %d not saved: %s", it.key(), qPrintable(it.value()));
    }
    for (auto &[patientId, session] : sessions) {
        m_openRecords.releaseSession(patientId, session->sessionNumber);
        session.reset();
    }
}

QMap<int, QString> SessionManager::finishMonitoring()
{
    if (!finished) {
        finished = true;
        for (QTimer *timer : qAsConst(saveTimers))
            timer->stop();
        recorder->stopAll();
        sources.clear();
        alarms->stopAll();
    }
    QList<int> all;
    for (const auto &entry : sessions)
        all.append(entry.first);
    return saveSessions(all);
}

QMap<int, QString> SessionManager::saveSessions(const QList<int> &patientIds)
{
    // Every study file gets its chance even when one cannot be written.
    QMap<int, QString> failed;
    for (int patientId : patientIds) {
        QStringList errors;
        for (const QString &error : {writeStudy(patientId), flushRecording(patientId)})
            if (!error.isEmpty())
                errors.append(error);
        if (!errors.isEmpty())
            failed.insert(patientId, errors.join(QStringLiteral("; ")));
    }
    return failed;
}

void SessionManager::setDevicePort(const QString &name, const QString &port)
{
    devices[name] = port;
}

void SessionManager::setAlarmLimits(int index, double low, double high)
{
    limits[index] = qMakePair(low, high);
}

QStringList SessionManager::deviceNames() const
{
    return devices.keys();
}

QPair<double, double> SessionManager::alarmLimits(int index) const
{
    return limits.value(index, qMakePair(0.0, 0.0));
}

bool SessionManager::isDeviceInUse(const QString &deviceName) const
{
    if (deviceName == QLatin1String("sim"))
        return false;
    for (const QString &used : patientDevices) {
        if (used == deviceName)
            return true;
    }
    return false;
}

bool SessionManager::hasPatient(int patientId) const
{
    return sessions.count(patientId) != 0;
}

QString SessionManager::deviceName(int patientId) const
{
    return patientDevices.value(patientId);
}

double SessionManager::batteryVoltage(int patientId) const
{
    const auto it = sources.find(patientId);
    return it == sources.end() ? 0.0 : it->second->batteryVoltage();
}

bool SessionManager::isConnected(int patientId) const
{
    const auto it = sources.find(patientId);
    return it != sources.end() && it->second->isConnected();
}

int SessionManager::patientCount() const
{
    return int(sessions.size());
}

std::unique_ptr<ISource> SessionManager::createSource(const QString &deviceName) const
{
    if (deviceName == QLatin1String("sim"))
        return std::make_unique<MockMonitorSource>();
    // An unknown name gives an empty port: the source reports its opening
    // error and the recorder keeps retrying.
    return std::make_unique<ModuleSource>(devices.value(deviceName).toLocal8Bit());
}

MonitorSession *SessionManager::startMonitoring(const SessionData &data, const QString &deviceName)
{
    // A patient already held here keeps its session: replacing it would free
    // the session and source the recorder is still pumping.
    if (hasPatient(data.patientId))
        return nullptr;
    std::unique_ptr<MonitorSession> created = m_database.startSession(data);
    if (!created)
        return nullptr;
    MonitorSession *session = created.get();
    session->startDateTime = clock->now();
    session->startClock(*clock);
    const int patientId = session->patientId;
    m_openRecords.holdSession(patientId, session->sessionNumber);
    sessions[patientId] = std::move(created);
    patientDevices[patientId] = deviceName;
    startSource(patientId, session);
    return session;
}

void SessionManager::stopMonitoring(int patientId)
{
    if (QTimer *timer = saveTimers.take(patientId)) {
        timer->stop();
        timer->deleteLater();
    }
    const auto it = sources.find(patientId);
    if (it == sources.end())
        return;
    recorder->removeSource(it->second.get());
    sources.erase(it);
    alarms->stopPatient(patientId);
    // The stop event and the last trends reach the disk now, not when the
    // window closes.
    saveSession(patientId);
}

MonitorSession *SessionManager::resumeMonitoring(int patientId)
{
    const auto found = sessions.find(patientId);
    if (sources.count(patientId) != 0 || found == sessions.end())
        return nullptr;
    MonitorSession *session = found->second.get();
    // Seconds the station saw go by since the start, beyond those recorded.
    const qint64 gap = std::min(session->elapsedSeconds() - session->hrTrend.size(), MaxFilledPause);
    if (gap > 0) {
        // Keep trend index = seconds and sample index = 250 x seconds since the start.
        for (qint64 i = 0; i < gap; ++i) {
            session->hrTrend.append(0);
            session->spo2Trend.append(0);
            session->tempTrend.append(0.0);
        }
        if (TFileSignal *recording = session->recording()) {
            const bool failedBefore = recording->hasWriteFailed();
            // The pause holds no ECG: a gap, not a flat line.
            recording->appendGap(gap * recording->rate());
            if (!failedBefore && recording->hasWriteFailed())
                recordingFailed(patientId);
        }
    }
    startSource(patientId, session);
    return session;
}

void SessionManager::startSource(int patientId, MonitorSession *session)
{
    const QString deviceName = patientDevices.value(patientId);
    std::unique_ptr<ISource> &source = sources[patientId];
    source = createSource(deviceName);
    recorder->addSource(source.get(), session);
    // The simulated source has no link to lose.
    alarms->addPatient(patientId, session, source.get(), deviceName != QLatin1String("sim"));
    startAutosave(patientId);
}

void SessionManager::startAutosave(int patientId)
{
    auto *timer = new QTimer(this);
    connect(timer, &QTimer::timeout, this, [this, patientId] { save(patientId, StorageFailure::Autosave); });
    timer->start(AutosaveInterval);
    saveTimers[patientId] = timer;
}

void SessionManager::saveSession(int patientId)
{
    save(patientId, StorageFailure::Entry);
}

void SessionManager::save(int patientId, StorageFailure kind)
{
    // A failed save (disk full, folder gone) must not end monitoring: it is
    // told and tried again at the next save. A stopped patient's recording,
    // which the recorder no longer retries, is retried here.
    if (sources.count(patientId) == 0)
        flushRecording(patientId);
    const QString error = writeStudy(patientId);
    if (error.isEmpty()) {
        reportSuccess(patientId, StorageFailure::Autosave);
        reportSuccess(patientId, StorageFailure::Entry);
    } else {
        reportFailure(patientId, kind, error);
    }
}

QString SessionManager::writeStudy(int patientId)
{
    const auto it = sessions.find(patientId);
    if (it == sessions.end())
        return QString();
    try {
        m_database.updateSession(*it->second);
    } catch (const std::exception &error) {
        return QString::fromUtf8(error.what());
    }
    return QString();
}

QString SessionManager::flushRecording(int patientId)
{
    const auto it = sessions.find(patientId);
    TFileSignal *recording = it == sessions.end() ? nullptr : it->second->recording();
    if (!recording || !recording->hasWriteFailed())
        return QString();
    if (!recording->retryWrite())
        return tr("ECG recording: %1").arg(recording->writeError());
    reportSuccess(patientId, StorageFailure::Recording);
    emit recordingResumed(patientId);
    return QString();
}

void SessionManager::recordingFailed(int patientId)
{
    const auto it = sessions.find(patientId);
    if (it == sessions.end() || !it->second->recording())
        return;
    reportFailure(patientId, StorageFailure::Recording, it->second->recording()->writeError());
    emit recordingStopped(patientId);
}

void SessionManager::reportFailure(int patientId, StorageFailure kind, const QString &text)
{
    const QPair<int, int> key(patientId, int(kind));
    if (failing.contains(key))
        return;
    failing.insert(key);
    emit storageFailed(patientId, kind, text);
}

void SessionManager::reportSuccess(int patientId, StorageFailure kind)
{
    if (failing.remove(QPair<int, int>(patientId, int(kind))))
        emit storageRecovered(patientId, kind);
}
