#include "monitoring/alarmmonitor.h"

#include "acquisition/isource.h"
#include "acquisition/recorder.h"
#include "storage/monitorsession.h"

#include <QElapsedTimer>

#include <algorithm>
#include <cmath>

AlarmMonitor::AlarmMonitor(Clock clock, QObject *parent)
    : QObject(parent), m_clock(std::move(clock))
{
    qRegisterMetaType<AlarmPriority>();
    if (!m_clock) {
        auto elapsed = std::make_shared<QElapsedTimer>();
        elapsed->start();
        m_clock = [elapsed] { return elapsed->elapsed(); };
    }
    m_timer.setInterval(TickInterval);
    connect(&m_timer, &QTimer::timeout, this, &AlarmMonitor::tick);
}

AlarmMonitor::~AlarmMonitor() = default;

void AlarmMonitor::setSettings(const AlarmSettings &settings)
{
    m_settings = settings;
    for (auto &entry : m_patients)
        entry.second.engine.setSettings(settings);
}

void AlarmMonitor::watch(Recorder *recorder)
{
    connect(recorder, &Recorder::samplesPolled, this, &AlarmMonitor::onSamplesPolled);
}

void AlarmMonitor::start()
{
    m_timer.start();
}

void AlarmMonitor::addPatient(int patientId, MonitorSession *session, ISource *source, bool linkWatched)
{
    const qint64 now = m_clock();
    auto found = m_patients.find(patientId);
    if (found == m_patients.end()) {
        // Monitoring of the session starts now; a resumed patient keeps its start.
        found = m_patients.emplace(patientId, Patient{AlarmEngine(m_settings), session, nullptr, false, now}).first;
    }
    Patient &patient = found->second;
    patient.session = session;
    patient.source = source;
    patient.linkWatched = linkWatched;
    patient.engine.restart(now);
    patient.engine.setStopped(false, now);
}

void AlarmMonitor::stopPatient(int patientId)
{
    const auto found = m_patients.find(patientId);
    if (found == m_patients.end() || found->second.engine.isStopped())
        return;
    Patient &patient = found->second;
    patient.source = nullptr;
    if (record(patientId, patient, patient.engine.setStopped(true, m_clock())))
        emit logChanged(patientId);
    updateSound();
}

void AlarmMonitor::stopAll()
{
    for (auto &entry : m_patients)
        stopPatient(entry.first);
}

void AlarmMonitor::setRecordingStopped(int patientId, bool stopped, const QString &reason)
{
    const auto found = m_patients.find(patientId);
    if (found != m_patients.end())
        found->second.engine.setRecordingStopped(stopped, reason);
}

void AlarmMonitor::onSamplesPolled(MonitorSession *session, const PolledSamples &polled)
{
    for (auto &entry : m_patients) {
        Patient &patient = entry.second;
        if (patient.session == session && !patient.engine.isStopped()) {
            patient.engine.addSamples(polled.samples, polled.count, polled.beats, polled.beatCount, m_clock());
            return;
        }
    }
}

void AlarmMonitor::tick()
{
    const qint64 now = m_clock();
    for (auto &entry : m_patients) {
        Patient &patient = entry.second;
        if (patient.engine.isStopped())
            continue;
        if (patient.source) {
            patient.engine.setLink(patient.linkWatched, patient.source->isConnected());
            patient.engine.setBatteryVoltage(patient.source->batteryVoltage());
        }
        patient.engine.setHeartRate(patient.session->lastHeartRate());
        const QVector<AlarmEvent> events = patient.engine.update(now);
        for (const AlarmEvent &event : events) {
            // A new high-priority condition must be heard at once.
            if (event.kind == AlarmLogEntry::Onset && alarmConditionRow(event.condition).priority == AlarmPriority::High)
                m_pause.end();
        }
        if (record(entry.first, patient, events))
            emit logChanged(entry.first);
    }
    updateSound();
}

bool AlarmMonitor::record(int patientId, Patient &patient, const QVector<AlarmEvent> &events)
{
    for (const AlarmEvent &event : events) {
        const AlarmConditionRow &row = alarmConditionRow(event.condition);
        AlarmLogEntry entry;
        entry.timeOffset = std::round(double(event.time - patient.startTime) / 100.0) / 10.0;
        entry.kind = event.kind;
        entry.condition = QLatin1String(row.name);
        entry.priority = alarmPriorityName(row.priority);
        entry.text = event.text;
        patient.session->alarmLog.append(entry);
        emit alarmLogged(patientId, entry);
    }
    return !events.isEmpty();
}

void AlarmMonitor::acknowledge(int patientId)
{
    const auto found = m_patients.find(patientId);
    if (found == m_patients.end())
        return;
    if (record(patientId, found->second, found->second.engine.acknowledge(m_clock())))
        emit logChanged(patientId);
    updateSound();
}

void AlarmMonitor::pauseAudio()
{
    m_pause.start(m_clock(), qint64(m_settings.audioPauseMinutes) * 60000);
    updateSound();
}

void AlarmMonitor::endAudioPause()
{
    m_pause.end();
    updateSound();
}

qint64 AlarmMonitor::audioPauseRemainingMs() const
{
    return m_pause.remainingMs(m_clock());
}

void AlarmMonitor::updateSound()
{
    AlarmPriority highest = AlarmPriority::None;
    for (const auto &entry : m_patients)
        highest = std::max(highest, entry.second.engine.soundingPriority());
    const AlarmPriority sound =
        stationSoundPriority(highest, m_pause.isActive(m_clock()), m_settings.lowPrioritySound);
    if (sound != m_sound) {
        m_sound = sound;
        emit soundChanged(sound);
    }
}

QVector<AlarmMonitor::ShownAlarm> AlarmMonitor::shownAlarms() const
{
    QVector<ShownAlarm> shown;
    for (const auto &entry : m_patients) {
        ShownAlarm alarm;
        if (!entry.second.engine.shownAlarm(alarm.condition))
            continue;
        alarm.patientId = entry.first;
        alarm.priority = alarmConditionRow(alarm.condition).priority;
        alarm.sounding = entry.second.engine.tracker(alarm.condition).isSounding();
        shown.append(alarm);
    }
    std::stable_sort(shown.begin(), shown.end(),
                     [](const ShownAlarm &a, const ShownAlarm &b) { return a.priority > b.priority; });
    return shown;
}

const AlarmEngine *AlarmMonitor::engine(int patientId) const
{
    const auto found = m_patients.find(patientId);
    return found == m_patients.end() ? nullptr : &found->second.engine;
}
