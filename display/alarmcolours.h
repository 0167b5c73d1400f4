#pragma once

#include <QColor>
#include <QString>

// The colours of an alarm's priority wherever an alarm is shown: the
// patient's banner, the monitoring window's alarm line and audio pause, the
// review's alarm list. Text on its background is readable (contrast of at
// least 4.5:1).
struct AlarmColours
{
    QColor background;
    QColor text;
};

// By the logged priority name ("high", "medium", "low"); invalid colours for
// any other name.
AlarmColours alarmColours(const QString &priority);

// "background-color: …; color: …;" for a style sheet; empty for another name.
QString alarmStyleSheet(const QString &priority);
