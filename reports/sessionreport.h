#pragma once

#include "reports/reportproducer.h"
#include "reports/reportvalues.h"

#include <QString>
#include <QVector>

class MonitorDatabase;
class MonitorSession;

// The PDF report of one monitoring session: the header, the patient and
// session data, the three blood-pressure checkpoints, the events, and an ECG
// strip for each event marked for printing. Events that the box of the
// first sheet cannot show follow in a list of every event after the strips.
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
};
