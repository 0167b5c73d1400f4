#include "dsp/recordingst.h"

#include "dsp/tsignal.h"

#include <algorithm>

namespace {

constexpr int ChunkLength = 8192;
// A stored reference time this much later than the recording's own first
// reference is a re-take (the stored time is rounded to a tenth).
constexpr double RetakeMarginS = 1.0;
constexpr double StoredTimeRoundingS = 0.05;

} // namespace

TStRecordingAnalysis::TStRecordingAnalysis(const StLiveSettings &live, bool keepBeats)
    : m_analyser(live.pointMs), m_keepBeats(keepBeats), m_retakeAtS(live.referenceTimeS)
{
    m_result.pointMs = m_analyser.pointMs();
}

void TStRecordingAnalysis::addSample(int sample)
{
    ++m_result.sampleCount;
    m_analyser.addSample(sample);
    bool decided = m_classifier.addSample(sample);
    const int beat = m_detector.feedStationSample(sample);
    if (beat >= 0)
        decided = m_classifier.addBeat(beat);
    if (decided)
        takeDecisions();
}

void TStRecordingAnalysis::takeDecisions()
{
    TBeatDecision decision;
    TStBeat beat;
    while (m_classifier.takeDecision(decision)) {
        if (!m_analyser.addDecision(decision, beat))
            continue;
        if (m_keepBeats)
            m_result.beats.push_back(beat);
        const double t = double(beat.r) / StMeasure::Rate;
        m_trend.addBeat(t, beat.stUv, beat.qrsUv, beat.qrsMs);
        if (!m_trend.hasReference())
            continue;
        if (!m_referenceTaken) {
            m_referenceTaken = true;
            m_result.referenceBeat = m_analyser.medianBeat();
        }
        // The nurse re-took the reference live at this beat: it is taken
        // again over the same minute of beats, and later changes are
        // measured from it, as the station showed them.
        if (m_retakeAtS > m_trend.referenceTimeS() + RetakeMarginS && t >= m_retakeAtS - StoredTimeRoundingS) {
            if (m_trend.setReference())
                m_result.referenceBeat = m_analyser.medianBeat();
        }
        // The largest changes, with the median beat that shows them, once
        // the level rests on a few seconds of beats.
        const double change = m_trend.changeUv();
        StExtreme &side = change < 0.0 ? m_result.depression : m_result.elevation;
        if (!side.found || std::abs(change) > std::abs(side.changeUv)) {
            side.found = true;
            side.timeS = t;
            side.changeUv = change;
            side.levelUv = m_trend.levelUv();
            side.heartRate = m_detector.heartRate();
            side.beat = m_analyser.medianBeat();
        }
    }
}

RecordingSt TStRecordingAnalysis::finish()
{
    m_classifier.finish();
    takeDecisions();
    const double end = double(m_result.sampleCount) / StMeasure::Rate;
    m_trend.advance(end);
    m_trend.finish(end);
    m_result.trend = m_trend.trend();
    m_result.episodes = m_trend.episodes();
    m_result.hasReference = m_trend.hasReference();
    m_result.referenceUv = m_trend.referenceUv();
    m_result.referenceTimeS = m_trend.referenceTimeS();
    return m_result;
}

RecordingSt analyseRecordingSt(TSignal &signal, int channel, const StLiveSettings &live, const std::atomic<bool> *cancelled)
{
    TStRecordingAnalysis analysis(live, false);
    std::vector<double> chunk(ChunkLength);
    const int total = signal.sampleCount();
    for (int start = 0; start < total; start += ChunkLength) {
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            break;
        const int n = std::min(ChunkLength, total - start);
        signal.readRange(channel, start, n, chunk.data());
        for (int i = 0; i < n; ++i)
            analysis.addSample(int(chunk[size_t(i)]));
    }
    return analysis.finish();
}
