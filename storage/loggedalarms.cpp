#include "storage/loggedalarms.h"

#include <QHash>

QVector<LoggedAlarm> loggedAlarms(const QVector<AlarmLogEntry> &log)
{
    QVector<LoggedAlarm> alarms;
    QHash<QString, int> latest; // condition -> index of its latest alarm
    for (const AlarmLogEntry &entry : log) {
        if (entry.kind == AlarmLogEntry::Onset) {
            latest.insert(entry.condition, alarms.size());
            alarms.append({entry.timeOffset, std::nullopt, std::nullopt, entry.condition, entry.priority, entry.text});
            continue;
        }
        const auto found = latest.constFind(entry.condition);
        if (found == latest.constEnd())
            continue;
        LoggedAlarm &alarm = alarms[found.value()];
        std::optional<double> &stamp = entry.kind == AlarmLogEntry::Acknowledged ? alarm.acknowledged : alarm.ended;
        if (!stamp)
            stamp = entry.timeOffset;
    }
    return alarms;
}
