#include "alarms/alarmsettings.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStringList>

#include <algorithm>

namespace {

using namespace ConfigSettings;

// The stored value brought into its range; a limit that can be off is off
// only when stored as 0, and otherwise stays on.
int bounded(const QSettings &settings, const IntSetting &setting, const IntRange &range, bool canBeOff,
            QStringList *corrected)
{
    const int stored = value(settings, setting);
    if (canBeOff && stored == 0)
        return 0;
    const int kept = std::clamp(stored, canBeOff ? std::max(1, range.minimum) : range.minimum, range.maximum);
    if (kept != stored && corrected)
        corrected->append(QCoreApplication::translate("AlarmSettings", "%1 = %2 is out of range; %3 is used.")
                              .arg(QLatin1String(setting.key))
                              .arg(stored)
                              .arg(kept));
    return kept;
}

} // namespace

AlarmSettings AlarmSettings::load(const QSettings &settings, QStringList *corrected)
{
    AlarmSettings loaded;
    // The readout limits keep their meaning: above the yellow limit is a
    // caution, above the red one an alarm.
    loaded.hrCaution = bounded(settings, HrLow, HrLimitRange, true, corrected);
    loaded.hrAlarm = bounded(settings, HrHigh, HrLimitRange, true, corrected);
    loaded.hrLower = bounded(settings, HrLower, HrLowerRange, true, corrected);
    loaded.pvcLimit = bounded(settings, PvcPerMinute, PvcPerMinuteRange, true, corrected);
    loaded.asystoleDelay = bounded(settings, AsystoleDelay, AsystoleDelayRange, false, corrected);
    loaded.hrDelay = bounded(settings, HrDelay, HrDelayRange, false, corrected);
    loaded.audioPauseMinutes = bounded(settings, AudioPauseMinutes, AudioPauseRange, false, corrected);
    loaded.stLimit = bounded(settings, StLimit, StLimitRange, true, corrected);
    loaded.stDelay = bounded(settings, StDelay, StDelayRange, false, corrected);
    loaded.stPointMs = bounded(settings, StPointMs, StPointMsRange, false, corrected);
    loaded.afDelay = bounded(settings, AfDelay, AfDelayRange, true, corrected);
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
    settings.setValue(QLatin1String(AfDelay.key), afDelay);
    settings.setValue(QLatin1String(HrDelay.key), hrDelay);
    settings.setValue(QLatin1String(AudioPauseMinutes.key), audioPauseMinutes);
    settings.setValue(QLatin1String(LowPrioritySound.key), lowPrioritySound ? 1 : 0);
    settings.setValue(QLatin1String(StLimit.key), stLimit);
    settings.setValue(QLatin1String(StDelay.key), stDelay);
    settings.setValue(QLatin1String(StPointMs.key), stPointMs);
}
