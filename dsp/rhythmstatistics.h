#pragma once

#include "dsp/trhythmanalyser.h"

#include <QVector>
#include <QtGlobal>

// What a session's rhythm episodes add up to, for review and the reports.
struct AfFigures
{
    qint64 analysedSamples = 0;   // judged as atrial fibrillation or as another rhythm
    qint64 afSamples = 0;
    double burdenPercent = 0.0;   // AF share of the analysed time; 0 without any
    int episodes = 0;             // AF episodes
    qint64 longestSamples = 0;    // the longest AF episode
    qint64 firstOnset = -1;       // sample index of the first AF episode's start, -1 without
    int meanRateInAf = 0;         // bpm over the AF seconds with a heart rate, 0 without
};

// `episodes` in sample indices at `rate`; `hrTrend` one heart rate a second
// (0 where there was none). Stretches too noisy to judge count neither way.
AfFigures afFigures(const QVector<RhythmEpisode> &episodes, const QVector<int> &hrTrend, int rate = 250);

// One value a second over `seconds`: 1 where the rhythm was atrial
// fibrillation for most of that second, 0 elsewhere; for a trend plot.
QVector<int> afTrend(const QVector<RhythmEpisode> &episodes, int seconds, int rate = 250);
