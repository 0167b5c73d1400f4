#include "monitoring/blinkclock.h"

#include "alarms/alarmflash.h"
#include "monitoring/alarmbanner.h"

BlinkClock::BlinkClock(QObject *parent) : QObject(parent)
{
    m_elapsed.start();
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const qint64 ms = now();
        for (AlarmBanner *banner : qAsConst(m_banners))
            banner->updateFlash(ms);
        schedule();
    });
}

void BlinkClock::setFlashing(AlarmBanner *banner, bool flashing)
{
    if (flashing)
        m_banners.insert(banner);
    else
        m_banners.remove(banner);
    schedule();
}

void BlinkClock::schedule()
{
    const qint64 ms = now();
    qint64 next = -1;
    for (const AlarmBanner *banner : qAsConst(m_banners)) {
        const qint64 change = AlarmFlash::msToNextChange(banner->priority(), ms);
        if (change >= 0 && (next < 0 || change < next))
            next = change;
    }
    if (next < 0)
        m_timer.stop();
    else
        m_timer.start(int(next));
}
