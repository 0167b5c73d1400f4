#include "storage/loggedalarms.h"

#include <QHash>

#include <cmath>

namespace {

// A stamp from a damaged file is brought within what a session can hold, so
// that clocks and positions computed from it stay defined.
double saneOffset(double seconds)
{
    return std::isfinite(seconds) ? qBound(0.0, seconds, MaxAlarmOffset) : 0.0;
}

} // namespace

QVector<LoggedAlarm> loggedAlarms(const QVector<AlarmLogEntry> &log)
{
    QVector<LoggedAlarm> alarms;
    QHash<QString, int> latest; // condition -> index of its latest alarm
    for (const AlarmLogEntry &entry : log) {
        if (entry.kind == AlarmLogEntry::Onset) {
            latest.insert(entry.condition, alarms.size());
            alarms.append({saneOffset(entry.timeOffset), std::nullopt, std::nullopt, entry.condition, entry.priority, entry.text});
            continue;
        }
        const auto found = latest.constFind(entry.condition);
        if (found == latest.constEnd())
            continue;
        LoggedAlarm &alarm = alarms[found.value()];
        std::optional<double> &stamp = entry.kind == AlarmLogEntry::Acknowledged ? alarm.acknowledged : alarm.ended;
        if (!stamp)
            stamp = saneOffset(entry.timeOffset);
    }
    return alarms;
}
