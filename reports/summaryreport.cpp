#include "reports/summaryreport.h"

#include "reports/plotgraphic.h"
#include "reports/reporterror.h"
#include "reports/reportvalues.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"

#include <QCoreApplication>

using namespace reportvalues;

namespace {

const QColor PhaseColors[3] = {Qt::darkGreen, Qt::darkBlue, Qt::darkMagenta};
const char *const PhaseNames[3] = {"Basal", "Intra-esfuerzo", "Post-esfuerzo"};

void addSeries(PlotGraphic &plot, const HistorySeries &series, const QColor &color, const QString &name = QString())
{
    QVector<double> x, y;
    for (const HistoryPoint &p : series) {
        x.append(p.x);
        y.append(p.y);
    }
    plot.addSeries(x, y, color, name);
}

QString dateText(const MonitorSession *session)
{
    return session->startDateTime.toString(QStringLiteral("dd/MM/yyyy"));
}

} // namespace

SummaryReport::SummaryReport(MonitorDatabase &database, int patientId, const QList<const MonitorSession *> &sessions,
                             QObject *parent)
    : ReportProducer(QStringLiteral(":/res/summaryreport1.xml"), parent)
    , m_sessionCount(sessions.size())
{
    PatientRecord patient;
    if (!database.loadPatient(patientId, patient))
        throw ReportError(QCoreApplication::translate("ReportProducer", "Cannot get patient data").toStdString());

    QMap<QString, QString> &v = m_values;
    const QString none = QStringLiteral("---");
    v[QStringLiteral("sessionCount")] = QString::number(sessions.size());
    v[QStringLiteral("firstSessionDate")] = sessions.isEmpty() ? none : dateText(sessions.first());
    v[QStringLiteral("lastSessionDate")] = sessions.isEmpty() ? none : dateText(sessions.last());
    v[QStringLiteral("patientName")] = QStringLiteral("%1, %2").arg(patient.lastName, patient.firstName);
    v[QStringLiteral("patientMedication")] = patient.medication;
    v[QStringLiteral("patientRisks")] = patient.risks;
    v[QStringLiteral("patientComments")] = patient.comments;
    v[QStringLiteral("patientAge")] =
        sessions.isEmpty() ? QString() : ageText(patient.birthDate, sessions.first()->startDateTime.date());
    v[QStringLiteral("assistance")] = QStringLiteral("%1 %").arg(attendancePercent(sessions));
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
        for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
            const Checkpoint c = session->checkpoint(phase);
            row.heartRate[phase - 1] = c.heartRate;
            row.systolic[phase - 1] = c.sysBP;
            row.diastolic[phase - 1] = c.diaBP;
        }
        m_rows.append(row);
    }
    for (const StripRef &ref : summaryStrips(sessions)) {
        const MonitorSession *session = sessions[ref.session];
        const SessionEvent &event = session->events[ref.event];
        m_strips.append({session->recording() ? session->recording()->path() : QString(), double(event.timeOffset),
                         QStringLiteral("Sesión #%1 - %2").arg(session->sessionNumber).arg(event.description),
                         session->startDateTime});
    }
    collectHistory(sessions, m_history);

    engine().recordCounts() << 1 << m_rows.size() << m_strips.size();
}

void SummaryReport::reportValue(int record, const QString &name, QString &value, int reportPage)
{
    if (reportPage == 0) {
        if (!headerValue(name, value))
            value = m_values.value(name);
        return;
    }
    if (name == QLatin1String("patientName")) {
        value = m_values.value(name);
        return;
    }
    if (reportPage == 1 && record >= 0 && record < m_rows.size()) {
        const Row &row = m_rows[record];
        static const char *const phases[] = {"basal", "intraEx", "postEx"};
        if (name == QLatin1String("sessionNumber")) {
            value = QString::number(row.sessionNumber);
            return;
        }
        for (int k = 0; k < 3; ++k) {
            if (name == QLatin1String(phases[k]) + QLatin1String("HR"))
                value = QString::number(row.heartRate[k]);
            else if (name == QLatin1String(phases[k]) + QLatin1String("BP"))
                value = QStringLiteral("%1/%2").arg(row.systolic[k]).arg(row.diastolic[k]);
        }
    } else if (reportPage == 2 && name == QLatin1String("eventDescription")) {
        value = stripLabel(record);
    }
}

void SummaryReport::reportDrawing(int record, const QString &name, QPainter *painter, const QRect &bounds, int)
{
    if (drawLogo(name, painter, bounds))
        return;
    if (name == QLatin1String("ecgGraphic/event")) {
        drawStrip(painter, bounds, record);
        return;
    }
    drawHistory(name, painter, bounds);
}

void SummaryReport::drawHistory(const QString &name, QPainter *painter, const QRect &bounds) const
{
    PlotGraphic plot;
    if (name == QLatin1String("hrGraphic")) {
        plot.setYRange(0, 200);
        plot.setLegendTitle(QStringLiteral("FC"));
        for (int k = 0; k < 3; ++k)
            addSeries(plot, m_history.heartRate[k], PhaseColors[k], QString::fromUtf8(PhaseNames[k]));
    } else if (name == QLatin1String("sbpGraphic")) {
        plot.setYRange(50, 250);
        plot.setLegendTitle(QStringLiteral("PAS"));
        for (int k = 0; k < 3; ++k)
            addSeries(plot, m_history.systolic[k], PhaseColors[k], QString::fromUtf8(PhaseNames[k]));
    } else if (name == QLatin1String("weightGraphic")) {
        plot.setYRange(0, 200);
        addSeries(plot, m_history.weight, Qt::black);
    } else if (name == QLatin1String("bmiGraphic")) {
        plot.setYRange(0, 50);
        addSeries(plot, m_history.bmi, Qt::black);
    } else if (name == QLatin1String("abdomenGraphic")) {
        plot.setYRange(0, 200);
        addSeries(plot, m_history.abdomen, Qt::black);
    } else {
        return;
    }
    plot.setStyle(PlotGraphic::LinesAndMarkers);
    plot.setXRange(0.5, qMax(m_sessionCount, 20) + 0.5);
    plot.setXStep(1.0);
    plot.draw(*painter, bounds);
}
