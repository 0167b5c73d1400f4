#include "qsignalmonitordisplay.h"

#include "display/channellanes.h"
#include "display/framebuffer.h"
#include "display/sweepgeometry.h"
#include "dsp/tsignal.h"

#include <QFontMetrics>
#include <QPainter>
#include <QResizeEvent>

QSignalMonitorDisplay::QSignalMonitorDisplay(QWidget *parent)
    : QWidget(parent)
{
    m_visible.fill(true);
    m_offsets.fill(0);
    m_colors.insert(TraceColor, QColor(Qt::black));
    m_colors.insert(BackgroundColor, QColor(Qt::white));
    m_colors.insert(GridColor, QColor(220, 200, 180));
    m_colors.insert(LabelColor, QColor(Qt::lightGray));
    m_colors.insert(MarkColor, QColor(255, 128, 0, 128));
    m_colors.insert(CursorColor, QColor(Qt::gray));
    setAttribute(Qt::WA_OpaquePaintEvent);

    m_frame = framebuffer::create(size(), devicePixelRatioF());
    // One pixel smaller than the frame buffer: the first redraw builds the grid.
    m_grid = QPixmap(m_frame.width() - 1, m_frame.height() - 1);
}

void QSignalMonitorDisplay::resetSweep()
{
    m_lastSweep = -1;
    m_offsets.fill(0);
}

void QSignalMonitorDisplay::setSignal(TSignal *signal)
{
    m_signal = signal;
    resetSweep();
    redraw();
}

void QSignalMonitorDisplay::setAutoCenter(bool autoCenter)
{
    m_autoCenter = autoCenter;
    resetSweep();
    redraw();
}

void QSignalMonitorDisplay::setSpeed(double mmPerSecond)
{
    m_speed = mmPerSecond;
    redraw();
}

void QSignalMonitorDisplay::setAmplitude(double mmPerMillivolt)
{
    m_amplitude = mmPerMillivolt;
    redraw();
}

void QSignalMonitorDisplay::setChannelVisible(int channel, bool visible)
{
    if (channel < 0 || channel >= int(m_visible.size()))
        return;
    m_visible[channel] = visible;
    redraw();
}

bool QSignalMonitorDisplay::isChannelVisible(int channel) const
{
    return channel >= 0 && channel < int(m_visible.size()) && m_visible[channel];
}

void QSignalMonitorDisplay::refresh()
{
    redraw();
}

void QSignalMonitorDisplay::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_frame);
}

void QSignalMonitorDisplay::resizeEvent(QResizeEvent *event)
{
    m_frame = framebuffer::create(event->size(), devicePixelRatioF());
    redraw();
}

int QSignalMonitorDisplay::visibleChannelCount() const
{
    return channellanes::visibleCount(m_signal, m_visible);
}

void QSignalMonitorDisplay::redraw()
{
    // A widget resized while hidden gets its resize event only when shown; a
    // move to a screen of another scale changes the ratio.
    if (!size().isEmpty() && framebuffer::needsRebuild(m_frame, size(), devicePixelRatioF()))
        m_frame = framebuffer::create(size(), devicePixelRatioF());
    {
        QPainter painter(&m_frame);
        drawGrid(painter);
        drawLabels(painter);
        drawTraces(painter);
    }
    repaint();
}

void QSignalMonitorDisplay::drawGrid(QPainter &painter)
{
    const QSize logical = framebuffer::logicalSize(m_frame);
    const int w = logical.width();
    const int h = logical.height();
    if (m_grid.size() != m_frame.size() || m_grid.devicePixelRatioF() != m_frame.devicePixelRatioF()) {
        m_grid = framebuffer::create(logical, m_frame.devicePixelRatioF());
        QPainter grid(&m_grid);
        grid.fillRect(0, 0, w, h, m_colors.value(BackgroundColor));
        grid.setRenderHint(QPainter::Antialiasing, true);

        const QColor lineColor = m_colors.value(GridColor);
        const QPen minor(lineColor.lighter(110), 0.75, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        const QPen major(lineColor, 1.25, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        const double step = sweep::pixelsPerMillimetre(w, framebuffer::widthMM(m_frame));
        // Without a known physical size there is no paper to draw.
        if (step > 0.0) {
            // 1 mm squares, every fifth line (starting at 0) marks 5 mm.
            for (double x = 0.0; x < w;) {
                grid.setPen(major);
                grid.drawLine(QPointF(x, 0), QPointF(x, h));
                grid.setPen(minor);
                for (int i = 0; i < 4; ++i) {
                    x += step;
                    grid.drawLine(QPointF(x, 0), QPointF(x, h));
                }
                x += step;
            }
            for (double y = 0.0; y < h;) {
                grid.setPen(major);
                grid.drawLine(QPointF(0, y), QPointF(w, y));
                grid.setPen(minor);
                for (int i = 0; i < 4; ++i) {
                    y += step;
                    grid.drawLine(QPointF(0, y), QPointF(w, y));
                }
                y += step;
            }
        }
    }
    painter.drawPixmap(0, 0, m_grid);
}

void QSignalMonitorDisplay::drawLabels(QPainter &painter)
{
    channellanes::drawNames(painter, m_signal, m_visible, framebuffer::logicalSize(m_frame).height(),
                            m_colors.value(LabelColor));
}

void QSignalMonitorDisplay::drawTraces(QPainter &painter)
{
    const int visible = visibleChannelCount();
    const QSize logical = framebuffer::logicalSize(m_frame);
    const int w = logical.width();
    const int h = logical.height();
    const int widthMM = framebuffer::widthMM(m_frame);
    if (visible == 0 || w <= 0)
        return;

    const int count = m_signal->sampleCount();
    const int rate = m_signal->rate();
    const sweep::Geometry g = sweep::compute(w, widthMM, m_speed, rate, count);
    if (!g.valid)
        return;

    bool recompute = m_autoCenter && count < rate;
    if (g.sweepIndex != m_lastSweep) {
        recompute = m_autoCenter;
        m_lastSweep = g.sweepIndex;
    }

    const int laneHeight = sweep::laneHeight(h, visible);
    const double scale = sweep::verticalScale(m_signal->lsb(),
                                              sweep::pixelsPerCentimetre(w, widthMM),
                                              m_amplitude);
    const int N = g.samplesPerSweep;
    const int currentCount = count - g.sweepStart;
    // One read covers the old samples right of the cursor and the current sweep.
    const int readFrom = g.previousCount > 0 ? g.previousFrom : g.sweepStart;
    const int readCount = count - readFrom;
    const int meanFrom = count > N ? count - N : 0;

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(m_colors.value(TraceColor), 1.0));

    double centre = laneHeight * 0.5;
    const int channels = qMin(m_signal->channelCount(), int(m_visible.size()));
    for (int c = 0; c < channels; ++c) {
        if (!m_visible[c])
            continue;
        if (recompute && count > 0) {
            m_samples.resize(size_t(count - meanFrom));
            m_signal->readRange(c, meanFrom, count - meanFrom, m_samples.data());
            long long sum = 0;
            for (double v : m_samples)
                sum += static_cast<long long>(v);
            m_offsets[c] = int(sum / (count - meanFrom));
        }
        const int offset = m_offsets[c];

        m_samples.resize(size_t(qMax(0, readCount)));
        if (readCount > 0)
            m_signal->readRange(c, readFrom, readCount, m_samples.data());
        const double *current = m_samples.data() + (g.sweepStart - readFrom);

        m_points.resize(currentCount);
        double x = 0.0;
        for (int i = 0; i < currentCount; ++i) {
            m_points[i] = QPointF(x, centre - (current[i] - offset) * scale);
            x += g.xStep;
        }
        if (currentCount > 0)
            painter.drawPolyline(m_points.constData(), currentCount);

        if (g.previousCount > 0) {
            // Continue x from the end of the current sweep, so each old sample
            // keeps the position it had in its own sweep.
            m_points.resize(g.previousCount);
            const double *old = m_samples.data();
            for (int i = 0; i < g.previousCount; ++i) {
                m_points[i] = QPointF(x, centre - (old[i] - offset) * scale);
                x += g.xStep;
            }
            painter.drawPolyline(m_points.constData(), g.previousCount);
        }
        centre += laneHeight;
    }

    // Aliased, so the dotted cursor fills its pixel column crisply.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(QPen(m_colors.value(CursorColor), 1.0, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin));
    painter.drawLine(g.cursorX, 0, g.cursorX, h);
}
