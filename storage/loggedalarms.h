#pragma once

#include "storage/alarmlog.h"

#include <QString>
#include <QVector>

#include <optional>

// One alarm of a session as its log tells it: when it began, when the
// clinician acknowledged it and when its condition ended.
struct LoggedAlarm
{
    double onset = 0.0;                 // seconds from the session's start
    std::optional<double> acknowledged; // none when never acknowledged
    std::optional<double> ended;        // none when the log stops while it is active
    QString condition;
    QString priority; // "high", "medium" or "low" as logged
    QString text;     // as the banner showed it at the onset

    // The logged text, or the condition's name when a log holds no text.
    QString shownText() const { return text.isEmpty() ? condition : text; }
};

// The longest offset an alarm is given, in seconds (a year).
constexpr double MaxAlarmOffset = 365.0 * 24 * 3600;

// The alarms of a log in order of onset. An acknowledgement or end belongs to
// the latest alarm of its condition that has none yet (a high-priority alarm
// may be acknowledged after it ended); one without such an alarm is left out.
// Offsets of a damaged file are brought within 0 .. MaxAlarmOffset.
QVector<LoggedAlarm> loggedAlarms(const QVector<AlarmLogEntry> &log);
