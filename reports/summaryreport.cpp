#include "reports/summaryreport.h"

#include "display/historyplots.h"
#include "reports/plotgraphic.h"
#include "reports/reporterror.h"
#include "reports/reportvalues.h"
#include "reports/sessionreportrhythm.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/patientcourse.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

using namespace reportvalues;

namespace {

// The legend names of the three phases and the titles of the two plots that
// show them, as the report's tables name them.
const char *const PhaseNames[3] = {"Basal", "Intra-esfuerzo", "Post-esfuerzo"};
const char *const PhaseTitles[2] = {"FC", "PAS"};

void addSeries(PlotGraphic &plot, const HistorySeries &series, const QColor &color, const QString &name = QString())
{
    QVector<double> x, y;
    for (const HistoryPoint &p : series) {
        x.append(p.x);
        y.append(p.y);
    }
    plot.addSeries(x, y, color, name);
}

QString dateText(const QDateTime &time)
{
    return time.toString(QStringLiteral("dd/MM/yyyy"));
}

// "83 % (5 de 6 sesiones)": the attendance and the sessions it is counted over.
QString attendanceText(int present, int listed)
{
    const int percent = listed > 0 ? present * 100 / listed : 0;
    return listed == 1 ? QStringLiteral("%1 % (%2 de 1 sesión)").arg(percent).arg(present)
                       : QStringLiteral("%1 % (%2 de %3 sesiones)").arg(percent).arg(present).arg(listed);
}

// Names the sessions that could not be read: number and date of each.
QString unreadableText(const QList<SessionInfo> &unreadable)
{
    if (unreadable.isEmpty())
        return QString();
    QStringList names;
    for (const SessionInfo &row : unreadable)
        names << QStringLiteral("#%1 del %2").arg(row.sessionNumber).arg(dateText(row.startDateTime));
    return (unreadable.size() == 1 ? QStringLiteral("No se pudo leer la sesión %1")
                                   : QStringLiteral("No leídas: %1"))
        .arg(names.join(QStringLiteral(", ")));
}

} // namespace

namespace {

// A change of the ST level in millimetres at 10 mm/mV, signed, decimal comma.
QString stMillimetres(double microvolts)
{
    const long tenths = std::lround(microvolts / 10.0);
    return tenths == 0 ? QStringLiteral("0,0") : QString::asprintf("%+.1f", double(tenths) / 10.0).replace('.', ',');
}

} // namespace

SummaryReport::SummaryReport(MonitorDatabase &database, const PatientCourse &course)
    : SummaryReport(database, course.patientId(), course.readSessions(), course.unreadable())
{
}

SummaryReport::SummaryReport(MonitorDatabase &database, int patientId, const QList<const MonitorSession *> &sessions,
                             const QList<SessionInfo> &unreadable)
    : ReportProducer(QStringLiteral(":/res/summaryreport1.xml"))
    , m_sessionCount(sessions.size() + unreadable.size())
{
    PatientRecord patient;
    if (!database.loadPatient(patientId, patient))
        throw ReportError(QCoreApplication::translate("ReportProducer", "Cannot get patient data").toStdString());

    QMap<QString, QString> &v = m_values;
    const QString none = QStringLiteral("---");
    QDateTime first, last;
    auto span = [&](const QDateTime &time) {
        first = first.isValid() && first <= time ? first : time;
        last = last.isValid() && last >= time ? last : time;
    };
    int present = 0;
    for (const MonitorSession *session : sessions) {
        span(session->startDateTime);
        present += session->presence ? 1 : 0;
    }
    for (const SessionInfo &row : unreadable) {
        span(row.startDateTime);
        present += row.presence ? 1 : 0;
    }
    v[QStringLiteral("sessionCount")] = QString::number(m_sessionCount);
    v[QStringLiteral("firstSessionDate")] = first.isValid() ? dateText(first) : none;
    v[QStringLiteral("lastSessionDate")] = last.isValid() ? dateText(last) : none;
    v[QStringLiteral("unreadableSessions")] = unreadableText(unreadable);
    v[QStringLiteral("patientName")] = QStringLiteral("%1, %2").arg(patient.lastName, patient.firstName);
    v[QStringLiteral("patientMedication")] = patient.medication;
    v[QStringLiteral("patientRisks")] = patient.risks;
    v[QStringLiteral("patientComments")] = patient.comments;
    v[QStringLiteral("patientAge")] =
        first.isValid() ? ageText(patient.birthDate, first.date()) : QString();
    v[QStringLiteral("assistance")] = attendanceText(present, m_sessionCount);
    v[QStringLiteral("adaptation")] = patient.adaptation;
    v[QStringLiteral("conclusion")] = patient.conclusion;
    const Averages a = averages(sessions);
    v[QStringLiteral("avgWeight")] = fixedNumber(a.weight, 1);
    v[QStringLiteral("avgHeight")] = fixedNumber(a.height, 0);
    v[QStringLiteral("avgAbdomen")] = fixedNumber(a.abdomen, 0);
    v[QStringLiteral("avgBMI")] = fixedNumber(a.bmi, 1);
    v[QStringLiteral("avgBorg")] = fixedNumber(a.borg, 1);
    static const char *const phases[] = {"Basal", "IntraEx", "PostEx"};
    for (int k = 0; k < 3; ++k) {
        v[QStringLiteral("avg%1HR").arg(QLatin1String(phases[k]))] = fixedNumber(a.heartRate[k], 0);
        v[QStringLiteral("avg%1SBP").arg(QLatin1String(phases[k]))] = fixedNumber(a.systolic[k], 0);
    }

    for (const MonitorSession *session : sessions) {
        Row row;
        row.sessionNumber = session->sessionNumber;
        row.present = session->presence;
        row.afBurden = afBurdenText(session->rhythmAnalysed, session->rhythmEpisodes);
        for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
            const Checkpoint c = session->checkpoint(phase);
            row.heartRate[phase - 1] = c.heartRate;
            row.systolic[phase - 1] = c.sysBP;
            row.diastolic[phase - 1] = c.diaBP;
        }
        double stChange = 0.0;
        row.stLargest = session->stTrend.largestChange(stChange) ? stMillimetres(stChange) : QStringLiteral("---");
        m_rows.append(row);
    }
    for (const SessionInfo &info : unreadable) {
        Row row;
        row.sessionNumber = info.sessionNumber;
        row.unreadDate = dateText(info.startDateTime);
        m_rows.append(row);
    }
    std::stable_sort(m_rows.begin(), m_rows.end(),
                     [](const Row &a, const Row &b) { return a.sessionNumber < b.sessionNumber; });
    for (const StripRef &ref : summaryStrips(sessions)) {
        const MonitorSession *session = sessions[ref.session];
        const SessionEvent &event = session->events[ref.event];
        m_strips.append({session->recording() ? session->recording()->path() : QString(), double(event.timeOffset),
                         QStringLiteral("Sesión #%1 - %2").arg(session->sessionNumber).arg(event.description),
                         session->startDateTime});
    }
    collectHistory(sessions, m_history);
    QVector<SessionRecordingRef> recordings;
    for (const MonitorSession *session : sessions) {
        if (hasRecording(*session) || !session->pvcTrend.isEmpty())
            recordings.append({session->sessionNumber, hasRecording(*session) ? session->recording()->path() : QString(),
                               session->pvcTrend});
    }
    m_ectopy = std::make_unique<SummaryReportEctopy>(recordings);

    engine().recordCounts() << 1 << m_rows.size() << m_strips.size();
}

QString SummaryReport::value(int record, const QString &name, int reportPage) const
{
    QString value;
    if (reportPage == 0 && headerValue(name, value))
        return value;
    if (reportPage == 1 && record >= 0 && record < m_rows.size()) {
        const Row &row = m_rows[record];
        if (name == QLatin1String("sessionNumber"))
            return QString::number(row.sessionNumber);
        if (name == QLatin1String("afBurden"))
            return row.present ? row.afBurden : QString();
        static const char *const phases[] = {"basal", "intraEx", "postEx"};
        // A session that could not be read has no values: its row says so.
        if (!row.unreadDate.isEmpty())
            return name == QLatin1String("basalHR") ? QStringLiteral("Ilegible")
                   : name == QLatin1String("intraExHR") ? row.unreadDate
                                                        : QString();
        for (int k = 0; k < 3; ++k) {
            // An absent session has no measurement: its row says so once.
            if (name == QLatin1String(phases[k]) + QLatin1String("HR"))
                return row.present ? QString::number(row.heartRate[k]) : k == 0 ? QStringLiteral("Ausente") : QString();
            if (name == QLatin1String(phases[k]) + QLatin1String("BP"))
                return row.present ? QStringLiteral("%1/%2").arg(row.systolic[k]).arg(row.diastolic[k]) : QString();
        }
        if (name == QLatin1String("stLargest"))
            return row.present ? row.stLargest : QString();
    }
    if (name == QLatin1String("eventDescription"))
        return reportPage == 2 ? stripLabel(record) : QString();
    return m_values.value(name);
}

void SummaryReport::draw(int record, const QString &name, QPainter &painter, const QRect &bounds, int)
{
    if (drawLogo(name, &painter, bounds))
        return;
    if (name == QLatin1String("ecgGraphic/event")) {
        drawStrip(&painter, bounds, record);
        return;
    }
    if (name == QLatin1String("pvcGraphic")) {
        m_ectopy->draw(painter, bounds, m_sessionCount);
        return;
    }
    drawHistory(name, &painter, bounds);
}

void SummaryReport::drawHistory(const QString &name, QPainter *painter, const QRect &bounds) const
{
    // The template's drawings, in the order of the history plots' table.
    static const QStringList names = {QStringLiteral("hrGraphic"), QStringLiteral("sbpGraphic"),
                                      QStringLiteral("weightGraphic"), QStringLiteral("bmiGraphic"),
                                      QStringLiteral("abdomenGraphic")};
    const int index = names.indexOf(name);
    if (index < 0)
        return;
    const HistoryPlots::Plot &settings = HistoryPlots::plots()[size_t(index)];
    const QVector<const HistorySeries *> series = m_history.plotSeries()[size_t(index)];
    PlotGraphic plot;
    plot.setYRange(settings.yMinimum, settings.yMaximum);
    for (int k = 0; k < series.size(); ++k)
        addSeries(plot, *series[k], HistoryPlots::seriesColor(settings, k),
                  settings.phases && k < 3 ? QString::fromUtf8(PhaseNames[k]) : QString());
    if (settings.phases && index < 2)
        plot.setLegendTitle(QString::fromUtf8(PhaseTitles[index]));
    plot.setStyle(PlotGraphic::LinesAndMarkers);
    plot.setXRange(HistoryPlots::XMinimum, HistoryPlots::xMaximum(m_sessionCount));
    plot.setXStep(HistoryPlots::XStep);
    plot.draw(*painter, bounds);
}
