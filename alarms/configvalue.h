#pragma once

class QSettings;

// How a number of the "Config" settings group is read, the same way by the
// alarm system, the configuration dialog and the monitoring window: a value
// that is absent or cannot be read as a number (a hand-edited "1OO") gives
// the default.
namespace ConfigSettings {

struct IntSetting
{
    const char *key;
    int defaultValue;
};

struct DoubleSetting
{
    const char *key;
    double defaultValue;
};

// Bounds of a setting, shared by a dialog's fields and loading.
struct IntRange
{
    int minimum;
    int maximum;
};

// A whole number; a stored number with decimals is cut to its whole part.
int value(const QSettings &settings, const IntSetting &setting);
double value(const QSettings &settings, const DoubleSetting &setting);

} // namespace ConfigSettings
