#pragma once

#include <QString>

// How the review's checkpoint cells read what was typed into them, kept free
// of widgets so that tests can check them directly. An empty cell reads as
// no reading (0); anything that is not a reading is refused (false), never
// taken as 0.
namespace ReviewRules {

// One whole number, with any text but no other digit around it ("95",
// "95 bpm").
bool readHeartRate(const QString &text, int &heartRate);
// "systolic/diastolic", blanks allowed round the slash, with any text but no
// other digit around it ("120/80", "120 / 80 mmHg").
bool readPressure(const QString &text, int &systolic, int &diastolic);

} // namespace ReviewRules
