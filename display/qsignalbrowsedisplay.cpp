#include "display/qsignalbrowsedisplay.h"

#include "display/browsegeometry.h"
#include "display/channellanes.h"
#include "display/framebuffer.h"
#include "display/sweepgeometry.h"
#include "dsp/tsignal.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>

QSignalBrowseDisplay::QSignalBrowseDisplay(QWidget *parent)
    : QWidget(parent), m_scrollBar(new QScrollBar(Qt::Horizontal, this))
{
    m_visible.fill(true);
    m_offsets.fill(0);
    m_colors.insert(TraceColor, QColor(Qt::black));
    m_colors.insert(BackgroundColor, QColor(Qt::white));
    m_colors.insert(GridColor, QColor(220, 200, 180));
    m_colors.insert(LabelColor, QColor(Qt::gray));
    m_colors.insert(MarkColor, QColor(255, 128, 0, 128));
    m_colors.insert(CursorColor, QColor(Qt::blue));
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

int QSignalBrowseDisplay::frameWidth() const
{
    return framebuffer::logicalSize(m_frame).width();
}

int QSignalBrowseDisplay::frameHeight() const
{
    return framebuffer::logicalSize(m_frame).height();
}

int QSignalBrowseDisplay::frameWidthMM() const
{
    return framebuffer::widthMM(m_frame);
}

double QSignalBrowseDisplay::visibleSeconds() const
{
    return browse::visibleSeconds(frameWidthMM(), m_speed);
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

int QSignalBrowseDisplay::visibleChannelCount() const
{
    return channellanes::visibleCount(m_signal, m_visible);
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
        drawGrid(painter);
        drawChannelNames(painter);
        drawTraces(painter);
        drawTimeLabels(painter);
    }
    repaint();
}

void QSignalBrowseDisplay::drawGrid(QPainter &painter)
{
    const int w = frameWidth();
    const int h = frameHeight();
    if (m_grid.size() != m_frame.size() || m_grid.devicePixelRatioF() != m_frame.devicePixelRatioF()) {
        m_grid = framebuffer::create(QSize(w, h), m_frame.devicePixelRatioF());
        QPainter grid(&m_grid);
        grid.fillRect(0, 0, w, h, m_colors.value(BackgroundColor));
        const double step = sweep::pixelsPerMillimetre(w, frameWidthMM());
        // Without a known physical size there is no paper to draw.
        if (step > 0.0 && visibleSeconds() > 0.0) {
            grid.setPen(QPen(m_colors.value(GridColor), 1.0, Qt::SolidLine));
            // A dot at every millimetre off the 5-mm lines...
            QPolygonF dots;
            for (int i = 0; i * step < w; ++i) {
                for (int j = 0; j * step < h; ++j) {
                    if (i % 5 != 0 && j % 5 != 0)
                        dots.append(QPointF(i * step, j * step));
                }
            }
            grid.drawPoints(dots);
            // ...and solid lines every 5 mm.
            for (double x = 0.0; x < w; x += 5 * step)
                grid.drawLine(QPointF(x, 0), QPointF(x, h));
            for (double y = 0.0; y < h; y += 5 * step)
                grid.drawLine(QPointF(0, y), QPointF(w, y));
        }
    }
    painter.drawPixmap(0, 0, m_grid);
}

void QSignalBrowseDisplay::drawChannelNames(QPainter &painter)
{
    channellanes::drawNames(painter, m_signal, m_visible, frameHeight(), m_colors.value(LabelColor));
}

void QSignalBrowseDisplay::drawTraces(QPainter &painter)
{
    const int visible = visibleChannelCount();
    const int w = frameWidth();
    const double seconds = visibleSeconds();
    if (visible == 0 || seconds <= 0.0)
        return;
    const int rate = m_signal->rate();
    const browse::SampleSpan trace = browse::traceSpan(rate, m_start, seconds);
    const browse::SampleSpan mean = browse::offsetSpan(rate, m_start, seconds);
    if (trace.count <= 0)
        return;

    const int laneHeight = sweep::laneHeight(frameHeight(), visible);
    const double xStep = double(w) / trace.count;
    const double scale = sweep::verticalScale(m_signal->lsb(), sweep::pixelsPerCentimetre(w, frameWidthMM()),
                                              m_amplitude);
    // One read serves the trace and the mean that centres it.
    const int readCount = qMax(trace.count, mean.count);
    // Past the end of the recording nothing is drawn: a flat line there
    // would look like a recorded one.
    const int recorded = browse::recordedPoints(trace, m_signal->sampleCount());

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(m_colors.value(TraceColor), 1.0, Qt::SolidLine));
    int centre = laneHeight / 2;
    const int channels = qMin(m_signal->channelCount(), int(m_visible.size()));
    for (int c = 0; c < channels; ++c) {
        if (!m_visible[c]) {
            m_offsets[c] = 0;
            continue;
        }
        m_samples.resize(size_t(readCount));
        m_signal->readRange(c, trace.first, readCount, m_samples.data());
        m_offsets[c] = browse::integerMean(m_samples.data(), mean.count);
        const int offset = m_offsets[c];
        m_points.resize(recorded);
        for (int k = 0; k < recorded; ++k)
            m_points[k] = QPointF(k * xStep, centre - (m_samples[size_t(k)] - offset) * scale);
        if (recorded > 0)
            painter.drawPolyline(m_points.constData(), recorded);
        centre += laneHeight;
    }
    painter.setRenderHint(QPainter::Antialiasing, false);
}

void QSignalBrowseDisplay::drawTimeLabels(QPainter &painter)
{
    const QFont font(QStringLiteral("Helvetica"), 10, QFont::Bold, false);
    const QFontMetrics metrics(font);
    const int labelWidth = metrics.horizontalAdvance(QStringLiteral("00:00"));
    painter.setFont(font);
    painter.setPen(m_colors.value(LabelColor));
    painter.setClipRect(0, 0, frameWidth(), frameHeight());
    const int baseline = frameHeight() - 1 - 4;
    const auto labels = browse::timeLabels(m_start, visibleSeconds(), frameWidth(), labelWidth);
    for (const browse::TimeLabel &label : labels)
        painter.drawText(label.x, baseline, browse::labelText(label.second));
    painter.setClipping(false);
}
