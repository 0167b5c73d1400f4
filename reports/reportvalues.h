#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QVector>

class MonitorSession;
struct PatientRecord;

// The arithmetic and texts of the two reports, free of painting and of the
// database, so that tests call them directly. Numbers are written with a
// decimal point whatever the user's locale.
namespace reportvalues {

// Age as every window shows it, on the day of `at`; empty when either date
// is unknown, rather than an age counted from year zero.
QString ageText(const QDate &birthDate, const QDate &at);

// Shortest general form with six significant digits: 72.5, 170, 0.
QString shortNumber(double value);
// Fixed notation with `decimals` decimals: 24.5, 0.0.
QString fixedNumber(double value, int decimals);

// One line "HH:mm description\r\n" per event of the session, marked for
// printing or not, the time being the session start plus the event offset.
QString eventsText(const MonitorSession &session);

// Indices of the session's events marked for printing, in event order.
QVector<int> markedEvents(const MonitorSession &session);

// An event shown as a strip in the summary report.
struct StripRef
{
    int session = 0; // index in the sessions list
    int event = 0;   // index in that session's events
};

// The marked events of the first session, then those of the last session
// when it is another one; sessions in between never give strips.
QVector<StripRef> summaryStrips(const QList<const MonitorSession *> &sessions);

// Means over all sessions of the values that were entered (above 0), each
// measure on its own; 0 for a measure no session has.
struct Averages
{
    double weight = 0.0, height = 0.0, abdomen = 0.0, bmi = 0.0, borg = 0.0;
    double heartRate[3] = {0.0, 0.0, 0.0}; // phases 1..3
    double systolic[3] = {0.0, 0.0, 0.0};
};
Averages averages(const QList<const MonitorSession *> &sessions);

// File names of the reports, without the folder: "last-first-yyyyMMddHHmmss.pdf"
// for a session, "last-first-yyyyMMdd.pdf" for a summary. Names are made safe
// with the same rule as the study files; a safe name stays as typed.
QString sessionReportFileName(const QString &lastName, const QString &firstName, const QDateTime &start);
QString summaryReportFileName(const QString &lastName, const QString &firstName, const QDate &lastSession);

} // namespace reportvalues
