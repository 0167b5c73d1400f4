#include "dsp/rhythmstatistics.h"

#include <algorithm>

AfFigures afFigures(const QVector<RhythmEpisode> &episodes, const QVector<int> &hrTrend, int rate)
{
    AfFigures f;
    qint64 rateSum = 0, rateCount = 0;
    for (const RhythmEpisode &e : episodes) {
        const qint64 length = std::max<qint64>(0, e.end - e.start);
        if (e.label == RhythmLabel::Unanalysable || length == 0)
            continue;
        f.analysedSamples += length;
        if (e.label != RhythmLabel::AtrialFibrillation)
            continue;
        f.afSamples += length;
        ++f.episodes;
        if (f.firstOnset < 0)
            f.firstOnset = e.start;
        f.longestSamples = std::max(f.longestSamples, length);
        if (rate <= 0)
            continue;
        // The trend's second s covers samples [s * rate, (s + 1) * rate).
        const qint64 from = e.start / rate, to = std::min<qint64>((e.end + rate - 1) / rate, hrTrend.size());
        for (qint64 s = std::max<qint64>(0, from); s < to; ++s) {
            if (hrTrend[int(s)] > 0) {
                rateSum += hrTrend[int(s)];
                ++rateCount;
            }
        }
    }
    if (f.analysedSamples > 0)
        f.burdenPercent = 100.0 * double(f.afSamples) / double(f.analysedSamples);
    if (rateCount > 0)
        f.meanRateInAf = int((rateSum + rateCount / 2) / rateCount);
    return f;
}

QVector<int> afTrend(const QVector<RhythmEpisode> &episodes, int seconds, int rate)
{
    QVector<int> trend(std::max(0, seconds), 0);
    if (rate <= 0)
        return trend;
    for (const RhythmEpisode &e : episodes) {
        if (e.label != RhythmLabel::AtrialFibrillation)
            continue;
        // Second s is AF when its middle lies in the episode.
        const qint64 from = std::max<qint64>(0, (e.start - rate / 2 + rate - 1) / rate);
        const qint64 to = std::min<qint64>(seconds, (e.end - rate / 2 + rate - 1) / rate);
        for (qint64 s = from; s < to; ++s)
            trend[int(s)] = 1;
    }
    return trend;
}
