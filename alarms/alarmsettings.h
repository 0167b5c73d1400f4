#pragma once

#include "alarms/configvalue.h"

class QSettings;
class QStringList;

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
// A limit is off only when it is stored as 0 (as the configuration dialog
// writes it): any other value outside its range becomes the nearest value
// that keeps the alarm on, so that a hand-edited -5 never silences it.
struct AlarmSettings
{
    int hrCaution = ConfigSettings::HrLow.defaultValue;   // bpm; above it: low priority, 0 = off
    int hrAlarm = ConfigSettings::HrHigh.defaultValue;    // bpm; above it: medium priority, 0 = off
    int hrLower = 40;                                     // bpm; below it: medium priority, 0 = off
    int pvcLimit = 10;                                    // PVCs a minute; above it: medium priority, 0 = off
    int asystoleDelay = 4;                                // s without a beat, 3 to 10
    int hrDelay = 5;                                      // s beyond a heart-rate limit, 0 to 30
    int audioPauseMinutes = 2;                            // 1 to 3
    int afDelay = 30;                                     // s of atrial fibrillation before it alarms, 10 to 120, 0 = off
    bool lowPrioritySound = false;
    int stLimit = 10;                                     // tenths of a millimetre (10 uV); beyond it: medium, 0 = off
    int stDelay = 60;                                     // s the ST change must last
    int stPointMs = 60;                                   // ms after the J point the ST level is taken, 40 to 80

    // `corrected`, when given, receives one sentence for each stored value
    // that was out of range, naming the key and the value used instead.
    static AlarmSettings load(const QSettings &settings, QStringList *corrected = nullptr);
    // Writes the keys this page owns (not the caution and alarm limits,
    // which the configuration dialog writes with the other readout limits).
    void save(QSettings &settings) const;
};

namespace ConfigSettings {

// Bounds of the alarm settings, shared by the dialog's fields and loading.
// Those that can be off also hold 0.
inline constexpr IntRange HrLimitRange{40, 250}; // the caution and alarm limits
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
inline constexpr IntSetting StLimit{"Config/Alarms/StLimitTenthsMm", 10};
inline constexpr IntRange StLimitRange{0, 50};
inline constexpr IntSetting StDelay{"Config/Alarms/StDelay", 60};
inline constexpr IntRange StDelayRange{15, 600};
inline constexpr IntSetting StPointMs{"Config/Alarms/StPointMs", 60};
inline constexpr IntRange StPointMsRange{40, 80};
inline constexpr IntSetting AfDelay{"Config/Alarms/AfDelay", 30};
inline constexpr IntRange AfDelayRange{10, 120};   // or 0: off

} // namespace ConfigSettings
