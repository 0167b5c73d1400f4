#include "reports/sessionreportrhythm.h"

#include "dsp/rhythmstatistics.h"
#include "storage/recordrules.h"
#include "storage/studyfile.h"

namespace reportvalues {

namespace {

QString minutesSeconds(qint64 samples)
{
    const qint64 seconds = (samples + RhythmRate / 2) / RhythmRate;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

QMap<QString, QString> rhythmValues(bool analysed, const QVector<RhythmEpisode> &episodes,
                                    const QVector<int> &hrTrend, const QDateTime &sessionStart)
{
    QMap<QString, QString> v;
    const QString none = QStringLiteral("---");
    for (const char *name : {"afBurden", "afEpisodes", "afLongest", "afMeanHr"})
        v[QLatin1String(name)] = none;
    v[QStringLiteral("afSummary")] = QStringLiteral("Fibrilación auricular: ---");
    if (!analysed) {
        v[QStringLiteral("afStripLabel")] = QStringLiteral("El ritmo de esta sesión no se analizó.");
        return v;
    }
    const AfFigures f = afFigures(episodes, hrTrend, RhythmRate);
    if (f.analysedSamples == 0) {
        v[QStringLiteral("afStripLabel")] = QStringLiteral("ECG insuficiente para analizar el ritmo.");
        return v;
    }
    v[QStringLiteral("afBurden")] = QStringLiteral("%1 %").arg(f.burdenPercent, 0, 'f', 1);
    v[QStringLiteral("afEpisodes")] = QString::number(f.episodes);
    if (f.episodes > 0) {
        v[QStringLiteral("afLongest")] = minutesSeconds(f.longestSamples);
        if (f.meanRateInAf > 0)
            v[QStringLiteral("afMeanHr")] = QStringLiteral("%1 lpm").arg(f.meanRateInAf);
        v[QStringLiteral("afStripLabel")] =
            QStringLiteral("Inicio de la primera FA: %1")
                .arg(RecordRules::eventTime(sessionStart, int(f.firstOnset / RhythmRate), true));
    } else {
        v[QStringLiteral("afStripLabel")] = QStringLiteral("Sin fibrilación auricular.");
    }
    QString summary = QStringLiteral("Fibrilación auricular: carga %1, %2 episodio(s)")
                          .arg(v[QStringLiteral("afBurden")], v[QStringLiteral("afEpisodes")]);
    if (f.episodes > 0)
        summary += QStringLiteral(", el más largo %1, FC media en FA %2")
                       .arg(v[QStringLiteral("afLongest")], v[QStringLiteral("afMeanHr")]);
    v[QStringLiteral("afSummary")] = summary;
    return v;
}

QString afBurdenText(bool analysed, const QVector<RhythmEpisode> &episodes)
{
    const AfFigures f = afFigures(episodes, {}, RhythmRate);
    if (!analysed || f.analysedSamples == 0)
        return QStringLiteral("---");
    return QStringLiteral("%1 %").arg(qRound(f.burdenPercent));
}

double firstAfStripStart(const QVector<RhythmEpisode> &episodes)
{
    for (const RhythmEpisode &e : episodes)
        if (e.label == RhythmLabel::AtrialFibrillation)
            return qMax(0.0, double(e.start) / RhythmRate - AfStripLeadIn);
    return -1.0;
}

} // namespace reportvalues
