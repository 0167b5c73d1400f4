#pragma once

#include "reports/reportproducer.h"
#include "storage/sessionhistory.h"

#include <QList>
#include <QString>
#include <QVector>

class MonitorDatabase;
class MonitorSession;

// The PDF report of a patient's whole course: an overview with the averages
// of all sessions, attendance and five history graphs; a table with one row
// per session (an absent session is printed as absent); and the ECG strips
// marked in the first and last sessions that have a recording.
class SummaryReport : public ReportProducer
{
public:
    // `sessions`: all sessions of the patient in ascending session number.
    // Throws ReportError "Cannot load report resource file" or "Cannot get
    // patient data".
    SummaryReport(MonitorDatabase &database, int patientId, const QList<const MonitorSession *> &sessions);

    QString value(int record, const QString &name, int reportPage) const override;
    void draw(int record, const QString &name, QPainter &painter, const QRect &bounds, int reportPage) override;

private:
    struct Row
    {
        int sessionNumber = 0;
        bool present = true;
        int heartRate[3] = {0, 0, 0};
        int systolic[3] = {0, 0, 0};
        int diastolic[3] = {0, 0, 0};
    };

    void drawHistory(const QString &name, QPainter *painter, const QRect &bounds) const;

    QVector<Row> m_rows;
    SessionHistory m_history;
    int m_sessionCount = 0;
};
