#include "dsp/tsttrend.h"

#include <algorithm>
#include <cmath>

bool TStDeviationTracker::update(double timeS, double deviationUv)
{
    if (m_settings.limitUv <= 0.0) {
        const bool was = m_active;
        m_active = m_pending = m_returning = false;
        if (was)
            m_endS = timeS;
        return was;
    }
    const int sign = deviationUv >= m_settings.limitUv ? 1 : deviationUv <= -m_settings.limitUv ? -1 : 0;
    if (m_active) {
        if (sign == m_sign) {
            m_returning = false;
            return false;
        }
        // Back within (or swung to the other side): the episode ends once
        // that has lasted the release time.
        if (!m_returning) {
            m_returning = true;
            m_endS = timeS;
        }
        if (timeS - m_endS < m_settings.releaseS)
            return false;
        m_active = m_returning = false;
        m_pending = false;
        return true;
    }
    if (sign == 0) {
        m_pending = false;
        return false;
    }
    if (!m_pending || sign != m_sign) {
        m_pending = true;
        m_sign = sign;
        m_startS = timeS;
    }
    if (timeS - m_startS >= m_settings.holdS) {
        m_active = true;
        m_pending = false;
        return true;
    }
    return false;
}

TStTrend::TStTrend(const TStDeviationTracker::Settings &deviation) : m_deviation(deviation)
{
}

double TStTrend::median(std::vector<double> &v)
{
    const std::size_t n = v.size();
    std::nth_element(v.begin(), v.begin() + std::ptrdiff_t(n / 2), v.end());
    const double upper = v[n / 2];
    if (n % 2)
        return upper;
    return 0.5 * (upper + *std::max_element(v.begin(), v.begin() + std::ptrdiff_t(n / 2)));
}

bool TStTrend::addBeat(double timeS, double stUv, double qrsUv, int qrsMs)
{
    bool changed = advance(timeS);
    m_recent.push_back({timeS, stUv, qrsUv, qrsMs});
    while (!m_recent.empty() && m_recent.front().timeS <= timeS - ReferenceS)
        m_recent.pop_front();
    m_block.push_back(stUv);

    if (!m_hasReference) {
        if (m_collectFromS < 0.0)
            m_collectFromS = timeS;
        if (timeS - m_collectFromS >= ReferenceS) {
            // m_recent holds the minute since m_collectFromS (or most of it).
            if (int(m_recent.size()) >= ReferenceBeats)
                setReference();
            else
                m_collectFromS = timeS;
        }
    }
    m_scratch.clear();
    for (auto it = m_recent.rbegin(); it != m_recent.rend() && it->timeS > timeS - LevelS; ++it)
        m_scratch.push_back(it->stUv);
    m_levelUv = median(m_scratch);
    m_scratch.clear();
    for (auto it = m_recent.rbegin(); it != m_recent.rend() && it->timeS > timeS - LevelS; ++it)
        m_scratch.push_back(it->qrsUv);
    m_levelQrsUv = median(m_scratch);
    m_levelQrsMs = qrsMs;   // already the median beat's
    m_hasLevel = true;
    return track(timeS) || changed;
}

bool TStTrend::advance(double timeS)
{
    while (timeS >= m_blockEndS) {
        if (!m_block.empty())
            m_trend.push_back({m_blockEndS, median(m_block)});
        m_block.clear();
        m_blockEndS += BlockS;
    }
    // Without beats for a while the level is unknown: a deviation cannot be
    // held, and one that was active ends after its release time.
    if (!m_recent.empty() && timeS - m_recent.back().timeS > LevelS)
        m_hasLevel = false;
    if (!m_hasLevel && m_deviation.active() && m_deviation.update(timeS, 0.0)) {
        m_episodes.back().endS = m_deviation.endS();
        return true;
    }
    return false;
}

bool TStTrend::track(double timeS)
{
    if (!m_hasReference || !m_hasLevel)
        return false;
    if (!m_deviation.update(timeS, comparable() ? changeUv() : 0.0))
        return false;
    if (m_deviation.active())
        m_episodes.push_back({m_deviation.startS(), timeS, m_deviation.sign()});
    else if (!m_episodes.empty())
        m_episodes.back().endS = m_deviation.endS();
    return true;
}

bool TStTrend::comparable() const
{
    if (m_referenceQrsMs > 0 && m_levelQrsMs > 0 && std::abs(m_levelQrsMs - m_referenceQrsMs) >= QrsWidthChangeMs)
        return false;
    if (m_referenceQrsUv <= 0.0 || m_levelQrsUv <= 0.0)
        return true;
    const double ratio = m_levelQrsUv / m_referenceQrsUv;
    return ratio < QrsChangeLimit && ratio > 1.0 / QrsChangeLimit;
}

bool TStTrend::setReference()
{
    if (int(m_recent.size()) < ReferenceBeats / 2)
        return false;
    m_scratch.clear();
    for (const Beat &b : m_recent)
        m_scratch.push_back(b.stUv);
    setReference(median(m_scratch), m_recent.back().timeS);
    m_scratch.clear();
    for (const Beat &b : m_recent)
        m_scratch.push_back(b.qrsUv);
    m_referenceQrsUv = median(m_scratch);
    m_referenceQrsMs = m_recent.back().qrsMs;
    return true;
}

void TStTrend::setReference(double referenceUv, double timeS)
{
    m_referenceUv = referenceUv;
    m_referenceTimeS = timeS;
    m_referenceQrsUv = 0.0;
    m_referenceQrsMs = 0;
    m_hasReference = true;
}

void TStTrend::setDeviationSettings(const TStDeviationTracker::Settings &settings)
{
    m_deviation = TStDeviationTracker(settings);
}

void TStTrend::finish(double timeS)
{
    if (!m_block.empty())
        m_trend.push_back({timeS, median(m_block)});
    m_block.clear();
    if (m_deviation.active() && !m_episodes.empty())
        m_episodes.back().endS = timeS;
}
