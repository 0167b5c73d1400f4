#pragma once

#include <QPoint>
#include <QSize>
#include <QString>

// Arithmetic and rules of the live monitoring panels, kept free of widgets so
// that tests can check them directly.
namespace MonitorRules {

// Rows and columns of the monitoring grid for a number of patient places and
// the screen's width / height ratio.
struct GridShape
{
    int rows = 0;
    int columns = 0;
};
GridShape gridShape(int maxPatients, double screenRatio);

// Readout zones. HR and temperature alarm upwards (green up to low, yellow up
// to high, red above); SpO2 alarms downwards (green from high, yellow from
// low, red below). A value of 0 or an unset low limit (0) shows no zone.
enum class AlarmZone { None, Normal, Warning, Alarm };
AlarmZone risingAlarmZone(double value, double low, double high);
AlarmZone fallingAlarmZone(double value, double low, double high);
QString alarmStyle(AlarmZone zone);

// Low-battery mark: right edge of the ECG, 10 px in, same height as before.
QPoint batteryMarkPosition(int ecgWidth, int markWidth, int currentY);
// Lost-link mark: centred on the ECG.
QPoint linkMarkPosition(const QSize &ecgSize, const QSize &markSize);

// Blood-pressure reading: acceptable with a phase chosen (1..3), both values
// at least 11 and systolic above diastolic.
bool isBloodPressureAcceptable(int kind, int systolic, int diastolic);
// Two systolic digits from 36 up are taken as complete.
bool isSystolicComplete(int systolic);

} // namespace MonitorRules
