#pragma once

class QSettings;

// The numeric keys of the "Config" settings group with their defaults, read
// the same way by the configuration dialog and the monitoring window: a value
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

inline constexpr IntSetting MaxPatients{"Config/MaxPatients", 9};
inline constexpr IntSetting HrLow{"Config/Alarms/HrLow", 100};
inline constexpr IntSetting HrHigh{"Config/Alarms/HrHigh", 120};
inline constexpr IntSetting Spo2Low{"Config/Alarms/Spo2Low", 80};
inline constexpr IntSetting Spo2High{"Config/Alarms/Spo2High", 90};
inline constexpr DoubleSetting TempLow{"Config/Alarms/TempLow", 37.0};
inline constexpr DoubleSetting TempHigh{"Config/Alarms/TempHigh", 38.0};
inline constexpr char Devices[] = "Config/Devices";

// A whole number; a stored number with decimals is cut to its whole part.
int value(const QSettings &settings, const IntSetting &setting);
double value(const QSettings &settings, const DoubleSetting &setting);

} // namespace ConfigSettings
