#include "storage/safefilename.h"

#include <QStringList>

namespace {

bool isReservedDeviceName(const QString &name)
{
    static const QStringList fixed = {QStringLiteral("CON"), QStringLiteral("PRN"), QStringLiteral("AUX"),
                                      QStringLiteral("NUL"), QStringLiteral("CONIN$"), QStringLiteral("CONOUT$")};
    const QString upper = name.trimmed().toUpper();
    if (fixed.contains(upper))
        return true;
    return upper.size() == 4 && (upper.startsWith(QLatin1String("COM")) || upper.startsWith(QLatin1String("LPT")))
        && upper.at(3) >= QLatin1Char('1') && upper.at(3) <= QLatin1Char('9');
}

} // namespace

QString safeFileNamePart(const QString &name, int maxLength, int maxBytes)
{
    static const QString forbidden = QStringLiteral("/\\:*?\"<>|.");
    QString result;
    result.reserve(name.size());
    for (const QChar c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || forbidden.contains(c))
            result.append(QLatin1Char('_'));
        else
            result.append(c);
    }
    if (result.size() > maxLength) {
        int n = maxLength;
        if (n > 0 && result.at(n - 1).isHighSurrogate())
            --n;
        result.truncate(n);
    }
    // File systems count bytes: in UTF-8 accented letters take two, some
    // signs four.
    // Whole characters are dropped from the end until the name fits.
    while (result.toUtf8().size() > maxBytes) {
        const int n = result.size() >= 2 && result.at(result.size() - 1).isLowSurrogate()
                && result.at(result.size() - 2).isHighSurrogate()
            ? 2
            : 1;
        result.chop(n);
    }
    while (result.endsWith(QLatin1Char(' ')))
        result.replace(result.size() - 1, 1, QLatin1Char('_'));
    if (isReservedDeviceName(result))
        result.append(QLatin1Char('_'));
    return result;
}
