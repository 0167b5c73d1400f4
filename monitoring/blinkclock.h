#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QSet>
#include <QTimer>

class AlarmBanner;

// The one clock of the flashing banners of a monitoring window: it wakes up
// only when some banner's lit state changes and tells every flashing banner
// the time, so that all of them flash together. The window owns it and hands
// it to its panels' banners.
class BlinkClock : public QObject
{
    Q_OBJECT

public:
    explicit BlinkClock(QObject *parent = nullptr);

    // Milliseconds since the clock was made.
    qint64 now() const { return m_elapsed.elapsed(); }

    // A banner that flashes is told the time at each of its changes.
    void setFlashing(AlarmBanner *banner, bool flashing);

private:
    void schedule();

    QElapsedTimer m_elapsed;
    QTimer m_timer;
    QSet<AlarmBanner *> m_banners;
};
