#include "alarms/alarmbeatgate.h"

#include <algorithm>
#include <cstdlib>

namespace {

// Every value within a quarter of the values' mean.
template<typename T>
bool steady(const T *values, int count)
{
    qint64 sum = 0;
    for (int i = 0; i < count; ++i)
        sum += values[i];
    for (int i = 0; i < count; ++i) {
        if (4 * std::llabs(qint64(values[i]) * count - sum) > sum)
            return false;
    }
    return true;
}

} // namespace

bool BeatAmplitudeGate::accept(int amplitude, qint64 time)
{
    if (amplitude < FloorCounts)
        return false;
    const int known = std::min(m_acceptedCount, Remembered);
    int sum = 0;
    for (int i = 0; i < known; ++i)
        sum += m_accepted[size_t(i)];
    // The first beats teach the amplitude.
    bool counts = known < 4 || 3 * amplitude * known >= sum;
    if (!counts) {
        m_rejectedAmplitudes[size_t(m_rejectedRun % Remembered)] = amplitude;
        m_rejectedTimes[size_t(m_rejectedRun % Remembered)] = time;
        ++m_rejectedRun;
        if (m_rejectedRun < Remembered || !steadyRejectedRun())
            return false;
        // A steady run of smaller beats: the QRS itself became smaller.
        m_acceptedCount = 0;
        counts = true;
    }
    m_rejectedRun = 0;
    m_accepted[size_t(m_acceptedCount % Remembered)] = amplitude;
    ++m_acceptedCount;
    return counts;
}

bool BeatAmplitudeGate::steadyRejectedRun() const
{
    // The last eight rejected beats, oldest first, and their seven intervals.
    std::array<qint64, Remembered> times{};
    for (int i = 0; i < Remembered; ++i)
        times[size_t(i)] = m_rejectedTimes[size_t((m_rejectedRun + i) % Remembered)];
    std::array<qint64, Remembered - 1> intervals{};
    for (int i = 0; i + 1 < Remembered; ++i)
        intervals[size_t(i)] = times[size_t(i + 1)] - times[size_t(i)];
    return steady(m_rejectedAmplitudes.data(), Remembered) && steady(intervals.data(), Remembered - 1);
}
