#include "alarms/alarmectopy.h"

#include "dsp/ecgquality.h"

#include <algorithm>

void EctopyCounter::addVentricular(const VentricularBeat &beat)
{
    m_minute.push_back(beat);
    VentricularSequence ended;
    if (m_sequences.addVentricular(beat.sample, &ended))
        noteEnded(ended);
    m_runLast = beat;
    const VentricularSequence &run = m_sequences.current();
    if (run.isTachycardia(SampleRate)) {
        m_tachyBeats = run.beats;
        m_tachyRate = run.rateBpm(SampleRate);
        m_tachyLast = beat.time;
    }
}

void EctopyCounter::addOther()
{
    endRun();
}

void EctopyCounter::endRun()
{
    VentricularSequence ended;
    if (m_sequences.addOther(&ended))
        noteEnded(ended);
}

void EctopyCounter::noteEnded(const VentricularSequence &ended)
{
    // Called before a new beat is noted: the pair's last beat is the last
    // ventricular beat noted.
    m_runs += ended.isRun() ? 1 : 0;
    m_tachycardias += ended.isTachycardia(SampleRate) ? 1 : 0;
    if (ended.isCouplet()) {
        ++m_couplets;
        m_coupletSeen = true;
        m_coupletLast = m_runLast.time;
    }
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
    // A pair is known to be a couplet, and not the start of a run, once the
    // next beat is decided (another label, or a ventricular one after a
    // pause). Waiting for no beat would not do: the next one may still be
    // held back in a noisy stretch, and turn the pair into a run.
    figures.couplet = m_coupletSeen && now - m_coupletLast < HoldMs;
    return figures;
}

AlarmEctopy::AlarmEctopy() : m_rhythm(std::make_unique<TRhythmAnalyser>())
{
}

void AlarmEctopy::restart(qint64 recordingOffset)
{
    m_detectorFed = 0;
    restartAfterGap(recordingOffset);
}

void AlarmEctopy::restartAfterGap(qint64 recordingOffset, QVector<VentricularBeat> *decided)
{
    m_counted.clear();
    m_stream.settle(m_counted);
    count(m_lastPoll, m_offset + m_fed - 1, decided);
    m_counter.endRun();
    m_stream.restart(recordingOffset, m_detectorFed);
    m_st.restart();
    closeRhythm();
    m_offset = recordingOffset;
    m_fed = 0;
}

void AlarmEctopy::addSamples(const short *samples, int count, const int *beats, const int *positions, int beatCount,
                             qint64 now, QVector<VentricularBeat> *decided)
{
    if (count <= 0)
        return;
    // Each beat is given right after the sample whose feed confirmed it, as
    // the detector reported it, and decisions are taken as soon as they are
    // ready: a beat is then decided, and judged against the trace's
    // quality, with the same knowledge however the samples were polled.
    // Without positions, the beats come after the poll's samples.
    int b = 0;
    for (int i = 0; i < count; ++i) {
        m_st.addSample(samples[i]);
        bool ready = m_stream.addSample(samples[i]);
        m_rhythm->addSample(samples[i]);
        for (; b < beatCount && ((positions && positions[b] <= i) || i == count - 1); ++b)
            ready = m_stream.addBeat(beats[b]) || ready;
        // Sample i arrived (count - 1 - i) samples' time before `now`.
        if (ready)
            takeDecisions(now - qint64(count - 1 - i) * 1000 / EctopyCounter::SampleRate, m_offset + m_fed + i, decided);
    }
    m_fed += count;
    m_detectorFed += count;
    m_lastPoll = now;
    m_st.advance(double(m_offset + m_fed) / EctopyCounter::SampleRate);
    m_counter.forget(now);
}

void AlarmEctopy::finish(QVector<VentricularBeat> *decided)
{
    m_stream.finish();
    // The waiting beats are placed in time as of the last poll.
    const qint64 latest = m_offset + m_fed - 1;
    takeDecisions(m_lastPoll, latest, decided);
    m_stream.settle(m_counted);
    count(m_lastPoll, latest, decided);
    m_counter.endRun();
    closeRhythm();
}

void AlarmEctopy::closeRhythm()
{
    // The judgement starts again with the next samples, as the classifier does.
    if (m_rhythm->samples() > 0) {
        m_rhythm->finish(m_rhythm->samples());
        RhythmEpisode episode;
        while (m_rhythm->takeEpisode(episode))
            m_rhythmEpisodes.push_back({m_offset + episode.start, m_offset + episode.end, episode.label});
    }
    m_rhythm = std::make_unique<TRhythmAnalyser>();
}

bool AlarmEctopy::takeRhythmEpisode(RhythmEpisode &episode)
{
    RhythmEpisode closed;
    while (m_rhythm->takeEpisode(closed))
        m_rhythmEpisodes.push_back({m_offset + closed.start, m_offset + closed.end, closed.label});
    if (m_rhythmEpisodes.empty())
        return false;
    episode = m_rhythmEpisodes.front();
    m_rhythmEpisodes.pop_front();
    return true;
}

void AlarmEctopy::takeDecisions(qint64 now, qint64 latest, QVector<VentricularBeat> *decided)
{
    TBeatDecision decision;
    m_counted.clear();
    while (m_stream.takeDecision(decision, m_counted)) {
        m_st.addDecision(decision, m_offset);
        m_rhythm->addBeat(decision.centre, decision.label);
    }
    count(now, latest, decided);
}

void AlarmEctopy::count(qint64 now, qint64 latest, QVector<VentricularBeat> *decided)
{
    // `now` is when recording sample `latest` arrived.
    for (const CountedBeat &counted : m_counted) {
        if (counted.label != BeatLabel::Ventricular) {
            m_counter.addOther();
            continue;
        }
        VentricularBeat beat;
        beat.sample = counted.sample;
        beat.time = std::max(m_counter.lastTime(), now - (latest - counted.sample) * 1000 / EctopyCounter::SampleRate);
        m_counter.addVentricular(beat);
        if (decided)
            decided->append(beat);
    }
    m_counted.clear();
}
