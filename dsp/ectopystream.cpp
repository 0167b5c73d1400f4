#include "dsp/ectopystream.h"

EctopyStream::EctopyStream() : m_classifier(std::make_unique<TBeatClassifier>())
{
}

void EctopyStream::restart(qint64 recordingOffset, qint64 detectorBase)
{
    m_classifier = std::make_unique<TBeatClassifier>();
    m_quality.reset();
    m_offset = recordingOffset;
    m_base = detectorBase;
    m_held.clear();
    m_runBeats = 0;
}

bool EctopyStream::addBeat(qint64 detectorIndex)
{
    // Beats confirmed after a restart may lie before it: they belong to
    // samples this chain never saw.
    const qint64 index = detectorIndex - m_base;
    if (index < 0)
        return false;
    m_quality.addBeat(index);
    return m_classifier->addBeat(int(index));
}

bool EctopyStream::runLikeBeat(const TBeatDecision &decision)
{
    return decision.evidence.widthRatio >= RunWidthRatio && decision.evidence.noise <= RunNoise
           && decision.evidence.baselineShift <= RunBaselineShift;
}

bool EctopyStream::takeDecision(TBeatDecision &decision, std::vector<CountedBeat> &counted)
{
    if (!m_classifier->takeDecision(decision))
        return false;
    const CountedBeat beat{m_offset + decision.centre, decision.label};
    if (decision.label != BeatLabel::Ventricular) {
        m_runBeats = 0;
        releaseHeld(false, counted);
        counted.push_back(beat);
        return true;
    }
    const bool trusted = m_quality.analysableAt(decision.centre);
    // A ventricular beat in a stretch judged noisy still counts when it
    // belongs to a run of wide, clean beats at a ventricular rate: the beats
    // of a real tachycardia are wide and slow-sloped, which the noise
    // judgement alone cannot tell from motion noise.
    const bool inRun = m_runBeats > 0 && decision.previousRr > 0 && decision.previousRr <= RunLongestInterval;
    if (!trusted && !runLikeBeat(decision)) {
        m_runBeats = 0;
        releaseHeld(false, counted);
        counted.push_back({beat.sample, BeatLabel::Unclassified});
        return true;
    }
    if (!inRun)
        releaseHeld(false, counted);
    m_runBeats = inRun ? m_runBeats + 1 : 1;
    if (m_runBeats < RunToTrust && (!trusted || !m_held.empty())) {
        // Held back, in order, until the run proves itself or ends.
        m_held.push_back({beat, trusted});
        return true;
    }
    releaseHeld(m_runBeats >= RunToTrust, counted);
    counted.push_back(beat);
    return true;
}

void EctopyStream::settle(std::vector<CountedBeat> &counted)
{
    releaseHeld(false, counted);
    m_runBeats = 0;
}

void EctopyStream::releaseHeld(bool asVentricular, std::vector<CountedBeat> &counted)
{
    for (const HeldBeat &held : m_held)
        counted.push_back({held.beat.sample, asVentricular || held.trusted ? BeatLabel::Ventricular
                                                                           : BeatLabel::Unclassified});
    m_held.clear();
}
