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
    if (ended.isCouplet()) {
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
    // A pair is known to be one, and not the start of a run, once a beat of
    // another label follows, or no beat does for a while.
    const bool pairEnded = m_sequences.current().isCouplet() && now - m_runLast.time >= RunPauseMs;
    figures.couplet = (m_coupletSeen && now - m_coupletLast < HoldMs) || (pairEnded && now - m_runLast.time < HoldMs);
    return figures;
}

AlarmEctopy::AlarmEctopy()
    : m_classifier(std::make_unique<TBeatClassifier>()), m_rhythm(std::make_unique<TRhythmAnalyser>())
{
}

void AlarmEctopy::restart(qint64 recordingOffset)
{
    releaseHeld(false, nullptr);
    m_runBeats = 0;
    m_counter.endRun();
    m_classifier = std::make_unique<TBeatClassifier>();
    m_st.restart();
    closeRhythm();
    m_offset = recordingOffset;
    m_fed = 0;
}

void AlarmEctopy::addSamples(const short *samples, int count, const int *beats, const int *positions, int beatCount,
                             qint64 now, QVector<VentricularBeat> *decided, const EcgQuality *quality)
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
        for (int i = from; i < to; ++i) {
            m_st.addSample(samples[i]);
            ready = m_classifier->addSample(samples[i]) || ready;
            m_rhythm->addSample(samples[i]);
        }
        from = to;
        if (b < beatCount)
            ready = m_classifier->addBeat(beats[b]) || ready;
        if (ready)
            takeDecisions(fedAtNow, now, decided, quality);
    }
    m_fed = fedAtNow;
    m_lastPoll = now;
    m_st.advance(double(m_offset + m_fed) / EctopyCounter::SampleRate);
    m_counter.forget(now);
}

void AlarmEctopy::finish(QVector<VentricularBeat> *decided)
{
    m_classifier->finish();
    // The waiting beats are placed in time as of the last poll.
    takeDecisions(m_fed, m_lastPoll, decided);
    releaseHeld(false, decided);
    m_runBeats = 0;
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

void AlarmEctopy::takeDecisions(qint64 fedAtNow, qint64 now, QVector<VentricularBeat> *decided,
                                const EcgQuality *quality)
{
    TBeatDecision decision;
    while (m_classifier->takeDecision(decision)) {
        m_st.addDecision(decision, m_offset);
        m_rhythm->addBeat(decision.centre, decision.label);
        if (decision.label != BeatLabel::Ventricular) {
            m_runBeats = 0;
            releaseHeld(false, decided);
            m_counter.addOther();
            continue;
        }
        VentricularBeat beat;
        beat.sample = m_offset + decision.centre;
        const qint64 age = fedAtNow - 1 - decision.centre;
        beat.time = now - age * 1000 / EctopyCounter::SampleRate;
        const bool trusted = !quality || quality->analysableAt(decision.centre);
        // A ventricular beat in a stretch judged noisy still counts when it
        // belongs to a run of wide, clean beats at a ventricular rate: the
        // beats of a real tachycardia are wide and slow-sloped, which the
        // noise judgement alone cannot tell from motion noise.
        const bool inRun = m_runBeats > 0 && decision.previousRr > 0
                           && decision.previousRr <= RunLongestInterval;
        const bool runShaped = runLikeBeat(decision);
        if (!trusted && !runShaped) {
            m_runBeats = 0;
            releaseHeld(false, decided);
            m_counter.addOther();
            continue;
        }
        if (!inRun)
            releaseHeld(false, decided);
        m_runBeats = inRun ? m_runBeats + 1 : 1;
        if (m_runBeats < RunToTrust && (!trusted || !m_held.isEmpty())) {
            // Held back, in order, until the run proves itself or ends.
            m_held.append({beat, trusted});
            continue;
        }
        releaseHeld(m_runBeats >= RunToTrust, decided);
        countVentricular(beat, decided);
    }
}

bool AlarmEctopy::runLikeBeat(const TBeatDecision &decision)
{
    return decision.evidence.widthRatio >= RunWidthRatio && decision.evidence.noise <= RunNoise
           && decision.evidence.baselineShift <= RunBaselineShift;
}

void AlarmEctopy::countVentricular(VentricularBeat beat, QVector<VentricularBeat> *decided)
{
    beat.time = std::max(m_counter.lastTime(), beat.time);
    m_counter.addVentricular(beat);
    if (decided)
        decided->append(beat);
}

void AlarmEctopy::releaseHeld(bool asVentricular, QVector<VentricularBeat> *decided)
{
    for (const HeldBeat &held : std::as_const(m_held)) {
        if (asVentricular || held.trusted)
            countVentricular(held.beat, decided);
        else
            m_counter.addOther();
    }
    m_held.clear();
}
