#include "monitoring/alarmbanner.h"

#include "alarms/alarmflash.h"
#include "display/alarmcolours.h"
#include "monitoring/blinkclock.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

AlarmBanner::AlarmBanner(QWidget *parent)
    : QWidget(parent)
{
    // The banner covers itself entirely: nothing beneath it repaints.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFixedHeight(sizeHint().height());
}

AlarmBanner::~AlarmBanner()
{
    if (m_clock)
        m_clock->setFlashing(this, false);
}

void AlarmBanner::setBlinkClock(BlinkClock *clock)
{
    if (m_clock)
        m_clock->setFlashing(this, false);
    m_clock = clock;
    if (m_clock)
        m_clock->setFlashing(this, AlarmFlash::msToNextChange(m_priority, 0) >= 0);
}

QSize AlarmBanner::sizeHint() const
{
    return QSize(200, fontMetrics().height() + 10);
}

void AlarmBanner::setAlarm(AlarmPriority priority, const QString &text, bool acknowledged)
{
    if (priority == AlarmPriority::None) {
        if (m_priority == AlarmPriority::None)
            return;
        m_text.clear();
        acknowledged = false;
    } else if (priority == m_priority && text == m_text && acknowledged == m_acknowledged) {
        return;
    } else {
        m_text = text;
    }
    const bool flashingChanged = priority != m_priority;
    m_priority = priority;
    m_acknowledged = acknowledged;
    m_litPixmap = QPixmap();
    m_unlitPixmap = QPixmap();
    setCursor(priority == AlarmPriority::None ? Qt::ArrowCursor : Qt::PointingHandCursor);
    setToolTip(priority == AlarmPriority::None || acknowledged
                   ? QString()
                   : tr("Click to acknowledge this patient's alarms"));
    // Without a clock a banner shows its alarm steadily.
    m_lit = AlarmFlash::isLit(priority, m_clock ? m_clock->now() : 0) || (!m_clock && priority != AlarmPriority::None);
    if (flashingChanged && m_clock)
        m_clock->setFlashing(this, AlarmFlash::msToNextChange(priority, 0) >= 0);
    update();
}

void AlarmBanner::updateFlash(qint64 ms)
{
    const bool lit = AlarmFlash::isLit(m_priority, ms);
    if (lit != m_lit) {
        m_lit = lit;
        update();
    }
}

void AlarmBanner::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    m_litPixmap = QPixmap();
    m_unlitPixmap = QPixmap();
}

void AlarmBanner::paintEvent(QPaintEvent *)
{
    QPixmap &cached = m_lit ? m_litPixmap : m_unlitPixmap;
    if (cached.isNull())
        cached = render(m_lit);
    QPainter(this).drawPixmap(0, 0, cached);
}

QPixmap AlarmBanner::render(bool lit) const
{
    const qreal ratio = devicePixelRatioF();
    QPixmap pixmap(size() * ratio);
    pixmap.setDevicePixelRatio(ratio);
    const QColor panel = palette().color(QPalette::Window);
    pixmap.fill(panel);
    if (m_priority == AlarmPriority::None)
        return pixmap;

    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    const AlarmColours c = alarmColours(alarmPriorityName(m_priority));
    const QRectF box = QRectF(rect()).adjusted(1, 1, -1, -1);
    // Unlit, the banner keeps its outline and text so it stays readable.
    painter.setPen(QPen(c.background.darker(130), 2));
    painter.setBrush(lit ? c.background : panel);
    painter.drawRoundedRect(box, 3, 3);
    QFont bold = font();
    bold.setBold(true);
    painter.setFont(bold);
    painter.setPen(lit ? c.text : (m_priority == AlarmPriority::Medium ? Qt::black : c.background.darker(150)));
    QString shown = m_text;
    if (m_acknowledged)
        shown = tr("%1 (acknowledged)").arg(m_text);
    painter.drawText(box.adjusted(8, 0, -8, 0), Qt::AlignVCenter | Qt::AlignLeft,
                     QFontMetrics(bold).elidedText(shown, Qt::ElideRight, int(box.width()) - 16));
    return pixmap;
}

void AlarmBanner::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && m_priority != AlarmPriority::None) {
        emit clicked();
        event->accept();
        return;
    }
    QWidget::mousePressEvent(event);
}
