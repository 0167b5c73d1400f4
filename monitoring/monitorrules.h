#pragma once

#include <QDate>
#include <QDateTime>
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

// The number the text starts with ("." as decimal point), 0 when it does not
// start with one: "70,5" gives 70, "abc" gives 0.
double leadingNumber(const QString &text);
// A whole text read as a finite number, 0 when it is not one.
double measureValue(const QString &text);
// A measurement field is valid when empty or holding a number above 0.
bool isValidMeasure(const QString &text);
// Body-mass index from the weight (kg) and height (cm) texts with one
// decimal; empty when the height does not give a positive number.
QString bmiText(const QString &weightText, const QString &heightText);

// Age as whole years between the birth year and the current year; empty for an
// invalid birth date.
QString ageText(const QDate &birthDate, const QDate &today);

// Events list line: "HH:mm description" at the event's wall-clock time.
QString eventLine(const QDateTime &sessionStart, int timeOffset, const QString &description);

// Module battery is low above 0 V and below 2.2 V (0 means no reading).
bool isBatteryLow(double voltage);
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
