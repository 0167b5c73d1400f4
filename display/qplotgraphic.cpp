#include "display/qplotgraphic.h"

#include "display/framebuffer.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QResizeEvent>

#include <algorithm>
#include <cmath>

QPlotGraphic::QPlotGraphic(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    // The label strips are 30 and 15 pixels: labels need a small font.
    QFont labelFont = font();
    labelFont.setPointSizeF(7.5);
    setFont(labelFont);
    m_frame = framebuffer::create(size(), devicePixelRatioF());
    updateLayout();
}

void QPlotGraphic::setValues(IPlotValues *values)
{
    m_values = values;
    m_selectedIndex = -1;
    redraw();
}

void QPlotGraphic::setStyle(int style)
{
    m_axes.style = style;
    redraw();
}

void QPlotGraphic::setXStep(double step)
{
    if (step == m_axes.xStep)
        return;
    m_axes.xStep = step;
    redraw();
}

void QPlotGraphic::setXRange(double min, double max)
{
    m_axes.xMin = min;
    m_axes.xMax = max;
}

void QPlotGraphic::setYRange(double min, double max)
{
    m_axes.yMin = min;
    m_axes.yMax = max;
}

void QPlotGraphic::setSelection(int index, double start, double end)
{
    if (index < 0 || index > 1)
        return;
    m_selStart[index] = start;
    m_selEnd[index] = end;
}

double QPlotGraphic::selectionStart(int index) const
{
    return index >= 0 && index <= 1 ? m_selStart[index] : 0.0;
}

double QPlotGraphic::selectionEnd(int index) const
{
    return index >= 0 && index <= 1 ? m_selEnd[index] : 0.0;
}

double QPlotGraphic::pixelX(double x) const
{
    return m_layout.pixelX(m_axes, x);
}

double QPlotGraphic::pixelY(double y) const
{
    return m_layout.pixelY(m_axes, y);
}

double QPlotGraphic::valueAtX(int pixel) const
{
    return m_layout.valueAtX(m_axes, pixel);
}

void QPlotGraphic::refresh()
{
    redraw();
}

plotpainter::Look QPlotGraphic::look() const
{
    // The label strips are 30 and 15 pixels: labels need a small font.
    return plotpainter::screenLook(font(), framebuffer::pixelsPerMm(*this));
}

void QPlotGraphic::updateLayout()
{
    m_layout = plotpainter::layout(QRectF(QPointF(0, 0), framebuffer::logicalSize(m_frame)),
                                   framebuffer::pixelsPerMm(*this), &m_frame, look(), m_axes, m_values);
}

bool QPlotGraphic::insidePlot(const QPoint &p) const
{
    return p.x() >= plotLeft() && p.x() < plotRight() && p.y() >= plotTop() && p.y() < plotBottom();
}

double QPlotGraphic::xGridSpacing() const
{
    return plotpainter::xGridSpacing(m_axes, m_layout.plot.width(),
                                     plotpainter::xLabelWidth(look(), m_axes, &m_frame, m_layout.pxPerMm));
}

double QPlotGraphic::yGridSpacing() const
{
    return plotpainter::yGridSpacing(m_axes, m_layout.plot.height(), QFontMetricsF(font(), &m_frame).height());
}

void QPlotGraphic::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    const qreal ratio = m_frame.devicePixelRatioF();
    painter.drawPixmap(QRectF(area), m_frame, QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio));
}

void QPlotGraphic::resizeEvent(QResizeEvent *event)
{
    m_frame = framebuffer::create(event->size(), devicePixelRatioF());
    redraw();
}

void QPlotGraphic::redraw()
{
    // A widget resized while hidden gets its resize event only when shown; a
    // move to a screen of another scale changes the ratio.
    if (!size().isEmpty() && framebuffer::needsRebuild(m_frame, size(), devicePixelRatioF()))
        m_frame = framebuffer::create(size(), devicePixelRatioF());
    updateLayout();
    m_marks.selectionStart = m_selStart[0];
    m_marks.selectionEnd = m_selEnd[0];
    {
        QPainter painter(&m_frame);
        plotpainter::draw(painter, m_layout, look(), m_axes, m_values, m_marks);
    }
    repaint();
}

void QPlotGraphic::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->pos();
    m_lastPos = pos;
    if (!insidePlot(pos)) {
        m_selectedIndex = -1;
        m_panning = true;
        return;
    }
    if ((event->modifiers() & Qt::ShiftModifier) && m_selectionEnabled) {
        m_activeSelection = 0;
        m_selStart[0] = m_selEnd[0] = valueAtX(pos.x());
        m_selecting = true;
        redraw();
        emit selectedValueChanged();
    } else if (m_highlightOnClick) {
        m_highlighting = true;
        if (m_marks.highlight)
            m_marks.highlightValue = valueAtX(pos.x());
        redraw();
        emit highlightChanged();
    }
}

void QPlotGraphic::mouseMoveEvent(QMouseEvent *event)
{
    const QPoint pos = event->pos();
    if (m_selecting && (event->modifiers() & Qt::ShiftModifier)) {
        m_selEnd[0] = valueAtX(pos.x());
        redraw();
        emit selectedValueChanged();
    } else if (m_highlighting) {
        m_marks.highlightValue = qBound(m_axes.xMin, valueAtX(pos.x()), m_axes.xMax);
        redraw();
        emit highlightChanged();
    } else if (m_panning) {
        const int dx = pos.x() - m_lastPos.x();
        const int dy = pos.y() - m_lastPos.y();
        const double xd = dx * (m_axes.xMax - m_axes.xMin) / (plotRight() - plotLeft() + 1);
        const double yd = -dy * (m_axes.yMax - m_axes.yMin) / (plotBottom() - plotTop() + 1);
        if (event->modifiers() & Qt::ControlModifier) {
            // Zoom symmetrically; a step that would empty or invert a range is
            // refused so the plot never turns inside out.
            if (!m_xLocked && m_axes.xMax - xd > m_axes.xMin + xd) {
                m_axes.xMin += xd;
                m_axes.xMax -= xd;
            }
            if (!m_yLocked && m_axes.yMax - yd > m_axes.yMin + yd) {
                m_axes.yMin += yd;
                m_axes.yMax -= yd;
            }
        } else {
            if (!m_xLocked) {
                m_axes.xMin -= xd;
                m_axes.xMax -= xd;
            }
            if (!m_yLocked) {
                m_axes.yMin -= yd;
                m_axes.yMax -= yd;
            }
        }
        redraw();
        m_lastPos = pos;
        emit scaleChanged();
    }
}

void QPlotGraphic::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    if (m_selecting && m_selStart[0] == m_selEnd[0]) {
        m_activeSelection = -1;
        emit selectedValueChanged();
    }
    m_panning = m_highlighting = m_selecting = false;
    redraw();
}
