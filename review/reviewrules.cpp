#include "review/reviewrules.h"

#include <QRegularExpression>

namespace ReviewRules {

namespace {

// The whole number of a captured group; false when it does not fit.
bool readNumber(const QRegularExpressionMatch &match, int group, int &value)
{
    bool ok = false;
    const int read = match.captured(group).toInt(&ok);
    if (ok)
        value = read;
    return ok;
}

} // namespace

bool readHeartRate(const QString &text, int &heartRate)
{
    if (text.trimmed().isEmpty()) {
        heartRate = 0;
        return true;
    }
    static const QRegularExpression number(QStringLiteral("^\\D*(\\d+)\\D*$"));
    return readNumber(number.match(text), 1, heartRate);
}

bool readPressure(const QString &text, int &systolic, int &diastolic)
{
    if (text.trimmed().isEmpty()) {
        systolic = diastolic = 0;
        return true;
    }
    static const QRegularExpression pair(QStringLiteral("^\\D*?(\\d+)\\s*/\\s*(\\d+)\\D*$"));
    const QRegularExpressionMatch match = pair.match(text);
    int first = 0, second = 0;
    if (!readNumber(match, 1, first) || !readNumber(match, 2, second))
        return false;
    systolic = first;
    diastolic = second;
    return true;
}

} // namespace ReviewRules
