#include "acquisition/replaysource.h"

#include <QElapsedTimer>

#include <algorithm>
#include <memory>

ReplaySource::ReplaySource(std::vector<qint16> samples, Clock clock, bool loop)
    : m_samples(std::move(samples)), m_clock(std::move(clock)), m_loop(loop)
{
    if (!m_clock) {
        auto elapsed = std::make_shared<QElapsedTimer>();
        elapsed->start();
        m_clock = [elapsed] { return elapsed->elapsed(); };
    }
}

void ReplaySource::start()
{
    m_running = true;
    m_startTime = m_clock();
    m_playedAtStart = m_played;
}

void ReplaySource::stop()
{
    m_running = false;
}

qint64 ReplaySource::due() const
{
    if (!m_running || m_samples.empty())
        return m_played;
    const qint64 due = m_playedAtStart + (m_clock() - m_startTime) * 250 / 1000;
    return m_loop ? due : std::min(due, qint64(m_samples.size()));
}

int ReplaySource::availableSamples()
{
    return int(std::min<qint64>(due() - m_played, 1 << 30));
}

int ReplaySource::readSamples(short *buffer, int maxCount)
{
    const int n = std::max(0, std::min(maxCount, availableSamples()));
    for (int i = 0; i < n; ++i)
        buffer[i] = m_samples[size_t((m_played + i) % qint64(m_samples.size()))];
    m_played += n;
    return n;
}
