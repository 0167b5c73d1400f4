#include "display/qsignalbrowsedisplay.h"

#include "display/browsegeometry.h"
#include "display/channellanes.h"
#include "display/ecgpaper.h"
#include "display/framebuffer.h"
#include "display/papercolours.h"
#include "display/plotpainter.h"
#include "dsp/tsignal.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

#include <algorithm>
#include <cmath>

namespace {

using papercolours::Role;

QColor colour(Role role)
{
    return papercolours::colour(papercolours::Medium::Browse, role);
}

} // namespace

QSignalBrowseDisplay::QSignalBrowseDisplay(QWidget *parent)
    : QWidget(parent), m_scrollBar(new QScrollBar(Qt::Horizontal, this))
{
    m_visible.fill(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus);

    m_scrollBar->setFocusPolicy(Qt::ClickFocus);
    connect(m_scrollBar, &QScrollBar::valueChanged, this, &QSignalBrowseDisplay::scrollValueChanged);
    layoutFrame();
    updateScrollBar();
}

void QSignalBrowseDisplay::setSignal(TSignal *signal)
{
    m_signal = signal;
    updateScrollBar();
    redraw();
}

void QSignalBrowseDisplay::setPosition(double seconds)
{
    m_start = seconds;
    updateScrollBar();
    redraw();
}

void QSignalBrowseDisplay::setSpeed(double mmPerSecond)
{
    m_speed = mmPerSecond;
    updateScrollBar();
    redraw();
}

void QSignalBrowseDisplay::setAmplitude(double mmPerMillivolt)
{
    m_amplitude = mmPerMillivolt;
    redraw();
}

void QSignalBrowseDisplay::setChannelVisible(int channel, bool visible)
{
    if (channel < 0 || channel >= int(m_visible.size()))
        return;
    m_visible[channel] = visible;
    redraw();
}

void QSignalBrowseDisplay::setBeatMarks(const QVector<qint64> &sampleIndices)
{
    m_beatMarks = sampleIndices;
    std::sort(m_beatMarks.begin(), m_beatMarks.end());
    redraw();
}

int QSignalBrowseDisplay::frameWidth() const
{
    return framebuffer::logicalSize(m_frame).width();
}

int QSignalBrowseDisplay::frameHeight() const
{
    return framebuffer::logicalSize(m_frame).height();
}

double QSignalBrowseDisplay::visibleSeconds() const
{
    return ecgpaper::secondsAcross(frameWidth(), framebuffer::pixelsPerMm(*this), m_speed);
}

double QSignalBrowseDisplay::duration() const
{
    return m_signal ? m_signal->duration() : 0.0;
}

void QSignalBrowseDisplay::scrollValueChanged(int value)
{
    m_start = value * 0.01;
    redraw();
    emit startTimeChanged();
}

void QSignalBrowseDisplay::updateScrollBar()
{
    // Positions, recordings, speeds and sizes change the last valid start.
    m_start = browse::clampStart(m_start, duration(), visibleSeconds());
    const browse::ScrollRange r = browse::scrollRange(m_signal != nullptr, duration(), visibleSeconds(), m_start);
    const int before = m_scrollBar->value();
    {
        // One redraw by the caller instead of one per property.
        const QSignalBlocker blocker(m_scrollBar);
        m_scrollBar->setRange(0, r.maximum);
        m_scrollBar->setSingleStep(r.singleStep);
        m_scrollBar->setPageStep(r.pageStep);
        m_scrollBar->setValue(r.value);
        m_scrollBar->setEnabled(r.enabled);
    }
    // A moved scroll bar sets the start time to its 10-ms step.
    if (m_scrollBar->value() != before) {
        m_start = m_scrollBar->value() * 0.01;
        emit startTimeChanged();
    }
}

void QSignalBrowseDisplay::layoutFrame()
{
    const int barHeight = m_scrollBar->sizeHint().height();
    m_scrollBar->setGeometry(0, height() - barHeight, width(), barHeight);
    m_frame = framebuffer::create(QSize(width(), height() - barHeight), devicePixelRatioF());
}

void QSignalBrowseDisplay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_frame);
}

void QSignalBrowseDisplay::resizeEvent(QResizeEvent *)
{
    layoutFrame();
    updateScrollBar();
    redraw();
}

void QSignalBrowseDisplay::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_PageDown:
        m_scrollBar->setValue(m_scrollBar->value() + m_scrollBar->pageStep());
        break;
    case Qt::Key_PageUp:
        m_scrollBar->setValue(m_scrollBar->value() - m_scrollBar->pageStep());
        break;
    case Qt::Key_Right:
        m_scrollBar->setValue(m_scrollBar->value() + m_scrollBar->singleStep());
        break;
    case Qt::Key_Left:
        m_scrollBar->setValue(m_scrollBar->value() - m_scrollBar->singleStep());
        break;
    case Qt::Key_Home:
        m_scrollBar->setValue(m_scrollBar->minimum());
        break;
    case Qt::Key_End:
        m_scrollBar->setValue(m_scrollBar->maximum());
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void QSignalBrowseDisplay::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton || event->button() == Qt::MiddleButton) {
        m_dragAnchor = browse::timeAtPixel(m_start, event->pos().x(), frameWidth(), visibleSeconds());
        m_dragging = true;
    }
    setFocus(Qt::MouseFocusReason);
    setMouseTracking(true);
}

void QSignalBrowseDisplay::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging || !(event->buttons() & (Qt::LeftButton | Qt::MiddleButton)))
        return;
    const int x = event->pos().x();
    const double visible = visibleSeconds();
    // The sample under the mouse stays under the mouse.
    m_start = browse::dragStartTime(m_dragAnchor, x, frameWidth(), visible, duration());
    m_dragAnchor = browse::timeAtPixel(m_start, x, frameWidth(), visible);
    updateScrollBar();
    redraw();
}

void QSignalBrowseDisplay::mouseReleaseEvent(QMouseEvent *)
{
    m_dragging = false;
    m_dragAnchor = 0.0;
}

void QSignalBrowseDisplay::redraw()
{
    if (m_frame.isNull())
        return;
    // Moved to a screen of another pixel density: same size, new density.
    const QSize logical = framebuffer::logicalSize(m_frame);
    if (framebuffer::needsRebuild(m_frame, logical, devicePixelRatioF()))
        m_frame = framebuffer::create(logical, devicePixelRatioF());
    {
        QPainter painter(&m_frame);
        drawPaper(painter);
        channellanes::drawNames(painter, m_signal, m_visible, frameHeight(), colour(Role::Label));
        drawTraces(painter);
    }
    repaint();
}

void QSignalBrowseDisplay::drawPaper(QPainter &painter)
{
    if (m_grid.size() != m_frame.size() || m_grid.devicePixelRatioF() != m_frame.devicePixelRatioF()) {
        m_grid = framebuffer::create(QSize(frameWidth(), frameHeight()), m_frame.devicePixelRatioF());
        QPainter grid(&m_grid);
        ecgpaper::PaperLook look = ecgpaper::screenPaper(ecgpaper::PaperLook::Dotted, colour(Role::Grid));
        look.background = colour(Role::Paper);
        ecgpaper::drawPaper(grid, QRectF(0, 0, frameWidth(), frameHeight()), framebuffer::pixelsPerMm(*this), look);
    }
    painter.drawPixmap(0, 0, m_grid);
}

void QSignalBrowseDisplay::setMissing(const QVector<QPair<qint64, qint64>> &missing)
{
    if (missing == m_missing)
        return;
    m_missing = missing;
    update();
}

void QSignalBrowseDisplay::drawTraces(QPainter &painter)
{
    const QRectF paper(0, 0, frameWidth(), frameHeight());
    ecgpaper::TraceWindow window;
    window.signal = m_signal;
    window.startTime = m_start;
    window.speed = m_speed;
    window.amplitude = m_amplitude;
    window.visible = m_visible;
    window.missing = m_missing;
    const ecgpaper::TraceResult drawn = ecgpaper::drawWindow(painter, paper, framebuffer::pixelsPerMm(*this), window,
                                                             {colour(Role::Trace), 1.0}, m_samples, m_points);
    const QFont font(QStringLiteral("Helvetica"), 10, QFont::Bold, false);
    ecgpaper::drawExtent(painter, paper, drawn, font, font, colour(Role::Note));
    if (drawn.extent == ecgpaper::TraceResult::NoRecording)
        return;
    drawBeatMarks(painter);
    drawTimeLabels(painter);
}

void QSignalBrowseDisplay::drawBeatMarks(QPainter &painter)
{
    if (m_beatMarks.isEmpty())
        return;
    // Sample positions exactly as the trace places them.
    const double pxPerMm = framebuffer::pixelsPerMm(*this);
    const ecgpaper::SampleWindow span =
        ecgpaper::sampleWindow(m_signal->rate(), m_start, ecgpaper::secondsAcross(frameWidth(), pxPerMm, m_speed));
    if (span.count <= 0)
        return;
    const double xStep = double(frameWidth()) / double(span.count);
    // Marks half off either edge are drawn too, cut by the paper's edge.
    const qint64 reach = qint64(std::ceil(ecgpaper::BeatMarkWidthMm * pxPerMm / xStep)) + 1;
    const qint64 first = std::max<qint64>(0, span.first - reach);
    const qint64 end = std::min<qint64>(m_signal->sampleCount(), span.first + span.count + reach);
    ecgpaper::drawBeatMarks(painter, m_beatMarks, first, end, double(first - span.first) * xStep, xStep,
                            QRectF(0, 0, frameWidth(), frameHeight()),
                            channellanes::visibleCount(m_signal, m_visible), pxPerMm, colour(Role::BeatMark));
}

void QSignalBrowseDisplay::drawTimeLabels(QPainter &painter)
{
    const QFont font(QStringLiteral("Helvetica"), 10, QFont::Bold, false);
    const QFontMetrics metrics(font);
    const double visible = visibleSeconds();
    // As wide as the widest label on screen: past an hour they grow.
    const int labelWidth =
        qMax(metrics.horizontalAdvance(QStringLiteral("00:00")),
             metrics.horizontalAdvance(browse::labelText(qint64(std::floor(m_start + visible)))));
    painter.setFont(font);
    painter.setPen(colour(Role::Label));
    painter.setClipRect(0, 0, frameWidth(), frameHeight());
    const int baseline = frameHeight() - 1 - 4;
    QStringList texts;
    QVector<double> centres, widths;
    for (const browse::TimeLabel &label : browse::timeLabels(m_start, visible, frameWidth(), labelWidth)) {
        texts << browse::labelText(label.second);
        centres << label.centre;
        widths << metrics.horizontalAdvance(texts.last());
    }
    // Whole labels: the first and the last are moved in from the edges.
    const QVector<double> lefts = plotpainter::placeLabels(centres, widths, 0, frameWidth(), 4);
    for (int i = 0; i < texts.size(); ++i)
        if (!std::isnan(lefts[i]))
            painter.drawText(QPointF(lefts[i], baseline), texts[i]);
    painter.setClipping(false);
}
