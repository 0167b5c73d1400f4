#include "alarms/alarmst.h"

#include "storage/stsessiondata.h"

namespace {

// An ST alarm ends once the level has been back within the limit this long.
constexpr double StAlarmReleaseS = 30.0;

} // namespace

AlarmSt::AlarmSt() : m_trend(TStDeviationSettings{100.0, 60.0, StAlarmReleaseS}) {}

void AlarmSt::setAlarm(double limitUv, double holdS)
{
    const TStDeviationSettings &now = m_trend.deviation().settings();
    if (now.limitUv == limitUv && now.holdS == holdS)
        return;
    m_trend.setDeviationSettings(TStDeviationSettings{limitUv, holdS, StAlarmReleaseS});
}

void AlarmSt::restart()
{
    m_analyser = TStAnalyser(m_analyser.pointMs());
}

void AlarmSt::setPointMs(int pointMs)
{
    if (pointMs != m_analyser.pointMs())
        m_analyser = TStAnalyser(pointMs);
}

void AlarmSt::addDecision(const TBeatDecision &decision, qint64 recordingOffset)
{
    TStBeat beat;
    if (m_analyser.addDecision(decision, beat))
        m_trend.addBeat(double(recordingOffset + beat.r) / SampleRate, beat.stUv, beat.qrsUv, beat.qrsMs);
}

StFigures AlarmSt::figures() const
{
    StFigures f;
    f.measured = m_trend.hasLevel();
    f.levelUv = m_trend.levelUv();
    f.hasReference = m_trend.hasReference();
    f.changeUv = f.hasReference ? m_trend.changeUv() : 0.0;
    f.deviating = m_trend.deviation().active();
    return f;
}

bool AlarmSt::store(StSessionData &data)
{
    const auto &trend = m_trend.trend();
    if (m_storedOnce && trend.size() == m_storedPoints && m_trend.hasReference() == m_storedHasReference
        && m_trend.referenceUv() == m_storedReference)
        return false;
    data.analysed = true;
    data.pointMs = m_analyser.pointMs();
    data.hasReference = m_trend.hasReference();
    data.referenceUv = m_trend.referenceUv();
    data.referenceTimeS = m_trend.referenceTimeS();
    for (std::size_t i = m_storedOnce ? m_storedPoints : 0; i < trend.size(); ++i)
        data.trend.append({trend[i].timeS, trend[i].stUv});
    m_storedOnce = true;
    m_storedPoints = trend.size();
    m_storedHasReference = m_trend.hasReference();
    m_storedReference = m_trend.referenceUv();
    return true;
}
