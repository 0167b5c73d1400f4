#pragma once

#include <QJsonArray>
#include <QString>
#include <QVector>

// One line of a session's alarm log: the onset, acknowledgement or end of one
// alarm. Kept in the study file under "alarms"; a file without that key
// holds no alarms.
struct AlarmLogEntry
{
    enum Kind { Onset, Acknowledged, End };

    double timeOffset = 0.0;   // seconds from the session's start, to 0.1 s
    Kind kind = Onset;
    QString condition;         // stable name, e.g. "asystole", "hrHigh"
    QString priority;          // "high", "medium" or "low"
    QString text;              // as the banner showed it at the onset, e.g. "HR 182 > 170"

    bool operator==(const AlarmLogEntry &other) const;

    // "onset", "ack", "end"; the kind of a name, false for any other name.
    static QString kindName(Kind kind);
    static bool kindFromName(const QString &name, Kind &kind);
};

QJsonArray alarmLogJson(const QVector<AlarmLogEntry> &log);
// Entries whose kind is unknown, or that are not objects, are left out: they
// do not come from this station.
QVector<AlarmLogEntry> alarmLogFromJson(const QJsonArray &array);
