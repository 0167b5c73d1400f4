#include "dsp/recordingectopy.h"

#include "dsp/ectopystream.h"
#include "dsp/tbeatdetector.h"
#include "dsp/tsignal.h"
#include "dsp/ventricularruns.h"

#include <algorithm>

namespace {

constexpr int ChunkLength = 8192;

bool isVentricular(const LabelledBeat &beat)
{
    return beat.label == BeatLabel::Ventricular;
}

} // namespace

std::vector<LabelledBeat> classifyRecording(TSignal &signal, int channel, const RecordingGaps &gaps,
                                            const std::atomic<bool> *cancelled)
{
    std::vector<LabelledBeat> beats;
    TBeatDetector detector;
    EctopyStream stream;
    std::vector<CountedBeat> counted;
    TBeatDecision decision;
    const auto takeCounted = [&] {
        for (const CountedBeat &beat : counted)
            beats.push_back({beat.sample, beat.label});
        counted.clear();
    };
    const auto takeAll = [&] {
        while (stream.takeDecision(decision, counted)) {
        }
        takeCounted();
    };
    qint64 detectorFed = 0;
    const auto feed = [&](int sample) {
        bool ready = stream.addSample(sample);
        const int beat = detector.feedStationSample(sample);
        ++detectorFed;
        if (beat >= 0)
            ready = stream.addBeat(beat) || ready;
        if (ready)
            takeAll();
    };
    int last = 0;
    int nextGap = 0;
    qint64 gapEnd = -1;
    bool bridged = false;
    std::vector<double> chunk(ChunkLength);
    const int total = signal.sampleCount();
    for (int start = 0; start < total; start += ChunkLength) {
        if (cancelled && cancelled->load(std::memory_order_relaxed))
            return beats;
        const int n = std::min(ChunkLength, total - start);
        signal.readRange(channel, start, n, chunk.data());
        for (int i = 0; i < n; ++i) {
            const qint64 k = start + i;
            while (nextGap < gaps.size() && gaps[nextGap].first <= k) {
                const QPair<qint64, qint64> &gap = gaps[nextGap++];
                if (gap.second <= 0 || gap.first + gap.second <= k)
                    continue;
                gapEnd = gap.first + gap.second;
                // Silence up to the end (a stop after a lost link) was never
                // fed: the beats waiting are decided at the end, as live.
                const bool trailing = gapEnd >= total;
                bridged = !trailing && gap.second <= EctopyStream::BridgedGap;
                if (!bridged && !trailing) {
                    // The live monitor feeds nothing of a long gap and starts
                    // the classifier afresh after it.
                    stream.settle(counted);
                    takeCounted();
                    stream.restart(gapEnd, detectorFed);
                }
            }
            if (k < gapEnd) {
                if (bridged)
                    feed(last);
                continue;
            }
            last = int(chunk[size_t(i)]);
            feed(last);
        }
    }
    stream.finish();
    takeAll();
    stream.settle(counted);
    takeCounted();
    return beats;
}

EctopyStatistics ectopyStatistics(const std::vector<LabelledBeat> &beats, int rate, qint64 sampleCount)
{
    EctopyStatistics s;
    const std::vector<qint64> ventricular = ventricularIndices(beats);
    s.pvcTotal = int(ventricular.size());

    // The busiest minute starts at a ventricular beat: count from each one.
    const qint64 minute = qint64(rate) * 60;
    size_t last = 0;
    for (size_t first = 0; first < ventricular.size(); ++first) {
        last = std::max(last, first);
        while (last < ventricular.size() && ventricular[last] < ventricular[first] + minute)
            ++last;
        if (int(last - first) > s.maxPerMinute) {
            s.maxPerMinute = int(last - first);
            s.maxMinuteStart = ventricular[first];
        }
    }

    VentricularSequences sequences(rate);
    const auto take = [&s, rate](const VentricularSequence &sequence) {
        if (sequence.isCouplet())
            ++s.couplets;
        if (!sequence.isRun())
            return;
        VentricularRun run;
        run.start = sequence.first;
        run.end = sequence.last;
        run.beats = sequence.beats;
        run.rateBpm = sequence.rateBpm(rate);
        run.tachycardia = sequence.isTachycardia(rate);
        s.tachycardias += run.tachycardia ? 1 : 0;
        if (s.longestRun < 0 || run.beats > s.runs[size_t(s.longestRun)].beats)
            s.longestRun = int(s.runs.size());
        s.runs.push_back(run);
    };
    VentricularSequence ended;
    for (const LabelledBeat &beat : beats) {
        if (isVentricular(beat) ? sequences.addVentricular(beat.index, &ended) : sequences.addOther(&ended))
            take(ended);
    }
    if (sequences.addOther(&ended))
        take(ended);

    if (rate > 0 && sampleCount > 0)
        s.pvcPerHour = s.pvcTotal * 3600.0 * rate / double(sampleCount);
    return s;
}

RecordingEctopy analyseRecording(TSignal &signal, const RecordingGaps &gaps, const std::atomic<bool> *cancelled)
{
    RecordingEctopy result;
    result.rate = signal.rate();
    result.sampleCount = signal.sampleCount();
    result.beats = classifyRecording(signal, 0, gaps, cancelled);
    result.statistics = ectopyStatistics(result.beats, result.rate, result.sampleCount);
    return result;
}

std::vector<int> ventricularTrend(const std::vector<LabelledBeat> &beats, int rate, qint64 sampleCount)
{
    if (rate <= 0 || sampleCount <= 0)
        return {};
    const std::vector<qint64> ventricular = ventricularIndices(beats);
    const qint64 seconds = sampleCount / rate;
    std::vector<int> trend(size_t(seconds), 0);
    // Beats at most s seconds in (index <= s * rate) and more than s - 60 s in.
    size_t upTo = 0, from = 0;
    for (qint64 s = 0; s < seconds; ++s) {
        while (upTo < ventricular.size() && ventricular[upTo] <= s * rate)
            ++upTo;
        while (from < upTo && ventricular[from] <= (s - 60) * rate)
            ++from;
        trend[size_t(s)] = int(upTo - from);
    }
    return trend;
}

EctopyStatistics countedStatistics(const QVector<int> &perSecond, int rate)
{
    EctopyStatistics s;
    int window = 0;
    for (int second = 0; second < perSecond.size(); ++second) {
        const int count = std::max(0, perSecond[second]);
        s.pvcTotal += count;
        // The minute that starts at this second.
        if (second == 0) {
            for (int k = 0; k < std::min(60, int(perSecond.size())); ++k)
                window += std::max(0, perSecond[k]);
        } else {
            window -= std::max(0, perSecond[second - 1]);
            if (second + 59 < perSecond.size())
                window += std::max(0, perSecond[second + 59]);
        }
        if (count > 0 && window > s.maxPerMinute) {
            s.maxPerMinute = window;
            s.maxMinuteStart = qint64(second) * rate;
        }
    }
    if (!perSecond.isEmpty())
        s.pvcPerHour = s.pvcTotal * 3600.0 / perSecond.size();
    return s;
}

std::vector<int> countedTrend(const QVector<int> &perSecond)
{
    std::vector<int> trend(size_t(perSecond.size()), 0);
    int minute = 0;
    // As ventricularTrend(): the seconds before this one, back to a minute.
    for (int second = 0; second < perSecond.size(); ++second) {
        trend[size_t(second)] = minute;
        minute += std::max(0, perSecond[second]);
        if (second >= 60)
            minute -= std::max(0, perSecond[second - 60]);
    }
    return trend;
}

std::vector<qint64> ventricularIndices(const std::vector<LabelledBeat> &beats)
{
    std::vector<qint64> indices;
    for (const LabelledBeat &beat : beats) {
        if (isVentricular(beat))
            indices.push_back(beat.index);
    }
    return indices;
}
