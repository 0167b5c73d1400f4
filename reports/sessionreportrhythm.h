#pragma once

#include "dsp/trhythmanalyser.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVector>

namespace reportvalues {

// Seconds of ECG shown before the first AF onset in its strip.
constexpr double AfStripLeadIn = 3.0;

// The session report's rhythm texts ("afBurden", "afEpisodes", "afLongest",
// "afMeanHr", the line of them all "afSummary", "afStripLabel") from the session's rhythm episodes and heart-rate
// trend; dashes and a sentence for a session whose rhythm was not analysed.
QMap<QString, QString> rhythmValues(bool analysed, const QVector<RhythmEpisode> &episodes,
                                    const QVector<int> &hrTrend, const QDateTime &sessionStart);
// Seconds from the start of the recording at which the strip of the first
// AF onset starts; negative without AF.
double firstAfStripStart(const QVector<RhythmEpisode> &episodes);
// A session's AF burden in whole percent ("12 %"); "---" when its rhythm was
// not analysed or no stretch of it could be judged.
QString afBurdenText(bool analysed, const QVector<RhythmEpisode> &episodes);

} // namespace reportvalues
