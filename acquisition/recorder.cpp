#include "acquisition/recorder.h"

#include "acquisition/isource.h"
#include "dsp/ectopystream.h"
#include "dsp/tbeatdetector.h"
#include "storage/monitorsession.h"
#include "storage/tfilesignal.h"

#include <algorithm>
#include <array>
#include <vector>

// Review bridges the gaps of a recording as the live detector was fed them.
static_assert(Recorder::BridgedGap == EctopyStream::BridgedGap, "the same gaps are bridged live and in review");

Recorder::Recorder(QObject *parent)
    : QObject(parent)
{
    pollTimer.setInterval(PollInterval);
    trendTimer.setInterval(TrendInterval);
    connect(&pollTimer, &QTimer::timeout, this, &Recorder::pollSources);
    connect(&trendTimer, &QTimer::timeout, this, &Recorder::updateTrends);
}

Recorder::~Recorder() = default;

void Recorder::start()
{
    pollTimer.start();
    trendTimer.start();
}

void Recorder::addSource(ISource *source, MonitorSession *session)
{
    sessions[source] = session;
    timelines[source] = Timeline();
    source->start();
    detectors[source] = std::make_unique<TBeatDetector>();
}

void Recorder::removeSource(ISource *source)
{
    const auto found = sessions.find(source);
    if (found == sessions.end())
        return;
    source->stop();
    // What arrived before the stop belongs to the session.
    std::vector<MonitorSession *> failed;
    pollSource(source, found->second, failed);
    recordSilenceUntilNow(found->second);
    sessions.erase(found);
    timelines.erase(source);
    detectors.erase(source);
    for (MonitorSession *session : failed)
        emit recordingFailed(session);
}

void Recorder::stopAll()
{
    std::vector<MonitorSession *> failed;
    for (const auto &[source, session] : sessions) {
        source->stop();
        pollSource(source, session, failed);
        recordSilenceUntilNow(session);
        session->addEvent(tr("Stop monitoring"));
    }
    detectors.clear();
    sessions.clear();
    timelines.clear();
    pollTimer.stop();
    trendTimer.stop();
    for (MonitorSession *session : failed)
        emit recordingFailed(session);
}

void Recorder::pollSources()
{
    std::vector<MonitorSession *> failed;
    for (const auto &[source, session] : sessions)
        pollSource(source, session, failed);
    // Told after the loop: a receiver may stop a source.
    for (MonitorSession *session : failed)
        emit recordingFailed(session);
}

void Recorder::pollSource(ISource *source, MonitorSession *session, std::vector<MonitorSession *> &failed)
{
    TFileSignal *recording = session->recording();
    const bool failedBefore = recording && recording->hasWriteFailed();
    // A read stops at each loss the source marked; a few rounds take what
    // arrived in one poll, up to MaxSamplesPerPoll in all.
    int taken = 0;
    for (int round = 0; round < 4 && taken < MaxSamplesPerPoll; ++round) {
        qint64 gap = source->takeLostSamples();
        const int n = source->readSamples(buffer.data(), MaxSamplesPerPoll - taken);
        if (n <= 0 && gap <= 0)
            break;
        taken += std::max(n, 0);
        Timeline &timeline = timelines[source];
        if (n > 0 && recording && recording->rate() > 0 && session->hasClock()) {
            // Where the session's clock puts the newest queued sample, against
            // where the recording would put it.
            const qint64 due = session->elapsedMs() * recording->rate() / 1000;
            const qint64 reached = recording->frameCount() + gap + n + std::max(0, source->availableSamples());
            const qint64 behind = due - reached;
            if (behind > (timeline.starting ? StartSlack : DropoutSlack))
                gap += behind;
            timeline.starting = false;
        }
        if (gap > 0)
            recordGap(source, session, gap);
        if (n > 0) {
            const qint64 first = recording ? recording->frameCount() : 0;
            if (recording)
                recording->appendInterleaved(buffer.data(), 2 * n);
            feed(source, session, buffer.data(), n, first, gap > BridgedGap ? gap : 0);
        }
    }
    if (recording && !failedBefore && recording->hasWriteFailed())
        failed.push_back(session);
}

void Recorder::recordSilenceUntilNow(MonitorSession *session)
{
    // A link that did not come back leaves the rest of the session as a gap:
    // the recording lasts as long as the session.
    TFileSignal *recording = session->recording();
    if (!recording || recording->rate() <= 0 || !session->hasClock())
        return;
    const qint64 behind = session->elapsedMs() * recording->rate() / 1000 - recording->frameCount();
    if (behind > StartSlack)
        recording->appendGap(behind);
}

void Recorder::recordGap(ISource *source, MonitorSession *session, qint64 length)
{
    TFileSignal *recording = session->recording();
    const qint64 first = recording ? recording->frameCount() : 0;
    if (recording)
        recording->appendGap(length);
    if (length > BridgedGap)
        return;
    // A short gap is bridged with the last sample, so that the detector and
    // the alarms keep counting samples as the recording does.
    std::array<short, BridgedGap> held;
    held.fill(timelines[source].last);
    feed(source, session, held.data(), int(length), first, 0);
}

void Recorder::feed(ISource *source, MonitorSession *session, const short *samples, int n, qint64 first,
                    qint64 gapBefore)
{
    TBeatDetector &detector = *detectors[source];
    int beatCount = 0;
    for (int i = 0; i < n; ++i) {
        const int beat = detector.feedStationSample(samples[i]);
        if (beat >= 0 && beatCount < MaxBeatsPerPoll) {
            beatPositions[size_t(beatCount)] = i;
            beats[size_t(beatCount++)] = beat;
        }
    }
    timelines[source].last = samples[n - 1];
    emit samplesPolled(session, PolledSamples{samples, n, beats.data(), beatCount, beatPositions.data(), first,
                                              gapBefore});
}

int Recorder::lastSpo2(ISource &source)
{
    int last = 0;
    for (int value; (value = source.readSpo2()) >= 0;)
        last = value;
    return last;
}

double Recorder::lastTemperature(ISource &source)
{
    double last = 0.0;
    for (double value; (value = source.readTemperature()) >= 0.0;)
        last = value;
    return last;
}

void Recorder::updateTrends()
{
    std::vector<MonitorSession *> resumed;
    for (const auto &[source, session] : sessions) {
        TFileSignal *recording = session->recording();
        if (recording && recording->hasWriteFailed() && recording->retryWrite())
            resumed.push_back(session);
        if (recording)
            recording->listGaps();
        // Seconds that passed without a tick (the event loop held up) get
        // no reading, so that entry n stays second n.
        const qint64 missed = session->hasClock() ? session->elapsedSeconds() - session->hrTrend.size() : 0;
        for (qint64 k = 0; k < missed; ++k) {
            session->hrTrend.append(0);
            session->spo2Trend.append(0);
            session->tempTrend.append(0.0);
        }
        const char *error = source->errorString();
        if (error && *error) {
            // A failing source is started again; this second has no reading,
            // and its next samples start after a gap.
            source->stop();
            source->start();
            timelines[source].starting = true;
            session->hrTrend.append(0);
            session->spo2Trend.append(0);
            session->tempTrend.append(0.0);
            continue;
        }
        session->hrTrend.append(detectors[source]->heartRate());
        session->spo2Trend.append(lastSpo2(*source));
        session->tempTrend.append(lastTemperature(*source));
    }
    for (MonitorSession *session : resumed)
        emit recordingResumed(session);
}
