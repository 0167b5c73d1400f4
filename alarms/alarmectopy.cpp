#include "alarms/alarmectopy.h"

#include <algorithm>

void EctopyCounter::addVentricular(const VentricularBeat &beat)
{
    m_minute.push_back(beat);
    if (m_runBeats > 0 && (beat.sample - m_runLast.sample) * 1000 / SampleRate >= RunPauseMs)
        endRun();
    if (m_runBeats == 0)
        m_runFirst = beat;
    m_runLast = beat;
    ++m_runBeats;
    // The run's mean rate, from its first beat to its last.
    const qint64 span = m_runLast.sample - m_runFirst.sample;
    const int rate = span > 0 ? int(qint64(m_runBeats - 1) * 60 * SampleRate / span) : 0;
    if (m_runBeats >= RunMinimumBeats && rate > TachycardiaRate) {
        m_tachyBeats = m_runBeats;
        m_tachyRate = rate;
        m_tachyLast = beat.time;
    }
}

void EctopyCounter::addOther()
{
    endRun();
}

void EctopyCounter::endRun()
{
    if (m_runBeats == 2) {
        m_coupletSeen = true;
        m_coupletLast = m_runLast.time;
    }
    m_runBeats = 0;
}

void EctopyCounter::forget(qint64 now)
{
    while (!m_minute.empty() && m_minute.front().time <= now - MinuteMs)
        m_minute.pop_front();
}

std::deque<VentricularBeat>::const_iterator EctopyCounter::firstAfter(qint64 time) const
{
    return std::partition_point(m_minute.begin(), m_minute.end(),
                                [time](const VentricularBeat &b) { return b.time <= time; });
}

int EctopyCounter::pvcPerMinute(qint64 now) const
{
    return int(m_minute.end() - firstAfter(now - MinuteMs));
}

int EctopyCounter::recentCount(qint64 now) const
{
    return int(m_minute.end() - firstAfter(now - RecentMs));
}

QVector<qint64> EctopyCounter::recentVentricularBeats(qint64 now) const
{
    QVector<qint64> recent;
    for (auto it = firstAfter(now - RecentMs); it != m_minute.end(); ++it)
        recent.append(it->sample);
    return recent;
}

EctopyFigures EctopyCounter::figures(qint64 now) const
{
    EctopyFigures figures;
    figures.pvcPerMinute = pvcPerMinute(now);
    if (m_tachyBeats > 0 && now - m_tachyLast < HoldMs) {
        figures.runBeats = m_tachyBeats;
        figures.runRate = m_tachyRate;
    }
    // A pair is known to be one, and not the start of a run, once a beat of
    // another label follows, or no beat does for a while.
    const bool pairEnded = m_runBeats == 2 && now - m_runLast.time >= RunPauseMs;
    figures.couplet = (m_coupletSeen && now - m_coupletLast < HoldMs) || (pairEnded && now - m_runLast.time < HoldMs);
    return figures;
}

AlarmEctopy::AlarmEctopy() : m_classifier(std::make_unique<TBeatClassifier>()) {}

void AlarmEctopy::restart(qint64 recordingOffset)
{
    m_counter.endRun();
    m_classifier = std::make_unique<TBeatClassifier>();
    m_offset = recordingOffset;
    m_fed = 0;
}

void AlarmEctopy::addSamples(const short *samples, int count, const int *beats, const int *positions, int beatCount,
                             qint64 now, QVector<VentricularBeat> *decided)
{
    if (count <= 0)
        return;
    const qint64 fedAtNow = m_fed + count;
    // Each beat is given to the classifier right after the sample whose feed
    // confirmed it, as the detector reported it: a beat is then decided with
    // the same knowledge of the next one however the samples were polled.
    int from = 0;
    for (int b = 0; b <= beatCount; ++b) {
        // Without positions, the beats come after the poll's samples.
        const int to = b < beatCount && positions ? std::clamp(positions[b] + 1, from, count) : count;
        bool ready = false;
        for (int i = from; i < to; ++i)
            ready = m_classifier->addSample(samples[i]) || ready;
        from = to;
        if (b < beatCount)
            ready = m_classifier->addBeat(beats[b]) || ready;
        if (ready)
            takeDecisions(fedAtNow, now, decided);
    }
    m_fed = fedAtNow;
    m_lastPoll = now;
    m_counter.forget(now);
}

void AlarmEctopy::finish(QVector<VentricularBeat> *decided)
{
    m_classifier->finish();
    // The waiting beats are placed in time as of the last poll.
    takeDecisions(m_fed, m_lastPoll, decided);
    m_counter.endRun();
}

void AlarmEctopy::takeDecisions(qint64 fedAtNow, qint64 now, QVector<VentricularBeat> *decided)
{
    TBeatDecision decision;
    while (m_classifier->takeDecision(decision)) {
        if (decision.label != BeatLabel::Ventricular) {
            m_counter.addOther();
            continue;
        }
        VentricularBeat beat;
        beat.sample = m_offset + decision.centre;
        const qint64 age = fedAtNow - 1 - decision.centre;
        beat.time = std::max(m_counter.lastTime(), now - age * 1000 / EctopyCounter::SampleRate);
        m_counter.addVentricular(beat);
        if (decided)
            decided->append(beat);
    }
}
