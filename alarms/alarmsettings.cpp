#include "alarms/alarmsettings.h"

#include <QSettings>

#include <algorithm>

namespace {

using namespace ConfigSettings;

int bounded(const QSettings &settings, const IntSetting &setting, const IntRange &range)
{
    return std::clamp(value(settings, setting), range.minimum, range.maximum);
}

} // namespace

AlarmSettings AlarmSettings::load(const QSettings &settings)
{
    AlarmSettings loaded;
    // The readout limits keep their meaning: above the yellow limit is a
    // caution, above the red one an alarm.
    loaded.hrCaution = value(settings, HrLow);
    loaded.hrAlarm = value(settings, HrHigh);
    loaded.hrLower = bounded(settings, HrLower, HrLowerRange);
    loaded.pvcLimit = bounded(settings, PvcPerMinute, PvcPerMinuteRange);
    loaded.asystoleDelay = bounded(settings, AsystoleDelay, AsystoleDelayRange);
    loaded.hrDelay = bounded(settings, HrDelay, HrDelayRange);
    loaded.audioPauseMinutes = bounded(settings, AudioPauseMinutes, AudioPauseRange);
    // Stored as 1 or 0; a hand-written "true" counts as on too.
    const QString sound = settings.value(QLatin1String(LowPrioritySound.key)).toString().trimmed();
    loaded.lowPrioritySound = sound == QLatin1String("true") || value(settings, LowPrioritySound) != 0;
    return loaded;
}

void AlarmSettings::save(QSettings &settings) const
{
    settings.setValue(QLatin1String(HrLower.key), hrLower);
    settings.setValue(QLatin1String(PvcPerMinute.key), pvcLimit);
    settings.setValue(QLatin1String(AsystoleDelay.key), asystoleDelay);
    settings.setValue(QLatin1String(HrDelay.key), hrDelay);
    settings.setValue(QLatin1String(AudioPauseMinutes.key), audioPauseMinutes);
    settings.setValue(QLatin1String(LowPrioritySound.key), lowPrioritySound ? 1 : 0);
}
