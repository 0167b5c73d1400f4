#include "reports/sessionreportalarms.h"

#include "reports/reporttemplate.h"
#include "reports/reportvalues.h"
#include "storage/loggedalarms.h"
#include "storage/monitorsession.h"

#include <QRegularExpression>

#include <cmath>

namespace reportvalues {

namespace {

const QString NotHappened = QStringLiteral("\u2014");

QString clockText(const QDateTime &start, double offset)
{
    return start.addMSecs(std::llround(offset * 1000.0)).toString(QStringLiteral("HH:mm:ss"));
}

QString clockText(const QDateTime &start, std::optional<double> offset)
{
    return offset ? clockText(start, *offset) : NotHappened;
}

} // namespace

QString alarmPriorityText(const QString &priority)
{
    if (priority == QLatin1String("high"))
        return QStringLiteral("Alta");
    if (priority == QLatin1String("medium"))
        return QStringLiteral("Media");
    if (priority == QLatin1String("low"))
        return QStringLiteral("Baja");
    return priority;
}

QString alarmReportText(const LoggedAlarm &alarm)
{
    // The report's text of each condition, by the name the log keeps.
    struct Form
    {
        const char *condition;
        const char *text;
        int numbers; // how many %n it takes from the stored text, in order
    };
    static const Form forms[] = {
        {"asystole", "ASISTOLIA", 0},
        {"hrHigh", "FC %1 > %2", 2},
        {"hrCaution", "FC %1 > %2", 2},
        {"hrLow", "FC %1 < %2", 2},
        {"linkLost", "Enlace perdido", 0},
        {"checkElectrodes", "Revise los electrodos", 0},
        {"lowBattery", "Batería baja", 0},
        {"ventricularTachycardia", "TV %1 latidos %2 lpm", 2},
        {"couplet", "Duplete", 0},
        {"frequentPvcs", "EV %1/min", 1},
    };
    // The storage's reason, after the colon, is kept in the language it was told in.
    if (alarm.condition == QLatin1String("recordingStopped")) {
        const int colon = alarm.text.indexOf(QLatin1String(": "));
        return colon < 0 ? QStringLiteral("Grabación detenida")
                         : QStringLiteral("Grabación detenida: %1").arg(alarm.text.mid(colon + 2));
    }
    for (const Form &form : forms) {
        if (alarm.condition != QLatin1String(form.condition))
            continue;
        static const QRegularExpression number(QStringLiteral("\\d+"));
        QStringList numbers;
        for (QRegularExpressionMatchIterator it = number.globalMatch(alarm.text); it.hasNext();)
            numbers << it.next().captured();
        if (numbers.size() != form.numbers)
            break;
        QString text = QString::fromUtf8(form.text);
        for (const QString &n : qAsConst(numbers))
            text = text.arg(n);
        return text;
    }
    return alarm.shownText();
}

QVector<ListedAlarm> alarmList(const MonitorSession &session)
{
    const QVector<LoggedAlarm> alarms = loggedAlarms(session.alarmLog);
    const int listed = qMin(alarms.size(), MaxListedEvents);
    QVector<ListedAlarm> rows;
    rows.reserve(listed + 1);
    for (int i = 0; i < listed; ++i) {
        const LoggedAlarm &a = alarms[i];
        rows.append({clockText(session.startDateTime, a.onset), elapsedText(qint64(std::floor(a.onset))),
                     alarmPriorityText(a.priority), alarmReportText(a), clockText(session.startDateTime, a.acknowledged),
                     clockText(session.startDateTime, a.ended)});
    }
    if (listed < alarms.size()) {
        ListedAlarm rest;
        rest.text = QStringLiteral("\u2026 Alarmas no impresas en este informe: %1").arg(alarms.size() - listed);
        rows.append(rest);
    }
    return rows;
}

} // namespace reportvalues

using namespace reportvalues;

SessionReportAlarms::SessionReportAlarms(const MonitorSession &session, const ReportTemplate &layout)
    : m_rows(alarmList(session))
{
    for (const LoggedAlarm &alarm : loggedAlarms(session.alarmLog)) {
        if (alarm.priority != QLatin1String("high"))
            continue;
        const double start = qMax(0.0, alarm.onset - AlarmStripLeadSeconds);
        m_strips.append({start, QStringLiteral("Alarma alta %1 - %2 (tira desde %3)")
                                    .arg(clockText(session.startDateTime, alarm.onset), alarmReportText(alarm),
                                         clockText(session.startDateTime, start))});
    }
    const QVector<ReportPageLayout> &pages = layout.pages();
    for (int p = 0; p < pages.size() && m_tablePage < 0; ++p) {
        const ReportBand *data = pages[p].band(BandType::MasterData);
        if (!data)
            continue;
        for (const ReportField &field : data->fields)
            if (field.value.contains(QLatin1String("[alarmText]")))
                m_tablePage = p;
    }
}

void SessionReportAlarms::setRecordCount(QVector<int> &recordCounts) const
{
    if (m_tablePage < 0 || m_rows.isEmpty())
        return;
    if (recordCounts.size() <= m_tablePage)
        recordCounts.resize(m_tablePage + 1);
    recordCounts[m_tablePage] = m_rows.size();
}

bool SessionReportAlarms::value(int record, const QString &name, int reportPage, QString &value) const
{
    if (reportPage != m_tablePage || !name.startsWith(QLatin1String("alarm")))
        return false;
    if (record < 0 || record >= m_rows.size()) {
        value.clear();
        return true;
    }
    const ListedAlarm &row = m_rows[record];
    if (name == QLatin1String("alarmTime"))
        value = row.clock;
    else if (name == QLatin1String("alarmElapsed"))
        value = row.elapsed;
    else if (name == QLatin1String("alarmPriority"))
        value = row.priority;
    else if (name == QLatin1String("alarmText"))
        value = row.text;
    else if (name == QLatin1String("alarmAcknowledged"))
        value = row.acknowledged;
    else if (name == QLatin1String("alarmEnded"))
        value = row.ended;
    else
        return false;
    return true;
}
