#include "monitoring/alarmbanner.h"

#include "alarms/alarmflash.h"
#include "display/alarmcolours.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <algorithm>

namespace {

// The one clock of every flashing banner: wakes up only when some banner's
// lit state changes, and tells every flashing banner the time.
class BlinkClock : public QObject
{
public:
    static BlinkClock &instance()
    {
        // Lives as long as the application, which deletes it.
        static QPointer<BlinkClock> clock;
        if (!clock)
            clock = new BlinkClock(QCoreApplication::instance());
        return *clock;
    }

    qint64 now() const { return m_elapsed.elapsed(); }

    void setFlashing(AlarmBanner *banner, bool flashing)
    {
        if (flashing)
            m_banners.insert(banner);
        else
            m_banners.remove(banner);
        schedule();
    }

private:
    explicit BlinkClock(QObject *parent) : QObject(parent)
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

    void schedule()
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

    QElapsedTimer m_elapsed;
    QTimer m_timer;
    QSet<AlarmBanner *> m_banners;
};

} // namespace

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
    BlinkClock::instance().setFlashing(this, false);
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
    BlinkClock &clock = BlinkClock::instance();
    m_lit = AlarmFlash::isLit(priority, clock.now());
    if (flashingChanged)
        clock.setFlashing(this, AlarmFlash::msToNextChange(priority, 0) >= 0);
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
