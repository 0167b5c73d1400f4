#include "reports/plotgraphic.h"

#include "display/plotscale.h"
#include "reports/signalgraphic.h"
#include "reports/textfit.h"

#include <QFontMetricsF>
#include <QPainter>

#include <cmath>

namespace {

constexpr int MaxGridLines = 1000;

QFont labelFont()
{
    QFont font(printFontFamily(QStringLiteral("Helvetica")));
    font.setPointSizeF(8);
    return font;
}

} // namespace

PlotGraphic::PlotGraphic(QObject *parent)
    : QObject(parent)
{
}

void PlotGraphic::addSeries(const QVector<double> &x, const QVector<double> &y, const QColor &color)
{
    m_series.append({x, y, color});
}

void PlotGraphic::setXRange(double min, double max)
{
    m_xMin = min;
    m_xMax = max;
}

void PlotGraphic::setYRange(double min, double max)
{
    m_yMin = min;
    m_yMax = max;
}

QString PlotGraphic::xLabel(double value) const
{
    return m_timeFormat.isEmpty() ? plotscale::formatLabel(m_xFormat, value) : plotscale::timeLabel(value, m_timeFormat);
}

double PlotGraphic::xGridSpacing(double plotWidth, double labelWidth) const
{
    if (!(m_xMax > m_xMin) || !(plotWidth > 0.0))
        return 0.0;
    const double px = plotWidth / (m_xMax - m_xMin);
    double step = m_xStep;
    if (step == 0.0) {
        const double r = labelWidth / px;
        step = m_timeFormat.isEmpty() ? plotscale::automaticStep(r) : plotscale::automaticTimeStep(r);
    }
    return plotscale::gridSpacing(step, labelWidth, px);
}

void PlotGraphic::draw(QPainter &painter, const QRect &rect)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const double pxX = devicePixelsPerMmX(painter.device());
    const double pxY = devicePixelsPerMmY(painter.device());
    const int a = int(7.0 * pxX);
    const int e = int(5.0 * pxY);
    // Inclusive corners, as the rectangle's own.
    const QRectF plot(QPointF(m_yLabels ? rect.left() + a : rect.left(), rect.top()),
                      QPointF(rect.right(), m_xLabels ? rect.bottom() - e : rect.bottom()));
    painter.save();
    painter.fillRect(rect, Qt::white);
    painter.setRenderHint(QPainter::Antialiasing, true);
    drawGrid(painter, rect, plot, pxX);
    if (m_xMax > m_xMin && m_yMax > m_yMin && plot.width() > 0 && plot.height() > 0)
        for (const Series &series : m_series)
            drawSeries(painter, series, plot, pxX);
    painter.restore();
}

void PlotGraphic::drawGrid(QPainter &painter, const QRect &rect, const QRectF &plot, double pxX)
{
    painter.setFont(labelFont());
    const QFontMetricsF metrics(painter.font(), painter.device());
    const double h = metrics.height();
    const QPen gridPen(Qt::lightGray, 0.1 * pxX, Qt::SolidLine);

    if (m_yMax > m_yMin && plot.height() > 0) {
        const double py = plot.height() / (m_yMax - m_yMin);
        const double step = m_yStep != 0.0 ? m_yStep : plotscale::automaticStep(h / py);
        const double spacing = plotscale::gridSpacing(step, h, py);
        if (spacing > 0.0) {
            double value = plotscale::firstGridValue(m_yMin, spacing);
            for (int n = 0; n < MaxGridLines; ++n, value += spacing) {
                const double y = plot.bottom() - (value - m_yMin) * py;
                if (!(y > plot.top()))
                    break;
                painter.setPen(gridPen);
                painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
                if (m_yLabels) {
                    const QString text = plotscale::formatLabel(m_yFormat, value);
                    painter.setPen(Qt::darkGray);
                    painter.drawText(QPointF(rect.left() + int(7.0 * pxX) - pxX - metrics.horizontalAdvance(text), y + h / 2.0),
                                     text);
                }
            }
        }
    }

    if (m_xMax > m_xMin && plot.width() > 0) {
        // Labels may not come closer than the widest of them plus a millimetre.
        const double labelWidth =
            qMax(metrics.horizontalAdvance(xLabel(std::ceil(m_xMin))), metrics.horizontalAdvance(xLabel(std::floor(m_xMax))))
            + pxX;
        const double spacing = xGridSpacing(plot.width(), labelWidth);
        if (spacing > 0.0) {
            const double px = plot.width() / (m_xMax - m_xMin);
            double value = plotscale::firstGridValue(m_xMin, spacing);
            for (int n = 0; n < MaxGridLines; ++n, value += spacing) {
                const double x = plot.left() + (value - m_xMin) * px;
                if (!(x < rect.right()))
                    break;
                painter.setPen(gridPen);
                painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
                const QString text = xLabel(value);
                const double textLeft = x - metrics.horizontalAdvance(text) / 2.0;
                // A label that would be cut by the graph's edge is left out.
                if (m_xLabels && textLeft >= rect.left() && textLeft + metrics.horizontalAdvance(text) <= rect.right()) {
                    painter.setPen(Qt::darkGray);
                    painter.drawText(QPointF(textLeft, plot.bottom() + h), text);
                }
            }
        }
    }
}

void PlotGraphic::drawSeries(QPainter &painter, const Series &series, const QRectF &plot, double pxX)
{
    const int n = qMin(series.x.size(), series.y.size());
    if (n == 0)
        return;
    painter.save();
    painter.setClipRect(plot, Qt::IntersectClip);
    auto point = [&](int i) {
        return QPointF(plot.left() + (series.x[i] - m_xMin) * plot.width() / (m_xMax - m_xMin),
                       plot.bottom() + (series.y[i] - m_yMin) * (plot.top() - plot.bottom()) / (m_yMax - m_yMin));
    };
    const int side = int(1.2 * pxX);
    auto marker = [&](const QPointF &p) {
        painter.fillRect(QRectF(int(p.x() - side / 2.0), int(p.y() - side / 2.0), side, side), series.color);
    };
    const bool lines = m_style == Lines || m_style == LinesAndMarkers;
    const bool markers = m_style == Markers || m_style == LinesAndMarkers;

    if (!lines) {
        for (int i = 0; i < n; ++i)
            if (series.x[i] >= m_xMin && series.x[i] <= m_xMax)
                marker(point(i));
        painter.restore();
        return;
    }

    // Enter from the left edge: start at the last point before x min.
    int i = 0;
    while (i + 1 < n && series.x[i + 1] < m_xMin)
        ++i;
    painter.setPen(QPen(series.color, 0.4 * pxX, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (markers)
        marker(point(i));
    for (; i + 1 < n && series.x[i + 1] < m_xMax; ++i) {
        painter.drawLine(point(i), point(i + 1));
        if (markers)
            marker(point(i + 1));
    }
    painter.restore();
}
