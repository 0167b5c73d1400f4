#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>

// The values every window and report derives from the patient and session
// records, and how measurements are read from what the user types: one rule
// each, so that the screen and the paper always agree.
namespace RecordRules {

// Completed years from the birth date to `on` (one less until the birthday
// has come that year); negative for a birth after `on`.
int ageInYears(const QDate &birthDate, const QDate &on);
// The age as shown: empty when either date is unknown or the birth is later.
QString ageText(const QDate &birthDate, const QDate &on);

// Weight (kg) / (height (cm) / 100)^2; 0 unless both are above 0.
double bodyMassIndex(double weightKg, double heightCm);
// The index of the two typed measurements with one decimal; empty unless
// both read as numbers above 0.
QString bmiText(const QString &weightText, const QString &heightText);

// A whole text (blanks around it allowed) read as a finite decimal number,
// with a point or a comma before the decimals ("80.5", "80,5"). False for
// anything else, "1,000.5" and "inf" included.
bool readDecimal(const QString &text, double &value);
// A typed measurement; 0 when the text is not a number.
double measureValue(const QString &text);
// A measurement field is valid when empty or holding a number above 0.
bool isValidMeasure(const QString &text);
// A stored measurement as shown: shortest form with 6 significant digits,
// empty when not above 0.
QString measureText(double value);

// Wall-clock time of an event: the session start plus its offset, "HH:mm",
// or "HH:mm:ss" with seconds.
QString eventTime(const QDateTime &sessionStart, int timeOffset, bool withSeconds = false);
// One line of an events list: "HH:mm description".
QString eventLine(const QDateTime &sessionStart, int timeOffset, const QString &description);

} // namespace RecordRules
