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

// The session report's events box shows at most this many lines; a session
// with more events, or with a description that may not fit on one line of
// the box, gets the full list of its events after the strips as well.
constexpr int EventsInBox = 12;
constexpr int BoxDescriptionLength = 40;
// The longest event list printed; a last line tells how many are left out.
constexpr int MaxListedEvents = 5000;

// The events box: one line "HH:mm description\r\n" per event, marked for
// printing or not, the time being the session start plus the event offset.
// With more than EventsInBox events the last line says how many more the
// event list holds instead.
QString eventsBoxText(const MonitorSession &session);

// Time since the start of the session: "mm:ss", or "h:mm:ss" from an hour on.
QString elapsedText(qint64 seconds);

// An event as the event list prints it.
struct ListedEvent
{
    QString clock;   // "HH:mm:ss"
    QString elapsed; // elapsedText of its offset
    QString description;
};
// The rows of the event list (none when the box holds every event); past
// MaxListedEvents a last row without times says how many are left out.
QVector<ListedEvent> eventList(const MonitorSession &session);

// Indices of the session's events marked for printing, in event order.
QVector<int> markedEvents(const MonitorSession &session);

// An event shown as a strip in the summary report.
struct StripRef
{
    int session = 0; // index in the sessions list
    int event = 0;   // index in that session's events
};

// Whether the session has a recording with samples (an absent session has
// only the header of one).
bool hasRecording(const MonitorSession &session);

// The marked events of the first session with a recording, then those of the
// last session with a recording when it is another one; sessions in between
// never give strips.
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
