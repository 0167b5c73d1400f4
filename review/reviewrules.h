#pragma once

#include <QString>

// Rules of the review window's fields, kept free of widgets so that tests
// can check them directly.
namespace ReviewRules {

// A heart-rate cell read as a decimal integer; text that is not one reads 0.
int heartRateCell(const QString &text);
// The first "systolic/diastolic" pair in the text, with the slash touching
// both numbers; false (and 0, 0) when there is none.
bool readPressure(const QString &text, int &systolic, int &diastolic);
// A pressure cell rewritten as "systolic/diastolic" ("0/0" when unreadable).
QString pressureCell(const QString &text);

// A stored measurement as shown: shortest form with 6 significant digits,
// empty when not above 0.
QString measureText(double value);

// Lower end of the x range of the history plots is 0.5; the upper end
// keeps room for at least 20 sessions so that a short history is not
// stretched.
double historyXMaximum(int sessionCount);

} // namespace ReviewRules
