#pragma once

#include "reports/reportproducer.h"
#include "reports/summaryreportectopy.h"
#include "storage/sessionhistory.h"

#include <QList>
#include <QString>
#include <QVector>

#include <memory>

class MonitorDatabase;
class MonitorSession;
class PatientCourse;
struct SessionInfo;

// The PDF report of a patient's whole course: an overview with the averages
// of all sessions, attendance and five history graphs; a table with one row
// per session (an absent session is printed as absent); and the ECG strips
// marked in the first and last sessions that have a recording.
class SummaryReport : public ReportProducer
{
public:
    // `sessions`: the patient's sessions that could be read, in ascending
    // session number; `unreadable`: the index rows of those whose study file
    // could not be read. These are counted, listed in the table and named on
    // the first sheet, so that nothing is left out without a word.
    // Throws ReportError "Cannot load report resource file" or "Cannot get
    // patient data".
    SummaryReport(MonitorDatabase &database, int patientId, const QList<const MonitorSession *> &sessions,
                  const QList<SessionInfo> &unreadable = {});
    SummaryReport(MonitorDatabase &database, const PatientCourse &course);

    QString value(int record, const QString &name, int reportPage) const override;
    void draw(int record, const QString &name, QPainter &painter, const QRect &bounds, int reportPage) override;

private:
    struct Row
    {
        int sessionNumber = 0;
        bool present = true;
        QString unreadDate;       // set for a session that could not be read
        int heartRate[3] = {0, 0, 0};
        int systolic[3] = {0, 0, 0};
        int diastolic[3] = {0, 0, 0};
        QString stLargest;        // the largest ST change in mm; "---" when not analysed
        QString afBurden;
    };

    void drawHistory(const QString &name, QPainter *painter, const QRect &bounds) const;

    QVector<Row> m_rows;
    SessionHistory m_history;
    int m_sessionCount = 0;
    std::unique_ptr<SummaryReportEctopy> m_ectopy;
};
