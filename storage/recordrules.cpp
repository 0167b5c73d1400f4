#include "storage/recordrules.h"

#include <cmath>

namespace RecordRules {

int ageInYears(const QDate &birthDate, const QDate &on)
{
    int age = on.year() - birthDate.year();
    if (on.month() < birthDate.month() || (on.month() == birthDate.month() && on.day() < birthDate.day()))
        --age;
    return age;
}

QString ageText(const QDate &birthDate, const QDate &on)
{
    if (!birthDate.isValid() || !on.isValid())
        return QString();
    const int age = ageInYears(birthDate, on);
    return age >= 0 ? QString::number(age) : QString();
}

double bodyMassIndex(double weightKg, double heightCm)
{
    if (!(weightKg > 0.0) || !(heightCm > 0.0))
        return 0.0;
    const double metres = heightCm * 0.01;
    return weightKg / (metres * metres);
}

QString bmiText(const QString &weightText, const QString &heightText)
{
    const double bmi = bodyMassIndex(measureValue(weightText), measureValue(heightText));
    return bmi > 0.0 ? QString::number(bmi, 'f', 1) : QString();
}

bool readDecimal(const QString &text, double &value)
{
    QString number = text.trimmed();
    // A decimal comma is read like a point; a comma beside a point is a
    // thousands separator, which no measurement needs.
    if (number.count(QLatin1Char(',')) == 1 && !number.contains(QLatin1Char('.')))
        number.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double read = number.toDouble(&ok);
    if (!ok || !std::isfinite(read))
        return false;
    value = read;
    return true;
}

double measureValue(const QString &text)
{
    double value = 0.0;
    return readDecimal(text, value) ? value : 0.0;
}

bool isValidMeasure(const QString &text)
{
    return text.isEmpty() || measureValue(text) > 0.0;
}

QString measureText(double value)
{
    return value > 0.0 ? QString::number(value, 'g', 6) : QString();
}

QString eventTime(const QDateTime &sessionStart, int timeOffset, bool withSeconds)
{
    return sessionStart.addSecs(timeOffset).toString(withSeconds ? QStringLiteral("HH:mm:ss")
                                                                 : QStringLiteral("HH:mm"));
}

QString eventLine(const QDateTime &sessionStart, int timeOffset, const QString &description)
{
    return QStringLiteral("%1 %2").arg(eventTime(sessionStart, timeOffset), description);
}

} // namespace RecordRules
