#pragma once

#include "alarms/alarmsettings.h"

// The numeric keys of the "Config" settings group with their defaults, read
// the same way by the configuration dialog and the monitoring window (the
// heart-rate limits and the other alarm keys belong to the alarm settings).
namespace ConfigSettings {

inline constexpr IntSetting MaxPatients{"Config/MaxPatients", 9};
inline constexpr IntSetting Spo2Low{"Config/Alarms/Spo2Low", 80};
inline constexpr IntSetting Spo2High{"Config/Alarms/Spo2High", 90};
inline constexpr DoubleSetting TempLow{"Config/Alarms/TempLow", 37.0};
inline constexpr DoubleSetting TempHigh{"Config/Alarms/TempHigh", 38.0};
inline constexpr char Devices[] = "Config/Devices";

} // namespace ConfigSettings
