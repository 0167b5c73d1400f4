#include "plotscale.h"

#include <QByteArray>
#include <QDateTime>

#include <cctype>
#include <cmath>

namespace plotscale {

double toPixel(double value, double min, double max, int from, int to)
{
    return std::trunc((value - min) * (to - from) / (max - min) + 0.5) + from;
}

double toValue(double pixel, double min, double max, int from, int to)
{
    if (to == from)
        return min;
    return min + (pixel - from) * (max - min) / (to - from);
}

double automaticStep(double r)
{
    if (!(r > 0.0) || !std::isfinite(r))
        return 0.0;
    double e = std::floor(std::log10(r));
    double m = r / std::pow(10.0, e);
    // log10 rounding may leave the mantissa just outside [1, 10).
    if (m >= 10.0) {
        m /= 10.0;
        e += 1.0;
    } else if (m < 1.0) {
        m *= 10.0;
        e -= 1.0;
    }
    const double mantissa = m <= 2.0 ? 2.0 : (m <= 5.0 ? 5.0 : 10.0);
    return mantissa * std::pow(10.0, e);
}

double automaticTimeStep(double r)
{
    static const double steps[] = {1, 5, 10, 30, 60, 300, 600, 1800, 3600};
    for (double s : steps)
        if (s >= r)
            return s;
    return 3600.0;
}

double gridSpacing(double step, double labelSize, double pixelsPerUnit)
{
    if (!(step > 0.0) || !(pixelsPerUnit > 0.0) || !std::isfinite(step * pixelsPerUnit))
        return 0.0;
    return (std::floor(labelSize / (step * pixelsPerUnit)) + 1.0) * step;
}

double firstGridValue(double min, double spacing)
{
    double v = std::floor(min / spacing) * spacing;
    if (v < min)
        v += spacing;
    return v;
}

bool isSafeDoubleFormat(const QString &format)
{
    const QByteArray f = format.toUtf8();
    int conversions = 0;
    for (int i = 0; i < f.size(); ++i) {
        if (f[i] != '%')
            continue;
        ++i;
        if (i < f.size() && f[i] == '%')
            continue;
        // flags, width, precision; no '*' (it would read an int argument)
        while (i < f.size() && QByteArray("-+ #0").contains(f[i]))
            ++i;
        while (i < f.size() && (std::isdigit(static_cast<unsigned char>(f[i])) || f[i] == '.'))
            ++i;
        if (i < f.size() && f[i] == 'l')
            ++i;
        if (i >= f.size() || !QByteArray("eEfFgGaA").contains(f[i]))
            return false;
        ++conversions;
    }
    return conversions == 1;
}

QString formatLabel(const QString &format, double value)
{
    if (!isSafeDoubleFormat(format))
        return QString::asprintf("%g", value);
    return QString::asprintf(format.toUtf8().constData(), value);
}

QString timeLabel(double seconds, const QString &format)
{
    // Past the first hour a format without hours would start again at
    // "00:00": the hours go in front.
    const bool hours = format.contains(QLatin1Char('h'), Qt::CaseInsensitive);
    const QString shown = seconds >= 3600.0 && !hours ? QStringLiteral("H:") + format : format;
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(seconds * 1000.0)), Qt::UTC).toString(shown);
}

int mixWithWhite(int component, int a)
{
    return (component * a + 255 * (256 - a)) >> 8;
}

} // namespace plotscale
