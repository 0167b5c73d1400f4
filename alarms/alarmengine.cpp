#include "alarms/alarmengine.h"


#include <algorithm>
#include <cstdlib>

AlarmEngine::AlarmEngine(const AlarmSettings &settings)
    : m_settings(settings)
{
    for (const AlarmConditionRow &row : alarmConditionTable())
        m_trackers[size_t(row.condition)] = AlarmTracker(row.priority == AlarmPriority::High);
}

void AlarmEngine::restart(qint64 now)
{
    m_startedAt = now;
    m_linkSeenUp = false;
    m_beatGate.reset();
    m_quality.reset();
    m_beatsSeen = 0;
    m_amplitudesSeen = 0;
    m_fibrillation.reset();
    m_fed = 0;
    m_deadRun = 0;
    m_lastSampleTime = m_lastBeatTime = m_aliveSince = Never;
    m_wasPresent = false;
    m_traceLost = true;
    m_atRail = false;
    m_heartRate = 0;
    m_badFrames.clear();
}

void AlarmEngine::addSamples(const short *samples, int count, const int *beats, int beatCount, qint64 now)
{
    if (count <= 0)
        return;
    for (int i = 0; i < count; ++i) {
        const int sample = samples[i];
        m_atRail = sample <= RailLow || sample >= RailHigh;
        if (m_atRail || (sample == m_previousSample && m_fed + i > 0))
            ++m_deadRun;
        else
            m_deadRun = 0;
        m_previousSample = sample;
        m_recent[size_t((m_fed + i) % RecentSamples)] = samples[i];
        m_quality.addSample(sample);
        m_fibrillation.addSample(sample);
    }
    m_fed += count;
    m_lastSampleTime = now;
    // The last sample of the block arrived now; a beat `age` samples before
    // it happened that much earlier. Beats too small to be a QRS complex do
    // not end a pause.
    for (int i = 0; i < beatCount; ++i) {
        const qint64 age = m_fed - 1 - beats[i];
        const qint64 time = now - age * 1000 / SampleRate;
        const int amplitude = beatAmplitude(beats[i]);
        if (age >= 0) {
            m_quality.addBeat(beats[i]);
            if (rateBeat(amplitude))
                addRateBeat(beats[i], amplitude);
        }
        if (age >= 0 && (amplitude < 0 || m_beatGate.accept(amplitude, time)))
            m_lastBeatTime = std::max(m_lastBeatTime, time);
    }
}

bool AlarmEngine::rateBeat(int amplitude)
{
    if (amplitude < 0)
        return true;
    const int known = std::min<int>(m_amplitudesSeen, int(m_amplitudes.size()));
    m_amplitudes[size_t(m_amplitudesSeen++ % int(m_amplitudes.size()))] = amplitude;
    if (known < 4)
        return true;
    // Against the third largest of the last eight: half the beats may be
    // false detections without lowering it, and a QRS that slowly grows
    // smaller is followed.
    std::array<int, 8> last = m_amplitudes;
    std::nth_element(last.begin(), last.begin() + (known - 3), last.begin() + known);
    return 5 * amplitude >= 2 * last[size_t(known - 3)];
}

void AlarmEngine::addRateBeat(qint64 index, int amplitude)
{
    // The newest beat split an ordinary interval in two, and was smaller
    // than the beats either side of it: an extra detection (a T wave, a
    // motion artefact), which would double the rate. A heart that really
    // speeds up keeps its QRS amplitude.
    if (m_beatsSeen >= RateIntervals + 3 && amplitude > 0) {
        std::array<qint64, RateIntervals> before{};
        for (int k = 0; k < RateIntervals; ++k)
            before[size_t(k)] = beatIndex(m_beatsSeen - 2 - k) - beatIndex(m_beatsSeen - 3 - k);
        std::nth_element(before.begin(), before.begin() + RateIntervals / 2, before.end());
        const qint64 usual = before[size_t(RateIntervals / 2)];
        const qint64 previous = beatIndex(m_beatsSeen - 1), earlier = beatIndex(m_beatsSeen - 2);
        const int middle = m_rateAmplitudes[size_t((m_beatsSeen - 1) % KeptBeats)];
        const int sides = std::min(amplitude, m_rateAmplitudes[size_t((m_beatsSeen - 2) % KeptBeats)]);
        if (middle >= 0 && 10 * middle < 7 * sides && 4 * (previous - earlier) < 3 * usual
            && 4 * (index - previous) < 3 * usual && 20 * std::abs(index - earlier - usual) <= 3 * usual)
            --m_beatsSeen;
    }
    m_beatIndices[size_t(m_beatsSeen % KeptBeats)] = index;
    m_rateAmplitudes[size_t(m_beatsSeen % KeptBeats)] = amplitude;
    ++m_beatsSeen;
}

int AlarmEngine::medianRate() const
{
    if (m_beatsSeen < RateIntervals + 1)
        return 0;
    std::array<qint64, RateIntervals> intervals{};
    for (int k = 0; k < RateIntervals; ++k) {
        const int newer = m_beatsSeen - 1 - k;
        intervals[size_t(k)] = beatIndex(newer) - beatIndex(newer - 1);
    }
    // A next beat already later than the newest interval makes the rate no
    // higher than that: it takes the place of the oldest interval, so that a
    // slowing heart is followed without waiting for its beats.
    const qint64 open = openInterval();
    if (open > intervals[0])
        intervals[RateIntervals - 1] = open;
    std::nth_element(intervals.begin(), intervals.begin() + RateIntervals / 2, intervals.end());
    const qint64 median = intervals[size_t(RateIntervals / 2)];
    return median > 0 ? int((60 * SampleRate + median / 2) / median) : 0;
}

qint64 AlarmEngine::openInterval() const
{
    if (m_beatsSeen == 0)
        return 0;
    return std::max<qint64>(0, m_fed - 1 - beatIndex(m_beatsSeen - 1) - BeatConfirmationMs * SampleRate / 1000);
}

int AlarmEngine::usualRateAmplitude() const
{
    std::array<int, 9> sizes{};
    const int measured = std::min<int>(m_beatsSeen, int(sizes.size()));
    for (int k = 0; k < measured; ++k)
        sizes[size_t(k)] = m_rateAmplitudes[size_t((m_beatsSeen - 1 - k) % KeptBeats)];
    std::nth_element(sizes.begin(), sizes.begin() + measured / 2, sizes.begin() + measured);
    return sizes[size_t(measured / 2)];
}

qint64 AlarmEngine::msAboveRate(int bpm) const
{
    if (bpm <= 0 || m_beatsSeen < 2)
        return 0;
    // Above the limit: an interval shorter than 60/bpm s.
    const auto beyond = [bpm](qint64 interval) { return interval * bpm < 60 * SampleRate; };
    const int newest = m_beatsSeen - 1;
    // A QRS keeps its size from beat to beat, in a fast or irregular rhythm
    // too; noise taken for beats does not. Beats far from the median size of
    // the last ones count as odd.
    const int usualSize = usualRateAmplitude();
    const auto usual = [this, usualSize](int k) {
        const int size = m_rateAmplitudes[size_t(k % KeptBeats)];
        return size < 0 || usualSize <= 0 || (5 * size >= 3 * usualSize && 5 * size <= 8 * usualSize);
    };
    const qint64 end = beatIndex(newest);
    qint64 start = end;
    int walked = 0;
    int odd = 0;
    for (int k = newest; k > std::max(0, m_beatsSeen - KeptBeats); --k) {
        const qint64 earlier = beatIndex(k - 1);
        ++walked;
        if (!beyond(beatIndex(k) - earlier) || !usual(k)) {
            if (++odd * 3 > walked)
                break;
            continue;
        }
        start = earlier;
    }
    return (end - start) * 1000 / SampleRate;
}

qint64 AlarmEngine::msBelowRate(int bpm) const
{
    if (bpm <= 0 || m_beatsSeen < 2)
        return 0;
    const int usualSize = usualRateAmplitude();
    // A detection far smaller than the usual QRS (a T wave, a twitch) splits
    // a slow interval in two; it is passed over. Larger ones are kept: an
    // ectopic beat is a beat.
    const auto small = [this, usualSize](int k) {
        const int size = m_rateAmplitudes[size_t(k % KeptBeats)];
        return size >= 0 && usualSize > 0 && 5 * size < 3 * usualSize;
    };
    const int oldest = std::max(0, m_beatsSeen - KeptBeats);
    int last = m_beatsSeen - 1;
    while (last > oldest && small(last))
        --last;
    // A next beat already later than the limit's interval is one more slow
    // interval, at least as long as the wait so far.
    const qint64 open = std::max<qint64>(0, m_fed - 1 - beatIndex(last) - BeatConfirmationMs * SampleRate / 1000);
    qint64 end = beatIndex(last);
    int intervals = 0;
    if (open * bpm > 60 * SampleRate) {
        end += open;
        intervals = 1;
    }
    // A slow heart rarely beats evenly: the rate below the limit is the
    // mean of the intervals over the stretch, not each one of them. The
    // longest stretch up to now whose mean rate is below the limit.
    qint64 longest = 0;
    for (int k = last - 1; k >= oldest; --k) {
        if (small(k))
            continue;
        ++intervals;
        const qint64 span = end - beatIndex(k);
        if (span * bpm > qint64(intervals) * 60 * SampleRate)
            longest = span;
    }
    return longest * 1000 / SampleRate;
}

int AlarmEngine::beatAmplitude(qint64 beatIndex) const
{
    const qint64 from = std::max<qint64>(0, beatIndex - QrsHalfWidth);
    const qint64 to = std::min(m_fed - 1, beatIndex + QrsHalfWidth);
    // A beat older than the samples kept cannot be measured (-1): it counts.
    if (from < m_fed - RecentSamples || to < from)
        return -1;
    int low = m_recent[size_t(from % RecentSamples)];
    int high = low;
    for (qint64 k = from + 1; k <= to; ++k) {
        const int v = m_recent[size_t(k % RecentSamples)];
        low = std::min(low, v);
        high = std::max(high, v);
    }
    return high - low;
}

void AlarmEngine::setLink(bool watched, bool up)
{
    m_linkWatched = watched;
    m_linkUp = up;
    m_linkSeenUp = m_linkSeenUp || up;
}

void AlarmEngine::setBatteryVoltage(double volts)
{
    m_batteryLow = isBatteryLow(volts);
}

void AlarmEngine::setBadFrames(qint64 total, qint64 now)
{
    // Counts older than the window are dropped, but one stays as the base.
    while (m_badFrames.size() > 1 && m_badFrames[1].first <= now - LinkErrorWindowMs)
        m_badFrames.pop_front();
    m_badFrames.emplace_back(now, total);
}

void AlarmEngine::setRecordingStopped(bool stopped, const QString &reason)
{
    m_recordingStopped = stopped;
    m_recordingStoppedReason = stopped ? reason : QString();
}

AlarmInputs AlarmEngine::inputs(qint64 now) const
{
    AlarmInputs in;
    in.linkWatched = m_linkWatched;
    // A link still coming up is not lost yet.
    in.linkUp = m_linkUp || (!m_linkSeenUp && now - m_startedAt < LinkConnectGraceMs);
    in.signalArriving = m_lastSampleTime != Never && now - m_lastSampleTime <= SignalTimeoutMs
        && (!m_linkWatched || m_linkUp);
    in.deadMs = m_deadRun * 1000 / SampleRate;
    in.msSinceBeat = now - std::max(m_lastBeatTime, m_aliveSince + DetectorLearningMs);
    // The limits follow the median of the last beats; the detector's own
    // mean stands in until there are enough of them.
    const int median = medianRate();
    in.heartRate = median > 0 ? median : m_heartRate;
    in.ectopy = m_ectopy;
    in.stDeviating = m_stDeviating;
    in.stChangeUv = m_stChangeUv;
    // The rate is an average of the last few beats: every one of them must
    // come from a stretch that can be analysed.
    in.analysable = m_quality.noisyBlocks(RateSeconds) < RateSeconds - 1;
    in.noisySeconds = m_quality.noisyBlocks(NoisyWindowSeconds);
    in.fibrillation = m_fibrillation.fibrillation();
    in.atrialFibrillation = m_atrialFibrillation;
    in.batteryLow = m_batteryLow;
    if (!m_badFrames.empty())
        in.recentBadFrames = m_badFrames.back().second - m_badFrames.front().second;
    in.recordingStopped = m_recordingStopped;
    in.recordingStoppedReason = m_recordingStoppedReason;
    return in;
}

QVector<AlarmEvent> AlarmEngine::update(qint64 now)
{
    QVector<AlarmEvent> events;
    if (m_stopped)
        return events;
    // A pause is timed from the last beat, or from the moment the detector
    // has learned a trace that came alive, when no beat has been seen since.
    // A trace that was lost, pinned at a rail or frozen long enough to call
    // for the electrodes is new to the detector. A flat trace that held one
    // value for a moment is not: a heart that has stopped leaves a trace
    // whose last bit of noise may stay the same for a second or more.
    const AlarmInputs seen = inputs(now);
    const bool present = seen.ecgPresent();
    if (!present && (!seen.signalArriving || m_atRail || seen.deadMs >= CheckElectrodesAfterMs))
        m_traceLost = true;
    if (present && !m_wasPresent && m_traceLost)
        m_aliveSince = now;
    if (present)
        m_traceLost = false;
    m_wasPresent = present;

    const AlarmInputs in = inputs(now);
    for (const AlarmConditionRow &row : alarmConditionTable()) {
        const size_t index = size_t(row.condition);
        const qint64 endDelay = row.endDelayMs > 0 ? row.endDelayMs : AlarmEndDelayMs;
        qint64 onsetDelay = row.onsetDelayMs(m_settings);
        // A heart-rate limit's delay is the time the heart has been beyond
        // it, told by the beats themselves: sooner than the rate figure, a
        // median of the last beats, would tell it, and never for a stretch
        // whose beats are noise (irregular in size) or mostly within the limit
        // (below the lower limit: whose mean rate is not below it). Until
        // enough beats have come, the figure must stay beyond it.
        const int limit = row.condition == AlarmCondition::HrAboveAlarm     ? m_settings.hrAlarm
                          : row.condition == AlarmCondition::HrAboveCaution ? m_settings.hrCaution
                          : row.condition == AlarmCondition::HrBelowLower   ? m_settings.hrLower
                                                                            : 0;
        if (limit > 0 && m_beatsSeen > RateIntervals) {
            const qint64 beyond = row.condition == AlarmCondition::HrBelowLower ? msBelowRate(limit) : msAboveRate(limit);
            const bool held = beyond >= onsetDelay;
            onsetDelay = held ? 0 : std::numeric_limits<qint64>::max();
        }
        switch (m_trackers[index].update(row.cause(in, m_settings), now, onsetDelay, endDelay)) {
        case AlarmTracker::Change::Onset:
            m_texts[index] = row.text(in, m_settings);
            events.append({AlarmLogEntry::Onset, row.condition, now, m_texts[index]});
            break;
        case AlarmTracker::Change::End:
            events.append({AlarmLogEntry::End, row.condition, now, m_texts[index]});
            break;
        case AlarmTracker::Change::None:
            break;
        }
    }
    return events;
}

QVector<AlarmEvent> AlarmEngine::acknowledge(qint64 now)
{
    QVector<AlarmEvent> events;
    for (const AlarmConditionRow &row : alarmConditionTable()) {
        const size_t index = size_t(row.condition);
        if (m_trackers[index].acknowledge())
            events.append({AlarmLogEntry::Acknowledged, row.condition, now, m_texts[index]});
    }
    return events;
}

QVector<AlarmEvent> AlarmEngine::setStopped(bool stopped, qint64 now)
{
    QVector<AlarmEvent> events;
    m_stopped = stopped;
    if (!stopped)
        return events;
    for (const AlarmConditionRow &row : alarmConditionTable()) {
        const size_t index = size_t(row.condition);
        if (m_trackers[index].reset())
            events.append({AlarmLogEntry::End, row.condition, now, m_texts[index]});
    }
    return events;
}

AlarmPriority AlarmEngine::soundingPriority() const
{
    AlarmPriority highest = AlarmPriority::None;
    for (const AlarmConditionRow &row : alarmConditionTable()) {
        if (m_trackers[size_t(row.condition)].isSounding())
            highest = std::max(highest, row.priority);
    }
    return highest;
}

bool AlarmEngine::shownAlarm(AlarmCondition &condition) const
{
    AlarmPriority highest = AlarmPriority::None;
    for (const AlarmConditionRow &row : alarmConditionTable()) {
        // Among equal priorities the earlier row wins.
        if (m_trackers[size_t(row.condition)].isShown() && row.priority > highest) {
            highest = row.priority;
            condition = row.condition;
        }
    }
    return highest != AlarmPriority::None;
}
