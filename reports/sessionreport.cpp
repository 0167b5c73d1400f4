#include "reports/sessionreport.h"

#include "reports/reporterror.h"
#include "reports/sessionreportrhythm.h"
#include "reports/signalgraphic.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/sessionhistory.h"

#include <QCoreApplication>
#include <QPainter>

using namespace reportvalues;

SessionReport::SessionReport(MonitorDatabase &database, const MonitorSession &session)
    : ReportProducer(QStringLiteral(":/res/sessionreport1.xml"))
    , m_alarms(session, engine().layout())
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
    v[QStringLiteral("sessionBMI")] = fixedNumber(RecordRules::bodyMassIndex(session.weight, session.height), 1);
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
    v[QStringLiteral("sessionEvents")] = eventsBoxText(session);

    const QString recordingPath = session.recording() ? session.recording()->path() : QString();
    for (int e : markedEvents(session))
        m_strips.append({recordingPath, double(session.events[e].timeOffset), session.events[e].description,
                         session.startDateTime});
    for (const SessionReportAlarms::Strip &strip : m_alarms.strips())
        m_strips.append({recordingPath, strip.onset, strip.label, session.startDateTime});
    m_events = eventList(session);
    engine().recordCounts() << m_strips.size() << m_events.size();
    // After the count: the run's strip is drawn by the ectopy section, never
    // as an event strip.
    m_ectopy = std::make_unique<SessionReportEctopy>(hasRecording(session) ? recordingPath : QString(),
                                                     session.startDateTime, session.pvcTrend);
    m_st = std::make_unique<SessionReportSt>(hasRecording(session) ? recordingPath : QString(), session.startDateTime,
                                             session.stTrend.liveSettings());
    m_runStrip = m_strips.size();
    m_strips.append({recordingPath, 0.0, QString(), session.startDateTime});
    // The first AF onset's strip is drawn by the rhythm section, likewise.
    m_rhythmValues = rhythmValues(session.rhythmAnalysed, session.rhythmEpisodes, session.hrTrend,
                                  session.startDateTime);
    m_afStrip = m_strips.size();
    m_strips.append({recordingPath, hasRecording(session) ? firstAfStripStart(session.rhythmEpisodes) : -1.0,
                     QString(), session.startDateTime});
    m_alarms.setRecordCount(engine().recordCounts());
}

QString SessionReport::value(int record, const QString &name, int reportPage) const
{
    QString value;
    if (headerValue(name, value) || m_ectopy->value(name, value) || m_st->value(name, value))
        return value;
    if (m_rhythmValues.contains(name))
        return m_rhythmValues.value(name);
    if (m_alarms.value(record, name, reportPage, value))
        return value;
    if (reportPage == 1 && record >= 0 && record < m_events.size()) {
        const ListedEvent &event = m_events[record];
        if (name == QLatin1String("eventTime"))
            return event.clock;
        if (name == QLatin1String("eventElapsed"))
            return event.elapsed;
        if (name == QLatin1String("eventDescription"))
            return event.description;
    }
    if (name == QLatin1String("eventDescription"))
        return reportPage == 0 ? stripLabel(record) : QString();
    return m_values.value(name);
}

void SessionReport::draw(int record, const QString &name, QPainter &painter, const QRect &bounds, int)
{
    if (drawLogo(name, &painter, bounds) || m_st->draw(name, painter, bounds))
        return;
    if (name == QLatin1String("ecgGraphic/event"))
        drawStrip(&painter, bounds, record);
    if (name == QLatin1String("ecgGraphic/longestRun") && m_ectopy->longestRunStripStart() >= 0.0) {
        m_strips[m_runStrip].offset = m_ectopy->longestRunStripStart();
        drawStrip(&painter, bounds, m_runStrip);
        // Framed like the event strips; a session without a run leaves no empty frame.
        painter.setPen(QPen(Qt::black, 0.25 * devicePixelsPerMmX(painter.device())));
        painter.drawRect(QRectF(bounds).adjusted(0, 0, -1, -1));
    }
    if (name == QLatin1String("ecgGraphic/firstAf") && m_strips[m_afStrip].offset >= 0.0) {
        drawStrip(&painter, bounds, m_afStrip);
        painter.setPen(QPen(Qt::black, 0.25 * devicePixelsPerMmX(painter.device())));
        painter.drawRect(QRectF(bounds).adjusted(0, 0, -1, -1));
    }
}
