#pragma once

#include "reports/reportproducer.h"
#include "reports/reportvalues.h"
#include "reports/sessionreportectopy.h"
#include "reports/sessionreportalarms.h"
#include "reports/sessionreportst.h"

#include <QString>
#include <QVector>

#include <memory>

class MonitorDatabase;
class MonitorSession;

// The PDF report of one monitoring session: the header, the patient and
// session data, the three blood-pressure checkpoints, the events, and an ECG
// strip for each event marked for printing. Events that the box of the
// first sheet cannot show follow in a list of every event after the strips.
// High-priority alarms get strips too (after the events'), and every alarm
// is listed in a table of its own.
class SessionReport : public ReportProducer
{
public:
    // Throws ReportError "Cannot load report resource file" or "Cannot get
    // patient data".
    SessionReport(MonitorDatabase &database, const MonitorSession &session);

    QString value(int record, const QString &name, int reportPage) const override;
    void draw(int record, const QString &name, QPainter &painter, const QRect &bounds, int reportPage) override;

private:
    QVector<reportvalues::ListedEvent> m_events;
    // The ventricular ectopy section, and the strip that shows its longest run.
    std::unique_ptr<SessionReportEctopy> m_ectopy;
    int m_runStrip = -1;
    // The ST segment section with its median beats.
    std::unique_ptr<SessionReportSt> m_st;
    int m_afStrip = -1;
    QMap<QString, QString> m_rhythmValues;
    SessionReportAlarms m_alarms;
};
