#pragma once

#include "dsp/tbeatclassifier.h"
#include "dsp/tbeatdetector.h"
#include "dsp/tstanalyser.h"
#include "dsp/tsttrend.h"

#include <QtGlobal>

#include <atomic>
#include <vector>

class TSignal;

// The largest ST change of a recording in one direction.
struct StExtreme
{
    bool found = false;
    double timeS = 0.0;
    double changeUv = 0.0;   // level minus reference
    double levelUv = 0.0;
    int heartRate = 0;
    TStMedianBeat beat;      // the median beat at that moment
};

// Everything review, the reports and the companion show of a recording's ST
// segment.
struct RecordingSt
{
    int rate = StMeasure::Rate;
    qint64 sampleCount = 0;
    int pointMs = TStAnalyser::DefaultPointMs;
    std::vector<TStBeat> beats;
    std::vector<TStTrendPoint> trend;
    std::vector<TStEpisode> episodes;   // deviations of 0.1 mV held 30 s
    bool hasReference = false;
    double referenceUv = 0.0;
    double referenceTimeS = 0.0;
    TStMedianBeat referenceBeat;
    StExtreme depression;
    StExtreme elevation;
};

// How the station measured a session's ST segment live, so that an analysis
// of its recording measures and compares as the station did.
struct StLiveSettings
{
    int pointMs = TStAnalyser::DefaultPointMs;
    // When the session's reference was taken, in seconds from its start
    // (negative: not known). Later than the recording's own first-minute
    // reference means the nurse re-took it then.
    double referenceTimeS = -1.0;
};

// Runs the station's beat detector, classifier, ST measurement and ST trend
// over raw station samples fed one by one, exactly as a live patient's
// samples go through them.
class TStRecordingAnalysis
{
public:
    explicit TStRecordingAnalysis(const StLiveSettings &live = StLiveSettings(), bool keepBeats = true);

    void addSample(int sample);
    // Ends the recording and returns the result.
    RecordingSt finish();

private:
    void takeDecisions();

    TBeatDetector m_detector;
    TBeatClassifier m_classifier;
    TStAnalyser m_analyser;
    TStTrend m_trend;
    RecordingSt m_result;
    bool m_keepBeats;
    double m_retakeAtS;
    bool m_referenceTaken = false;
};

// The whole recording of channel `channel`; stops early (returning what it
// has) when `cancelled` becomes true.
RecordingSt analyseRecordingSt(TSignal &signal, int channel = 0, const StLiveSettings &live = StLiveSettings(),
                               const std::atomic<bool> *cancelled = nullptr);
