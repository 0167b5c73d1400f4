#include "monitoring/monitorrules.h"

namespace MonitorRules {

GridShape gridShape(int maxPatients, double screenRatio)
{
    if (maxPatients <= 2)
        return {2, 1};
    if (maxPatients <= 4)
        return {2, 2};
    if (maxPatients <= 6)
        return screenRatio >= 1.5 ? GridShape{2, 3} : GridShape{3, 2};
    return {3, 3};
}

AlarmZone risingAlarmZone(double value, double low, double high)
{
    if (value == 0.0 || low == 0.0)
        return AlarmZone::None;
    if (value <= low)
        return AlarmZone::Normal;
    if (value <= high)
        return AlarmZone::Warning;
    return AlarmZone::Alarm;
}

AlarmZone fallingAlarmZone(double value, double low, double high)
{
    if (value == 0.0 || low == 0.0)
        return AlarmZone::None;
    if (value >= high)
        return AlarmZone::Normal;
    if (value >= low)
        return AlarmZone::Warning;
    return AlarmZone::Alarm;
}

QString alarmStyle(AlarmZone zone)
{
    switch (zone) {
    case AlarmZone::Normal:
        return QStringLiteral("background-color: lightgreen");
    case AlarmZone::Warning:
        return QStringLiteral("background-color: yellow");
    case AlarmZone::Alarm:
        return QStringLiteral("background-color: red");
    case AlarmZone::None:
        break;
    }
    return QString();
}

QPoint batteryMarkPosition(int ecgWidth, int markWidth, int currentY)
{
    return QPoint(ecgWidth - markWidth - 10, currentY);
}

QPoint linkMarkPosition(const QSize &ecgSize, const QSize &markSize)
{
    return QPoint(ecgSize.width() / 2 - markSize.width() / 2,
                  ecgSize.height() / 2 - markSize.height() / 2);
}

bool isBloodPressureAcceptable(int kind, int systolic, int diastolic)
{
    return kind >= 1 && kind <= 3 && diastolic >= 11 && systolic >= 11 && systolic > diastolic;
}

bool isSystolicComplete(int systolic)
{
    return systolic >= 36;
}

} // namespace MonitorRules
