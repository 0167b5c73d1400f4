#include "reports/sessionreport.h"

#include "reports/reporterror.h"
#include "reports/reportvalues.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/sessionhistory.h"

#include <QCoreApplication>

using namespace reportvalues;

SessionReport::SessionReport(MonitorDatabase &database, const MonitorSession &session, QObject *parent)
    : ReportProducer(QStringLiteral(":/res/sessionreport1.xml"), parent)
{
    PatientRecord patient;
    if (!database.loadPatient(session.patientId, patient))
        throw ReportError(QCoreApplication::translate("ReportProducer", "Cannot get patient data").toStdString());

    QMap<QString, QString> &v = m_values;
    v[QStringLiteral("patientName")] = QStringLiteral("%1, %2").arg(patient.lastName, patient.firstName);
    v[QStringLiteral("patientSex")] = patient.sex;
    v[QStringLiteral("patientAge")] = ageText(patient.birthDate, session.startDateTime.date());
    v[QStringLiteral("sessionNumber")] = QString::number(session.sessionNumber);
    v[QStringLiteral("sessionDate")] = session.startDateTime.toString(QStringLiteral("dd/MM/yyyy"));
    v[QStringLiteral("sessionWeight")] = shortNumber(session.weight);
    v[QStringLiteral("sessionHeight")] = shortNumber(session.height);
    v[QStringLiteral("sessionAbdomen")] = shortNumber(session.abdomen);
    v[QStringLiteral("sessionBMI")] = fixedNumber(bodyMassIndex(session.weight, session.height), 1);
    v[QStringLiteral("sessionExerciseType")] = session.exerciseType;
    v[QStringLiteral("sessionBorg")] = QString::number(session.borgRPE);
    v[QStringLiteral("sessionSymptoms")] = session.symptoms;
    v[QStringLiteral("sessionConclusion")] = session.conclusion;
    static const char *const phases[] = {"Basal", "IntraEx", "PostEx"};
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
        const Checkpoint c = session.checkpoint(phase);
        const QString prefix = QStringLiteral("checkpoint") + QLatin1String(phases[phase - 1]);
        v[prefix + QStringLiteral("HR")] = QString::number(c.heartRate);
        v[prefix + QStringLiteral("BP")] = QStringLiteral("%1/%2").arg(c.sysBP).arg(c.diaBP);
    }
    v[QStringLiteral("sessionEvents")] = eventsText(session);

    const QString recordingPath = session.recording() ? session.recording()->path() : QString();
    for (int e : markedEvents(session))
        m_strips.append({recordingPath, double(session.events[e].timeOffset), session.events[e].description,
                         session.startDateTime});
    engine().recordCounts().append(m_strips.size());
}

void SessionReport::reportValue(int record, const QString &name, QString &value, int)
{
    if (headerValue(name, value))
        return;
    if (name == QLatin1String("eventDescription"))
        value = stripLabel(record);
    else
        value = m_values.value(name);
}

void SessionReport::reportDrawing(int record, const QString &name, QPainter *painter, const QRect &bounds, int)
{
    if (drawLogo(name, painter, bounds))
        return;
    if (name == QLatin1String("ecgGraphic/event"))
        drawStrip(painter, bounds, record);
}
