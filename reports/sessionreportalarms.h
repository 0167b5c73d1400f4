#pragma once

#include <QString>
#include <QVector>

class MonitorSession;
class ReportTemplate;
struct LoggedAlarm;

namespace reportvalues {

// An alarm as the session report's alarm table prints it.
struct ListedAlarm
{
    QString clock;    // onset, "HH:mm:ss"
    QString elapsed;  // onset as time since the start
    QString priority; // "Alta", "Media", "Baja"
    QString text;
    QString acknowledged, ended; // "HH:mm:ss", or a dash when it never was
};

// "Alta", "Media", "Baja" for the logged priority names; another name as it is.
QString alarmPriorityText(const QString &priority);
// The alarm's text in the report's language, rebuilt from its condition and
// the numbers of the text the station showed (the same numbers in every
// language); the stored text as it is for a condition the report has no text
// for, or whose stored text does not hold the numbers that text needs.
QString alarmReportText(const LoggedAlarm &alarm);
// Every alarm of the session in order of onset; past MaxListedEvents a last
// row without times says how many are left out.
QVector<ListedAlarm> alarmList(const MonitorSession &session);

} // namespace reportvalues

// The session report's alarms: the table of every alarm on the template's
// report page that prints "[alarmText]", continuing over as many sheets as it
// needs, and an ECG strip around the onset of each high-priority alarm. A
// session without alarms leaves the table out.
class SessionReportAlarms
{
public:
    // A high-priority alarm begins once its cause has lasted a while (no beat
    // for 4 s): its strip starts this long before the onset, so that it
    // shows the cause and not only what followed.
    static constexpr double AlarmStripLeadSeconds = 4.0;

    SessionReportAlarms(const MonitorSession &session, const ReportTemplate &layout);

    struct Strip
    {
        double onset = 0.0; // seconds from the start of the recording
        QString label;
    };
    const QVector<Strip> &strips() const { return m_strips; }

    // Gives the table's report page its record count, one per row.
    void setRecordCount(QVector<int> &recordCounts) const;
    // The texts of the table's names for row `record`; false for other names
    // or pages.
    bool value(int record, const QString &name, int reportPage, QString &value) const;

private:
    QVector<reportvalues::ListedAlarm> m_rows;
    QVector<Strip> m_strips;
    int m_tablePage = -1; // report page of the table; -1 when the template has none
};
