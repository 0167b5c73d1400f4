#include "alarms/configvalue.h"

#include <QSettings>

#include <climits>
#include <cmath>

namespace ConfigSettings {

namespace {

// The stored value as a finite number, or false.
bool readNumber(const QSettings &settings, const char *key, double &number)
{
    const QVariant stored = settings.value(QLatin1String(key));
    if (!stored.isValid())
        return false;
    bool ok = false;
    number = stored.toString().trimmed().toDouble(&ok);
    return ok && std::isfinite(number);
}

} // namespace

int value(const QSettings &settings, const IntSetting &setting)
{
    double number = 0.0;
    if (!readNumber(settings, setting.key, number) || number < INT_MIN || number > INT_MAX)
        return setting.defaultValue;
    return int(number);
}

double value(const QSettings &settings, const DoubleSetting &setting)
{
    double number = 0.0;
    return readNumber(settings, setting.key, number) ? number : setting.defaultValue;
}

} // namespace ConfigSettings
