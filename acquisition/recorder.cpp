#include "acquisition/recorder.h"

#include "acquisition/isource.h"
#include "dsp/tbeatdetector.h"
#include "storage/monitorsession.h"
#include "storage/tfilesignal.h"

#include <vector>

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
    source->start();
    detectors[source] = std::make_unique<TBeatDetector>();
}

void Recorder::removeSource(ISource *source)
{
    if (sessions.erase(source) == 0)
        return;
    source->stop();
    detectors.erase(source);
}

void Recorder::stopAll()
{
    for (const auto &[source, session] : sessions) {
        source->stop();
        session->addEvent(tr("Stop monitoring"));
    }
    detectors.clear();
    sessions.clear();
    pollTimer.stop();
    trendTimer.stop();
}

void Recorder::pollSources()
{
    std::vector<MonitorSession *> failed;
    for (const auto &[source, session] : sessions) {
        const int n = source->readSamples(buffer.data(), MaxSamplesPerPoll);
        if (n <= 0)
            continue;
        if (TFileSignal *recording = session->recording()) {
            const bool failedBefore = recording->hasWriteFailed();
            recording->appendInterleaved(buffer.data(), 2 * n);
            if (!failedBefore && recording->hasWriteFailed())
                failed.push_back(session);
        }
        TBeatDetector &detector = *detectors[source];
        int beatCount = 0;
        for (int i = 0; i < n; ++i) {
            const int beat = detector.feedStationSample(buffer[size_t(i)]);
            if (beat >= 0 && beatCount < MaxBeatsPerPoll)
                beats[size_t(beatCount++)] = beat;
        }
        emit samplesPolled(session, PolledSamples{buffer.data(), n, beats.data(), beatCount});
    }
    // Told after the loop: a receiver may stop a source.
    for (MonitorSession *session : failed)
        emit recordingFailed(session);
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
        const char *error = source->errorString();
        if (error && *error) {
            // A failing source is started again; this second gets no entries.
            source->stop();
            source->start();
            continue;
        }
        session->hrTrend.append(detectors[source]->heartRate());
        session->spo2Trend.append(lastSpo2(*source));
        session->tempTrend.append(lastTemperature(*source));
    }
    for (MonitorSession *session : resumed)
        emit recordingResumed(session);
}
