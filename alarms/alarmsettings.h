#pragma once

#include "alarms/configvalue.h"

class QSettings;

namespace ConfigSettings {

// The readout limits of the heart rate: above the yellow one is a caution,
// above the red one an alarm.
inline constexpr IntSetting HrLow{"Config/Alarms/HrLow", 100};
inline constexpr IntSetting HrHigh{"Config/Alarms/HrHigh", 120};

} // namespace ConfigSettings

// The alarm system's settings: the heart-rate limits of the readout zones
// (the caution and alarm limits), the lower limit, the count of ventricular
// premature beats per minute beyond which they alarm, how long a cause must last
// before it alarms, the audio-pause length and whether low-priority alarms
// sound. Loaded in one place for the station and the companion; a missing or
// unreadable key gives its default, a number out of range is brought into it.
struct AlarmSettings
{
    int hrCaution = ConfigSettings::HrLow.defaultValue;   // bpm; above it: low priority, 0 = off
    int hrAlarm = ConfigSettings::HrHigh.defaultValue;    // bpm; above it: medium priority, 0 = off
    int hrLower = 40;                                     // bpm; below it: medium priority, 0 = off
    int pvcLimit = 10;                                    // PVCs a minute; above it: medium priority, 0 = off
    int asystoleDelay = 4;                                // s without a beat, 3 to 10
    int hrDelay = 5;                                      // s beyond a heart-rate limit, 0 to 30
    int audioPauseMinutes = 2;                            // 1 to 3
    bool lowPrioritySound = false;

    static AlarmSettings load(const QSettings &settings);
    // Writes the keys this page owns (not the caution and alarm limits,
    // which the configuration dialog writes with the other readout limits).
    void save(QSettings &settings) const;
};

namespace ConfigSettings {

// Bounds of the alarm settings, shared by the dialog's fields and loading.
inline constexpr IntSetting HrLower{"Config/Alarms/HrLower", 40};
inline constexpr IntRange HrLowerRange{0, 120};
inline constexpr IntSetting PvcPerMinute{"Config/Alarms/PvcPerMinute", 10};
inline constexpr IntRange PvcPerMinuteRange{0, 60};
inline constexpr IntSetting AsystoleDelay{"Config/Alarms/AsystoleDelay", 4};
inline constexpr IntRange AsystoleDelayRange{3, 10};
inline constexpr IntSetting HrDelay{"Config/Alarms/HrDelay", 5};
inline constexpr IntRange HrDelayRange{0, 30};
inline constexpr IntSetting AudioPauseMinutes{"Config/Alarms/AudioPauseMinutes", 2};
inline constexpr IntRange AudioPauseRange{1, 3};
inline constexpr IntSetting LowPrioritySound{"Config/Alarms/LowPrioritySound", 0};

} // namespace ConfigSettings
