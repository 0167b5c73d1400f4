#include "storage/alarmlog.h"

#include <QJsonObject>

namespace {

const char *const KindNames[] = {"onset", "ack", "end"};

} // namespace

bool AlarmLogEntry::operator==(const AlarmLogEntry &other) const
{
    return timeOffset == other.timeOffset && kind == other.kind && condition == other.condition
        && priority == other.priority && text == other.text;
}

QString AlarmLogEntry::kindName(Kind kind)
{
    return QLatin1String(KindNames[kind]);
}

bool AlarmLogEntry::kindFromName(const QString &name, Kind &kind)
{
    for (Kind candidate : {Onset, Acknowledged, End}) {
        if (name == QLatin1String(KindNames[candidate])) {
            kind = candidate;
            return true;
        }
    }
    return false;
}

QJsonArray alarmLogJson(const QVector<AlarmLogEntry> &log)
{
    QJsonArray array;
    for (const AlarmLogEntry &entry : log) {
        QJsonObject o;
        o.insert(QStringLiteral("timeOffset"), entry.timeOffset);
        o.insert(QStringLiteral("kind"), AlarmLogEntry::kindName(entry.kind));
        o.insert(QStringLiteral("condition"), entry.condition);
        o.insert(QStringLiteral("priority"), entry.priority);
        o.insert(QStringLiteral("text"), entry.text);
        array.append(o);
    }
    return array;
}

QVector<AlarmLogEntry> alarmLogFromJson(const QJsonArray &array)
{
    QVector<AlarmLogEntry> log;
    for (const QJsonValue &value : array) {
        const QJsonObject o = value.toObject();
        AlarmLogEntry entry;
        if (!AlarmLogEntry::kindFromName(o.value(QStringLiteral("kind")).toString(), entry.kind))
            continue;
        entry.timeOffset = o.value(QStringLiteral("timeOffset")).toDouble(0.0);
        entry.condition = o.value(QStringLiteral("condition")).toString();
        entry.priority = o.value(QStringLiteral("priority")).toString();
        entry.text = o.value(QStringLiteral("text")).toString();
        log.append(entry);
    }
    return log;
}
