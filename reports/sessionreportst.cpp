#include "reports/sessionreportst.h"

#include "display/stbeatpaper.h"
#include "reports/signalgraphic.h"
#include "storage/recordrules.h"
#include "storage/storageerror.h"
#include "storage/tfilesignal.h"

#include <QPainter>
#include <QStringList>

#include <cmath>
#include <memory>

namespace {

QString millimetres(double microvolts)
{
    const long tenths = std::lround(microvolts / 10.0);
    return tenths == 0 ? QStringLiteral("0,0") : QString::asprintf("%+.1f", double(tenths) / 10.0).replace('.', ',');
}

bool depressionIsLargest(const RecordingSt &st)
{
    return st.depression.found && st.depression.changeUv < 0.0
        && (!st.elevation.found || std::abs(st.depression.changeUv) >= std::abs(st.elevation.changeUv));
}

} // namespace

SessionReportSt::SessionReportSt(const QString &recordingPath, const QDateTime &sessionStart,
                                 const StLiveSettings &live)
    : m_path(recordingPath), m_start(sessionStart), m_live(live)
{
}

bool SessionReportSt::value(const QString &name, QString &value)
{
    if (name != QLatin1String("stSummary"))
        return false;
    analyse();
    value = m_path.isEmpty() ? QStringLiteral("La sesión no tiene registro de ECG.")
                             : reportvalues::stSummary(m_readable, m_st, m_start);
    return true;
}

bool SessionReportSt::draw(const QString &name, QPainter &painter, const QRect &bounds)
{
    if (name != QLatin1String("stBeats"))
        return false;
    analyse();
    if (!m_readable || !m_st.hasReference)
        return true;
    QVector<stbeatpaper::Picture> pictures;
    pictures.append({QStringLiteral("Referencia %1 mm").arg(millimetres(m_st.referenceUv)), m_st.referenceBeat});
    const StExtreme &largest = depressionIsLargest(m_st) ? m_st.depression : m_st.elevation;
    if (largest.found)
        pictures.append({QStringLiteral("%1 mm a las %2")
                             .arg(millimetres(largest.levelUv),
                                  RecordRules::eventTime(m_start, int(largest.timeS), true)),
                         largest.beat});
    QFont font(QStringLiteral("MS Shell Dlg 2"));
    const double pxPerMm = devicePixelsPerMmX(painter.device());
    font.setPixelSize(std::max(1, int(std::lround(2.6 * pxPerMm))));
    stbeatpaper::draw(painter, bounds.topLeft(), pxPerMm, pictures, font);
    return true;
}

void SessionReportSt::analyse()
{
    if (m_analysed)
        return;
    m_analysed = true;
    if (m_path.isEmpty())
        return;
    try {
        const std::unique_ptr<TFileSignal> recording = TFileSignal::openRecordingFile(m_path);
        if (recording && recording->rate() > 0) {
            m_st = analyseRecordingSt(*recording, 0, m_live);
            m_readable = true;
        }
    } catch (const StorageError &) {
        // Said in the section.
    }
}

namespace reportvalues {

QString stSummary(bool readable, const RecordingSt &st, const QDateTime &sessionStart)
{
    if (!readable)
        return QStringLiteral("No se pudo leer el registro de ECG de la sesión.");
    if (!st.hasReference)
        return QStringLiteral("Sin latidos suficientes para medir el segmento ST.");
    QStringList lines;
    lines << QStringLiteral("Referencia: %1 mm (J + %2 ms, 10 mm/mV)").arg(millimetres(st.referenceUv)).arg(st.pointMs);
    const auto extreme = [&](const StExtreme &e, const QString &name) {
        return QStringLiteral("%1: %2 mm a las %3, FC %4 lpm")
            .arg(name, millimetres(e.changeUv), RecordRules::eventTime(sessionStart, int(e.timeS), true))
            .arg(e.heartRate);
    };
    lines << (st.depression.found && st.depression.changeUv < 0.0 ? extreme(st.depression, QStringLiteral("Mayor descenso"))
                                                                  : QStringLiteral("Sin descenso del ST"));
    lines << (st.elevation.found && st.elevation.changeUv > 0.0 ? extreme(st.elevation, QStringLiteral("Mayor elevación"))
                                                                : QStringLiteral("Sin elevación del ST"));
    int depressions = 0, elevations = 0;
    for (const TStEpisode &e : st.episodes)
        (e.sign < 0 ? depressions : elevations) += 1;
    lines << QStringLiteral("Episodios de 0,1 mV durante 30 s o más: %1 de descenso, %2 de elevación")
                 .arg(depressions)
                 .arg(elevations);
    return lines.join(QLatin1Char('\n'));
}

} // namespace reportvalues
