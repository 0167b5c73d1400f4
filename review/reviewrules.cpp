#include "review/reviewrules.h"

#include <QRegularExpression>

namespace ReviewRules {

int heartRateCell(const QString &text)
{
    return text.toInt();
}

bool readPressure(const QString &text, int &systolic, int &diastolic)
{
    static const QRegularExpression pair(QStringLiteral("(\\d+)/(\\d+)"));
    const QRegularExpressionMatch match = pair.match(text);
    systolic = match.hasMatch() ? match.captured(1).toInt() : 0;
    diastolic = match.hasMatch() ? match.captured(2).toInt() : 0;
    return match.hasMatch();
}

QString pressureCell(const QString &text)
{
    int systolic = 0, diastolic = 0;
    readPressure(text, systolic, diastolic);
    return QStringLiteral("%1/%2").arg(systolic).arg(diastolic);
}

QString measureText(double value)
{
    return value > 0.0 ? QString::number(value, 'g', 6) : QString();
}

double historyXMaximum(int sessionCount)
{
    return qMax(sessionCount, 20) + 0.5;
}

} // namespace ReviewRules
