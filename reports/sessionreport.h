#pragma once

#include "reports/reportproducer.h"

#include <QString>
#include <QVector>

class MonitorDatabase;
class MonitorSession;

// The PDF report of one monitoring session: the header, the patient and
// session data, the three blood-pressure checkpoints, every event, and an ECG
// strip for each event marked for printing.
class SessionReport : public ReportProducer
{
    Q_OBJECT

public:
    // Throws ReportError "Cannot load report resource file" or "Cannot get
    // patient data".
    SessionReport(MonitorDatabase &database, const MonitorSession &session, QObject *parent = nullptr);

protected slots:
    void reportValue(int record, const QString &name, QString &value, int reportPage) override;
    void reportDrawing(int record, const QString &name, QPainter *painter, const QRect &bounds,
                       int reportPage) override;
};
