#include "qplotgraphic.h"

#include "display/framebuffer.h"
#include "display/plotscale.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QResizeEvent>

#include <cmath>

namespace {

// Grid loops stop after this many lines whatever the ranges say.
constexpr int MaxGridLines = 2000;

} // namespace

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
    m_style = style;
    redraw();
}

void QPlotGraphic::setXStep(double step)
{
    if (step == m_xStep)
        return;
    m_xStep = step;
    redraw();
}

void QPlotGraphic::setXRange(double min, double max)
{
    m_xMin = min;
    m_xMax = max;
}

void QPlotGraphic::setYRange(double min, double max)
{
    m_yMin = min;
    m_yMax = max;
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
    return plotscale::toPixel(x, m_xMin, m_xMax, m_left, m_right);
}

double QPlotGraphic::pixelY(double y) const
{
    return plotscale::toPixel(y, m_yMin, m_yMax, m_bottom, m_top);
}

double QPlotGraphic::valueAtX(int pixel) const
{
    return plotscale::toValue(pixel, m_xMin, m_xMax, m_left, m_right);
}

void QPlotGraphic::refresh()
{
    redraw();
}

void QPlotGraphic::updateLayout()
{
    m_left = m_yLabels ? YLabelWidth : 0;
    m_top = 0;
    const QSize logical = framebuffer::logicalSize(m_frame);
    m_right = logical.width();
    m_bottom = m_xLabels ? logical.height() - XLabelHeight : logical.height();
}

bool QPlotGraphic::insidePlot(const QPoint &p) const
{
    return p.x() >= m_left && p.x() < m_right && p.y() >= m_top && p.y() < m_bottom;
}

int QPlotGraphic::xLabelWidth() const
{
    const QFontMetrics fm(font());
    return fm.horizontalAdvance(m_timeFormat.isEmpty() ? m_xFormat : m_timeFormat) + 10;
}

double QPlotGraphic::xGridSpacing() const
{
    if (!(m_xMax > m_xMin) || m_right <= m_left)
        return 0.0;
    const double px = (m_right - m_left) / (m_xMax - m_xMin);
    const double labelWidth = xLabelWidth();
    double step = m_xStep;
    if (step == 0.0) {
        const double r = labelWidth / px;
        step = m_timeFormat.isEmpty() ? plotscale::automaticStep(r) : plotscale::automaticTimeStep(r);
    }
    return plotscale::gridSpacing(step, labelWidth, px);
}

double QPlotGraphic::yGridSpacing() const
{
    if (!(m_yMax > m_yMin) || m_bottom <= m_top)
        return 0.0;
    const double py = (m_bottom - m_top) / (m_yMax - m_yMin);   // upwards, positive
    const double h = QFontMetrics(font()).height();
    const double step = m_yStep != 0.0 ? m_yStep : plotscale::automaticStep(h / py);
    return plotscale::gridSpacing(step, h, py);
}

void QPlotGraphic::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawPixmap(0, 0, m_frame);
}

void QPlotGraphic::resizeEvent(QResizeEvent *event)
{
    m_frame = framebuffer::create(event->size(), devicePixelRatioF());
    updateLayout();
    redraw();
}

void QPlotGraphic::redraw()
{
    // A widget resized while hidden gets its resize event only when shown; a
    // move to a screen of another scale changes the ratio.
    if (!size().isEmpty() && framebuffer::needsRebuild(m_frame, size(), devicePixelRatioF()))
        m_frame = framebuffer::create(size(), devicePixelRatioF());
    updateLayout();
    {
        const QSize logical = framebuffer::logicalSize(m_frame);
        QPainter painter(&m_frame);
        painter.fillRect(QRect(QPoint(0, 0), QPoint(logical.width() - 1, logical.height() - 1)), Qt::white);
        drawSelection(painter);
        drawGrid(painter);
        if (m_values && m_xMax > m_xMin && m_yMax > m_yMin && !plotAreaEmpty()) {
            const int count = m_values->seriesCount();
            for (int s = 0; s < count; ++s)
                drawSeries(painter, s);
        }
        if (m_highlightShown && m_highlightValue >= m_xMin && m_highlightValue <= m_xMax
            && m_xMax > m_xMin && !plotAreaEmpty()) {
            const double x = pixelX(m_highlightValue);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(QPen(Qt::gray, 1.5, Qt::SolidLine));
            painter.drawLine(QPointF(x, m_top), QPointF(x, m_bottom));
        }
        drawLegend(painter);
    }
    repaint();
}

void QPlotGraphic::drawSelection(QPainter &painter)
{
    if (!m_values || !(m_xMax > m_xMin) || !(m_yMax > m_yMin) || plotAreaEmpty()
        || m_selStart[0] == m_selEnd[0])
        return;
    double a = pixelX(m_selStart[0]);
    double b = pixelX(m_selEnd[0]);
    if (a > b)
        std::swap(a, b);
    a = qMax(a, double(m_left));
    b = qMin(b, double(m_right));
    if (b <= a)
        return;
    painter.fillRect(QRectF(QPointF(a, m_top), QPointF(b, m_bottom - 1)), m_selectionColor);
}

void QPlotGraphic::drawGrid(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPen gridPen(Qt::lightGray, 1.0, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin);
    const QFontMetrics fm(font());
    const int h = fm.height();
    const int frameHeight = framebuffer::logicalSize(m_frame).height();

    const double ySpacing = yGridSpacing();
    if (ySpacing > 0.0) {
        double value = plotscale::firstGridValue(m_yMin, ySpacing);
        for (int n = 0; n < MaxGridLines; ++n, value += ySpacing) {
            const double y = pixelY(value);
            if (!(y > 0))
                break;
            painter.setPen(gridPen);
            painter.drawLine(QPointF(m_left, y), QPointF(m_right, y));
            if (m_yLabels) {
                painter.setPen(Qt::darkGray);
                const QString text = plotscale::formatLabel(m_yFormat, value);
                painter.drawText(QPointF(YLabelWidth - 5 - fm.horizontalAdvance(text), y + h / 2.0), text);
            }
        }
    }

    const double xSpacing = xGridSpacing();
    if (xSpacing > 0.0) {
        double value = plotscale::firstGridValue(m_xMin, xSpacing);
        for (int n = 0; n < MaxGridLines; ++n, value += xSpacing) {
            const double x = pixelX(value);
            if (!(x < m_right))
                break;
            painter.setPen(gridPen);
            painter.drawLine(QPointF(x, m_top), QPointF(x, m_bottom));
            if (m_xLabels) {
                painter.setPen(Qt::darkGray);
                const QString text = m_timeFormat.isEmpty() ? plotscale::formatLabel(m_xFormat, value)
                                                            : plotscale::timeLabel(value, m_timeFormat);
                painter.drawText(QPointF(x - fm.horizontalAdvance(text) / 2.0, frameHeight - 3), text);
            }
        }
    }
}

void QPlotGraphic::drawMarker(QPainter &painter, const QPointF &p, const QColor &color)
{
    // (X - 3, Y - 3) to (X + 2, Y + 2) inclusive: six pixels square.
    painter.fillRect(QRectF(p.x() - 3, p.y() - 3, 6, 6), color);
}

void QPlotGraphic::drawSeries(QPainter &painter, int series)
{
    const int n = m_values->pointCount(series);
    if (n <= 0)
        return;
    const QColor color = m_values->color(series);
    painter.save();
    painter.setClipRect(QRect(m_left, m_top, m_right - m_left, m_bottom - m_top));
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double px = (m_right - m_left) / (m_xMax - m_xMin);
    const double onePixel = 1.0 / px;
    const bool lines = m_style == Lines || m_style == LinesAndMarkers;
    const bool markers = m_style == Markers || m_style == LinesAndMarkers;
    auto point = [&](int i) { return QPointF(pixelX(m_values->x(series, i)), pixelY(m_values->y(series, i))); };

    if (!lines) {
        for (int i = 0; i < n; ++i) {
            const double x = m_values->x(series, i);
            if (x >= m_xMin && x <= m_xMax)
                drawMarker(painter, point(i), color);
        }
        painter.restore();
        return;
    }

    const QPen linePen(color, 2.0, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
    QColor gapColor(plotscale::mixWithWhite(color.red()), plotscale::mixWithWhite(color.green()),
                    plotscale::mixWithWhite(color.blue()), 255);
    const QPen gapPen(gapColor, 2.0, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin);

    // Enter from the left edge: start at the last point before x min.
    int i = 0;
    while (i + 1 < n && m_values->x(series, i + 1) < m_xMin)
        ++i;

    QPointF from = point(i);
    double fromX = m_values->x(series, i);
    if (markers)
        drawMarker(painter, from, color);
    while (fromX < m_xMax && i + 1 < n) {
        // Points that fall within one pixel of the next point's column are
        // drawn as one vertical stroke from their lowest to their highest y.
        int j = i + 1;
        const double runX = m_values->x(series, j);
        double low = m_values->y(series, j), high = low;
        while (j + 1 < n && m_values->x(series, j + 1) - runX < onePixel) {
            ++j;
            const double y = m_values->y(series, j);
            low = qMin(low, y);
            high = qMax(high, y);
        }
        const QPointF to = point(i + 1);
        painter.setPen(m_gapThreshold > 0.0 && runX - fromX > m_gapThreshold ? gapPen : linePen);
        painter.drawLine(from, to);
        if (j > i + 1) {
            painter.setPen(linePen);
            painter.drawLine(QPointF(to.x(), pixelY(low)), QPointF(to.x(), pixelY(high)));
        }
        if (markers) {
            for (int k = i + 1; k <= j; ++k)
                drawMarker(painter, point(k), color);
        }
        i = j;
        from = point(i);
        fromX = m_values->x(series, i);
    }
    painter.restore();
}

void QPlotGraphic::drawLegend(QPainter &painter)
{
    if (!m_values)
        return;
    const int count = m_values->seriesCount();
    if (count <= 0)
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QFont legendFont(QStringLiteral("Helvetica"), 10, QFont::Bold);
    painter.setFont(legendFont);
    const QFontMetrics fm(legendFont);
    int w = 0;
    for (int s = 0; s < count; ++s)
        w = qMax(w, fm.horizontalAdvance(m_values->name(s)));
    const int x0 = m_right - w - 40;
    if (count == 1) {
        painter.setPen(m_values->color(0));
        painter.drawText(x0 + 30, m_top + fm.ascent() + 2, m_values->name(0));
        return;
    }
    for (int s = 0; s < count; ++s) {
        const int baseline = m_top + 2 + fm.ascent() + s * fm.height();
        const double middle = baseline - fm.ascent() / 2.0 + 1;
        painter.setPen(QPen(m_values->color(s), 2.0, Qt::SolidLine));
        painter.drawLine(QPointF(x0, middle), QPointF(x0 + 25, middle));
        painter.drawText(x0 + 30, baseline, m_values->name(s));
    }
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
        if (m_highlightShown)
            m_highlightValue = valueAtX(pos.x());
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
        m_highlightValue = qBound(m_xMin, valueAtX(pos.x()), m_xMax);
        redraw();
        emit highlightChanged();
    } else if (m_panning) {
        const int dx = pos.x() - m_lastPos.x();
        const int dy = pos.y() - m_lastPos.y();
        const double xd = dx * (m_xMax - m_xMin) / (m_right - m_left + 1);
        const double yd = -dy * (m_yMax - m_yMin) / (m_bottom - m_top + 1);
        if (event->modifiers() & Qt::ControlModifier) {
            // Zoom symmetrically; a step that would empty or invert a range is
            // refused so the plot never turns inside out.
            if (!m_xLocked && m_xMax - xd > m_xMin + xd) {
                m_xMin += xd;
                m_xMax -= xd;
            }
            if (!m_yLocked && m_yMax - yd > m_yMin + yd) {
                m_yMin += yd;
                m_yMax -= yd;
            }
        } else {
            if (!m_xLocked) {
                m_xMin -= xd;
                m_xMax -= xd;
            }
            if (!m_yLocked) {
                m_yMin -= yd;
                m_yMax -= yd;
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
