#include "reports/sessionreportectopy.h"

#include "dsp/stationrate.h"
#include "storage/recordrules.h"
#include "storage/storageerror.h"
#include "storage/tfilesignal.h"

#include <QStringList>

#include <cmath>
#include <memory>

SessionReportEctopy::SessionReportEctopy(const QString &recordingPath, const QDateTime &sessionStart,
                                         const QVector<int> &liveCounts)
    : m_path(recordingPath), m_start(sessionStart), m_liveCounts(liveCounts)
{
}

bool SessionReportEctopy::value(const QString &name, QString &value)
{
    if (!name.startsWith(QLatin1String("pvc")))
        return false;
    analyse();
    value = m_values.value(name);
    return true;
}

double SessionReportEctopy::longestRunStripStart()
{
    analyse();
    return m_stripStart;
}

void SessionReportEctopy::analyse()
{
    if (m_analysed)
        return;
    m_analysed = true;
    using reportvalues::EctopySource;
    EctopySource source = m_path.isEmpty() ? EctopySource::NoRecording : EctopySource::Unreadable;
    RecordingEctopy ectopy;
    if (!m_path.isEmpty()) {
        try {
            const std::unique_ptr<TFileSignal> recording = TFileSignal::openRecordingFile(m_path);
            if (recording && recording->rate() > 0) {
                ectopy = analyseRecording(*recording, recording->gapSpans());
                source = recording->sampleCount() > 0 ? EctopySource::Classified : EctopySource::NoRecording;
            }
        } catch (const StorageError &) {
            // Said in the section.
        }
    }
    if (source != EctopySource::Classified && !m_liveCounts.isEmpty()) {
        source = EctopySource::LiveCount;
        ectopy.rate = StationSampleRate;
        ectopy.statistics = countedStatistics(m_liveCounts, ectopy.rate);
    }
    m_values = reportvalues::ectopyValues(source, ectopy.statistics, ectopy.rate, m_start);
    const EctopyStatistics &s = ectopy.statistics;
    if (source == EctopySource::Classified && s.longestRun >= 0)
        m_stripStart = qMax(0.0, double(s.runs[size_t(s.longestRun)].start) / ectopy.rate
                                     - reportvalues::RunStripLeadIn);
}

namespace reportvalues {

QMap<QString, QString> ectopyValues(EctopySource source, const EctopyStatistics &s, int rate,
                                    const QDateTime &sessionStart)
{
    QMap<QString, QString> v;
    if ((source != EctopySource::Classified && source != EctopySource::LiveCount) || rate <= 0) {
        const QString none = QStringLiteral("---");
        for (const char *name : {"pvcTotal", "pvcPerHour", "pvcMaxPerMinute", "pvcCouplets", "pvcRunCount"})
            v[QLatin1String(name)] = none;
        v[QStringLiteral("pvcRuns")] = source == EctopySource::Unreadable
                                           ? QStringLiteral("No se pudo leer el registro de ECG de la sesión.")
                                           : QStringLiteral("La sesión no tiene registro de ECG.");
        return v;
    }
    const auto clock = [&](qint64 sample) { return RecordRules::eventTime(sessionStart, int(sample / rate), true); };
    v[QStringLiteral("pvcTotal")] = QString::number(s.pvcTotal);
    v[QStringLiteral("pvcPerHour")] = QString::number(std::lround(s.pvcPerHour));
    v[QStringLiteral("pvcMaxPerMinute")] =
        s.maxPerMinute > 0 ? QStringLiteral("%1 (desde las %2)").arg(s.maxPerMinute).arg(clock(s.maxMinuteStart))
                           : QStringLiteral("0");
    if (source == EctopySource::LiveCount) {
        v[QStringLiteral("pvcCouplets")] = v[QStringLiteral("pvcRunCount")] = QStringLiteral("---");
        v[QStringLiteral("pvcRuns")] = QStringLiteral("Sin registro de ECG legible: extrasístoles del recuento en vivo; "
                                                      "las duplas y rachas necesitan el registro.");
        return v;
    }
    v[QStringLiteral("pvcCouplets")] = QString::number(s.couplets);
    // Runs above 100 bpm are the ventricular tachycardias the VT alarm calls.
    v[QStringLiteral("pvcRunCount")] = s.runs.empty() ? QStringLiteral("0")
                                                      : QStringLiteral("%1 (%2 TV)").arg(s.runs.size()).arg(s.tachycardias);

    QStringList runs;
    for (size_t i = 0; i < s.runs.size() && int(i) < ListedRuns; ++i) {
        const VentricularRun &run = s.runs[i];
        runs << QStringLiteral("%1 (%2 latidos, %3 lpm%4)")
                    .arg(clock(run.start))
                    .arg(run.beats)
                    .arg(run.rateBpm)
                    .arg(run.tachycardia ? QStringLiteral(", TV") : QString());
    }
    if (int(s.runs.size()) > ListedRuns)
        runs << QStringLiteral("y %1 rachas más").arg(int(s.runs.size()) - ListedRuns);
    v[QStringLiteral("pvcRuns")] = runs.isEmpty() ? QStringLiteral("Sin rachas de 3 o más extrasístoles ventriculares.")
                                                  : runs.join(QStringLiteral("; "));
    if (s.longestRun >= 0) {
        const VentricularRun &run = s.runs[size_t(s.longestRun)];
        v[QStringLiteral("pvcStripLabel")] = QStringLiteral("Racha más larga: %1 latidos a %2 lpm, %3")
                                                 .arg(run.beats)
                                                 .arg(run.rateBpm)
                                                 .arg(clock(run.start));
    }
    return v;
}

} // namespace reportvalues
