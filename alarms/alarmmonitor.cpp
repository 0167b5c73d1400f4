#include "alarms/alarmmonitor.h"

#include "acquisition/isource.h"
#include "acquisition/recorder.h"
#include "storage/monitorsession.h"
#include "storage/tfilesignal.h"

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
        found = m_patients.emplace(patientId, Patient()).first;
        found->second.engine = AlarmEngine(m_settings);
        found->second.startTime = now;
        // A session that already holds an ST trend goes on at its own
        // measurement point; a new one takes the configured point.
        const StSessionData &stored = session->stTrend;
        found->second.ectopy.st().setPointMs(stored.analysed && !stored.trend.isEmpty() ? stored.pointMs
                                                                                      : m_settings.stPointMs);
    }
    Patient &patient = found->second;
    patient.session = session;
    patient.source = source;
    patient.linkWatched = linkWatched;
    patient.engine.restart(now);
    patient.engine.setStopped(false, now);
    // The detector starts counting at the next sample the recording takes.
    const TFileSignal *recording = session->recording();
    patient.ectopy.restart(recording ? recording->frameCount() : 0);
    session->rhythmAnalysed = true;
    if (takeRhythm(*session, patient.ectopy))
        emit rhythmChanged(patientId);
}

void AlarmMonitor::stopPatient(int patientId)
{
    const auto found = m_patients.find(patientId);
    if (found == m_patients.end() || found->second.engine.isStopped())
        return;
    Patient &patient = found->second;
    patient.source = nullptr;
    // The beats still waiting for their labels reach the trend.
    QVector<VentricularBeat> decided;
    patient.ectopy.finish(&decided);
    countPvcs(*patient.session, decided);
    if (takeRhythm(*patient.session, patient.ectopy))
        emit rhythmChanged(patientId);
    record(patientId, patient, patient.engine.setStopped(true, m_clock()));
    updateSound();
    patient.toldPvc = -1;
    emit ectopyChanged(patientId);
    patient.ectopy.st().store(patient.session->stTrend);
    patient.toldSt.clear();
    emit stChanged(patientId);
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
            const qint64 now = m_clock();
            // After a gap in the recording the beats are counted afresh from
            // where these samples sit in it; a run does not go on across it.
            QVector<VentricularBeat> decided;
            if (polled.gapBefore > 0)
                patient.ectopy.restartAfterGap(polled.firstSample, &decided);
            patient.engine.addSamples(polled.samples, polled.count, polled.beats, polled.beatCount, now);
            patient.ectopy.addSamples(polled.samples, polled.count, polled.beats, polled.beatPositions,
                                      polled.beatCount, now, &decided);
            countPvcs(*session, decided);
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
            patient.engine.setBadFrames(patient.source->badFrameCount(), now);
        }
        patient.engine.setHeartRate(patient.session->lastHeartRate());
        patient.engine.setEctopy(patient.ectopy.counter().figures(now));
        AlarmSt &st = patient.ectopy.st();
        st.setAlarm(m_settings.stLimit * 10.0, m_settings.stDelay);
        const StFigures stNow = st.figures();
        patient.engine.setSt(stNow.deviating, stNow.changeUv);
        st.store(patient.session->stTrend);
        patient.engine.setAtrialFibrillation(patient.ectopy.rhythm() == RhythmLabel::AtrialFibrillation);
        countPvcs(*patient.session, {});
        const bool rhythmChanged = takeRhythm(*patient.session, patient.ectopy);
        const QVector<AlarmEvent> events = patient.engine.update(now);
        for (const AlarmEvent &event : events) {
            // A new high-priority condition must be heard at once.
            if (event.kind == AlarmLogEntry::Onset && alarmConditionRow(event.condition).priority == AlarmPriority::High)
                m_pause.end();
        }
        record(entry.first, patient, events);
        tellEctopy(entry.first, patient, now);
        tellSt(entry.first, patient);
        if (rhythmChanged)
            emit this->rhythmChanged(entry.first);
    }
    updateSound();
}

void AlarmMonitor::countPvcs(MonitorSession &session, const QVector<VentricularBeat> &beats)
{
    QVector<int> &trend = session.pvcTrend;
    for (const VentricularBeat &beat : beats) {
        // Entry n counts the beats of second n of the recording.
        const qint64 second = beat.sample / EctopyCounter::SampleRate;
        if (second >= trend.size())
            trend.resize(int(second + 1));
        ++trend[int(second)];
    }
    if (trend.size() < session.hrTrend.size())
        trend.resize(session.hrTrend.size());
}

bool AlarmMonitor::takeRhythm(MonitorSession &session, AlarmEctopy &ectopy)
{
    bool any = false;
    RhythmEpisode episode;
    while (ectopy.takeRhythmEpisode(episode)) {
        any = true;
        QVector<RhythmEpisode> &list = session.rhythmEpisodes;
        if (!list.isEmpty() && list.last().label == episode.label && list.last().end == episode.start)
            list.last().end = episode.end;
        else
            list.append(episode);
    }
    return any;
}

void AlarmMonitor::tellEctopy(int patientId, Patient &patient, qint64 now)
{
    const int pvc = patient.ectopy.counter().pvcPerMinute(now);
    const int recent = patient.ectopy.counter().recentCount(now);
    const qint64 newest = patient.ectopy.counter().newestSample();
    if (pvc == patient.toldPvc && recent == patient.toldRecent && newest == patient.toldNewest)
        return;
    patient.toldPvc = pvc;
    patient.toldRecent = recent;
    patient.toldNewest = newest;
    emit ectopyChanged(patientId);
}

void AlarmMonitor::record(int patientId, Patient &patient, const QVector<AlarmEvent> &events)
{
    if (events.isEmpty())
        return;
    QVector<AlarmLogEntry> entries;
    for (const AlarmEvent &event : events) {
        const AlarmConditionRow &row = alarmConditionRow(event.condition);
        AlarmLogEntry entry;
        entry.timeOffset = std::round(double(event.time - patient.startTime) / 100.0) / 10.0;
        entry.kind = event.kind;
        entry.condition = QLatin1String(row.name);
        entry.priority = alarmPriorityName(row.priority);
        entry.text = event.text;
        patient.session->alarmLog.append(entry);
        entries.append(entry);
    }
    // Saved first, then told entry by entry: nothing is printed or shown
    // that a killed process has not already written.
    emit logChanged(patientId);
    for (const AlarmLogEntry &entry : qAsConst(entries))
        emit alarmLogged(patientId, entry);
}

void AlarmMonitor::acknowledge(int patientId)
{
    const auto found = m_patients.find(patientId);
    if (found == m_patients.end())
        return;
    record(patientId, found->second, found->second.engine.acknowledge(m_clock()));
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

int AlarmMonitor::pvcPerMinute(int patientId) const
{
    const auto found = m_patients.find(patientId);
    if (found == m_patients.end() || found->second.engine.isStopped())
        return -1;
    return found->second.ectopy.counter().pvcPerMinute(m_clock());
}

bool AlarmMonitor::ecgTooNoisy(int patientId) const
{
    const auto found = m_patients.find(patientId);
    if (found == m_patients.end() || found->second.engine.isStopped())
        return false;
    return !found->second.engine.inputs(m_clock()).analysable;
}

QVector<qint64> AlarmMonitor::recentVentricularBeats(int patientId) const
{
    const auto found = m_patients.find(patientId);
    if (found == m_patients.end() || found->second.engine.isStopped())
        return {};
    return found->second.ectopy.counter().recentVentricularBeats(m_clock());
}

RhythmLabel AlarmMonitor::rhythm(int patientId) const
{
    const auto found = m_patients.find(patientId);
    if (found == m_patients.end() || found->second.engine.isStopped())
        return RhythmLabel::Unanalysable;
    return found->second.ectopy.rhythm();
}

const AlarmEngine *AlarmMonitor::engine(int patientId) const
{
    const auto found = m_patients.find(patientId);
    return found == m_patients.end() ? nullptr : &found->second.engine;
}

const EctopyCounter *AlarmMonitor::ectopyCounter(int patientId) const
{
    const auto found = m_patients.find(patientId);
    return found == m_patients.end() ? nullptr : &found->second.ectopy.counter();
}

StFigures AlarmMonitor::shownSt(const Patient &patient) const
{
    // A level measured before the trace turned to noise (or to a
    // fibrillating wave) is not the patient's level now: it is shown as not
    // measured, as the heart rate is.
    StFigures f = patient.ectopy.st().figures();
    if (!patient.engine.inputs(m_clock()).analysable)
        f.measured = false;
    return f;
}

void AlarmMonitor::tellSt(int patientId, Patient &patient)
{
    const StFigures f = shownSt(patient);
    const QString shown = f.measured ? QString::asprintf("%.0f %d %.0f", f.levelUv / 10.0, f.hasReference, f.changeUv / 10.0)
                                     : QStringLiteral("-");
    if (shown == patient.toldSt)
        return;
    patient.toldSt = shown;
    emit stChanged(patientId);
}

StFigures AlarmMonitor::stFigures(int patientId) const
{
    const auto found = m_patients.find(patientId);
    if (found == m_patients.end() || found->second.engine.isStopped())
        return StFigures();
    return shownSt(found->second);
}

bool AlarmMonitor::setStReference(int patientId)
{
    const auto found = m_patients.find(patientId);
    if (found == m_patients.end() || found->second.engine.isStopped())
        return false;
    Patient &patient = found->second;
    if (!patient.ectopy.st().setReference())
        return false;
    patient.ectopy.st().store(patient.session->stTrend);
    tellSt(patientId, patient);
    return true;
}
