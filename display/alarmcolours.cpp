#include "display/alarmcolours.h"

AlarmColours alarmColours(const QString &priority)
{
    if (priority == QLatin1String("high"))
        return {QColor(220, 0, 0), Qt::white};
    if (priority == QLatin1String("medium"))
        return {QColor(255, 221, 0), Qt::black};
    if (priority == QLatin1String("low"))
        return {QColor(0, 220, 235), Qt::black};
    return {};
}

QString alarmStyleSheet(const QString &priority)
{
    const AlarmColours c = alarmColours(priority);
    if (!c.background.isValid())
        return QString();
    return QStringLiteral("background-color: %1; color: %2;").arg(c.background.name(), c.text.name());
}
