#pragma once

#include "alarms/alarmconditions.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

class BlinkClock;

// The strip at the top of a patient's panel naming the highest-priority alarm
// shown for the patient, in its priority's colour: high flashes red, medium
// flashes yellow, low is steadily cyan. The window's blink clock drives
// every banner, and a banner repaints only when its own lit state changes,
// from two cached pixmaps; without a clock it shows its alarm steadily. Clicking a banner with an alarm asks to acknowledge it.
class AlarmBanner : public QWidget
{
    Q_OBJECT

public:
    explicit AlarmBanner(QWidget *parent = nullptr);
    ~AlarmBanner() override;

    // The clock it flashes by (not owned); null shows the alarm steadily.
    void setBlinkClock(BlinkClock *clock);

    // None clears the banner. Repaints only when something changed.
    void setAlarm(AlarmPriority priority, const QString &text, bool acknowledged);
    AlarmPriority priority() const { return m_priority; }
    QString text() const { return m_text; }
    bool isAcknowledged() const { return m_acknowledged; }
    bool isLit() const { return m_lit; }

    // The blink clock's time moved on to `ms`.
    void updateFlash(qint64 ms);

    QSize sizeHint() const override;

signals:
    void clicked();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    QPixmap render(bool lit) const;

    AlarmPriority m_priority = AlarmPriority::None;
    QString m_text;
    bool m_acknowledged = false;
    bool m_lit = false;
    QPointer<BlinkClock> m_clock;
    QPixmap m_litPixmap;     // empty until painted at the present size
    QPixmap m_unlitPixmap;
};
