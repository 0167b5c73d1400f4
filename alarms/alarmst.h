#pragma once

#include "dsp/tstanalyser.h"
#include "dsp/tsttrend.h"

#include <QtGlobal>

struct StSessionData;

// What one patient's ST segment shows at one moment.
struct StFigures
{
    bool measured = false;       // a level from the last seconds' beats
    double levelUv = 0.0;        // against the isoelectric level
    bool hasReference = false;
    double changeUv = 0.0;       // level minus the session's reference
    bool deviating = false;      // changed beyond the limit for the set time, not yet back
};

// One patient's ST segment while monitoring: every normal beat the patient's
// classifier decides is measured, and the session's trend, reference and
// deviation follow from the measured beats. Beats are placed in the session
// by their sample index in the recording, so the trend lines up with the ECG.
class AlarmSt
{
public:
    static constexpr int SampleRate = 250;

    AlarmSt();

    // Limit in microvolts (0 = off) and how long it must be exceeded.
    void setAlarm(double limitUv, double holdS);
    // Acquisition starts again with a fresh classifier: the analyser starts
    // over too; the session's trend and reference go on.
    void restart();
    // Where after the J point the ST level is taken (40-80 ms); set before
    // the session's first beat, since a trend and its reference only
    // compare when taken at one point.
    void setPointMs(int pointMs);
    int pointMs() const { return m_analyser.pointMs(); }
    void addSample(int sample) { m_analyser.addSample(sample); }
    // A classifier decision whose sample 0 is sample `recordingOffset` of
    // the recording.
    void addDecision(const TBeatDecision &decision, qint64 recordingOffset);
    // Recording time passes (seconds), even without measurable beats.
    void advance(double timeS) { m_trend.advance(timeS); }

    StFigures figures() const;
    // The reference becomes the last minute's level; false when too few
    // beats were measured in it.
    bool setReference() { return m_trend.setReference(); }
    // Copies the trend, reference and measurement point into `data` when
    // they changed since the last copy; true when they did.
    bool store(StSessionData &data);

private:
    TStAnalyser m_analyser;
    TStTrend m_trend;
    std::size_t m_storedPoints = 0;
    double m_storedReference = 0.0;
    bool m_storedHasReference = false;
    bool m_storedOnce = false;
};
