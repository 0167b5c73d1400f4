#include "display/plotpainter.h"

#include "display/plotscale.h"

#include <QFontMetricsF>
#include <QLineF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace plotpainter {

namespace {

// Grid loops stop after this many lines whatever the ranges say.
constexpr int MaxGridLines = 2000;
// One pixel of a 96-dpi screen, in millimetres.
constexpr double ScreenPixel = 25.4 / 96.0;

double px(double mm, double pxPerMm)
{
    return std::round(mm * pxPerMm);
}

bool rangesValid(const Axes &axes)
{
    return axes.xMax > axes.xMin && axes.yMax > axes.yMin;
}

// Whether the segment from a to b passes through r (Liang-Barsky).
bool crosses(const QPointF &a, const QPointF &b, const QRectF &r)
{
    double t0 = 0.0, t1 = 1.0;
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    const double p[] = {-dx, dx, -dy, dy};
    const double q[] = {a.x() - r.left(), r.right() - a.x(), a.y() - r.top(), r.bottom() - a.y()};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0.0) {
            if (q[i] < 0.0)
                return false;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0.0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return false;
    }
    return true;
}

// Whether any drawn point or line of the series lies under `box`.
bool coversData(const Layout &l, const Axes &axes, IPlotValues *values, const QRectF &box)
{
    const bool lines = axes.style != Markers;
    for (int s = 0; s < values->seriesCount(); ++s) {
        const int n = values->pointCount(s);
        QPointF previous;
        bool previousInside = false;
        for (int i = 0; i < n; ++i) {
            const double x = values->x(s, i);
            const QPointF p(l.pixelX(axes, x), l.pixelY(axes, values->y(s, i)));
            const bool inside = x >= axes.xMin && x <= axes.xMax;
            if (inside && box.contains(p))
                return true;
            if (lines && i > 0 && (inside || previousInside || (previous.x() < l.plot.left() && p.x() > l.plot.right()))
                && crosses(previous, p, box))
                return true;
            previous = p;
            previousInside = inside;
        }
    }
    return false;
}

QSizeF legendSize(const Look &look, IPlotValues *values, const QString &title, const QPaintDevice *device,
                  double pxPerMm)
{
    const QFontMetricsF fm(look.legendFont, device);
    const int count = values->seriesCount();
    double width = 0.0;
    for (int s = 0; s < count; ++s)
        width = std::max(width, fm.horizontalAdvance(values->name(s)));
    // One series shows its name alone; several get a line sample each.
    if (count > 1)
        width += px(look.legendIndent, pxPerMm);
    double height = (count > 1 ? count : 1) * fm.height();
    if (!title.isEmpty()) {
        const QFontMetricsF tm(look.legendTitleFont, device);
        width = std::max(width, tm.horizontalAdvance(title));
        height += tm.height();
    }
    return QSizeF(width, height);
}

void drawMarker(QPainter &painter, const QPointF &p, double side, const QColor &color)
{
    painter.fillRect(QRectF(p.x() - std::floor(side / 2), p.y() - std::floor(side / 2), side, side), color);
}

void drawSeries(QPainter &painter, const Layout &l, const Look &look, const Axes &axes, IPlotValues *values,
                int series)
{
    const int n = values->pointCount(series);
    if (n <= 0)
        return;
    const QColor color = values->color(series);
    painter.save();
    painter.setClipRect(l.plot, Qt::IntersectClip);
    painter.setRenderHint(QPainter::Antialiasing, true);
    const double onePixel = (axes.xMax - axes.xMin) / l.plot.width();
    const bool lines = axes.style == Lines || axes.style == LinesAndMarkers;
    const bool markers = axes.style == Markers || axes.style == LinesAndMarkers;
    const double side = px(look.markerSize, l.pxPerMm);
    auto point = [&](int i) {
        return QPointF(l.pixelX(axes, values->x(series, i)), l.pixelY(axes, values->y(series, i)));
    };

    if (!lines) {
        for (int i = 0; i < n; ++i) {
            const double x = values->x(series, i);
            if (x >= axes.xMin && x <= axes.xMax)
                drawMarker(painter, point(i), side, color);
        }
        painter.restore();
        return;
    }

    const Qt::PenCapStyle cap = look.roundLines ? Qt::RoundCap : Qt::SquareCap;
    const Qt::PenJoinStyle join = look.roundLines ? Qt::RoundJoin : Qt::BevelJoin;
    const double width = look.seriesWidth * l.pxPerMm;
    const QPen linePen(color, width, Qt::SolidLine, cap, join);
    const QColor gapColor(plotscale::mixWithWhite(color.red()), plotscale::mixWithWhite(color.green()),
                          plotscale::mixWithWhite(color.blue()), 255);
    const QPen gapPen(gapColor, width, Qt::DotLine, cap, join);

    // Enter from the left edge: start at the last point before x min.
    int i = 0;
    while (i + 1 < n && values->x(series, i + 1) < axes.xMin)
        ++i;
    QPointF from = point(i);
    double fromX = values->x(series, i);
    if (markers)
        drawMarker(painter, from, side, color);
    while (fromX < axes.xMax && i + 1 < n) {
        // Points that fall within one pixel of the next point's column are
        // drawn as one vertical stroke from their lowest to their highest y.
        int j = i + 1;
        const double runX = values->x(series, j);
        double low = values->y(series, j), high = low;
        while (j + 1 < n && values->x(series, j + 1) - runX < onePixel) {
            ++j;
            const double y = values->y(series, j);
            low = std::min(low, y);
            high = std::max(high, y);
        }
        const QPointF to = point(i + 1);
        painter.setPen(axes.gapThreshold > 0.0 && runX - fromX > axes.gapThreshold ? gapPen : linePen);
        painter.drawLine(from, to);
        if (j > i + 1) {
            painter.setPen(linePen);
            painter.drawLine(QPointF(to.x(), l.pixelY(axes, low)), QPointF(to.x(), l.pixelY(axes, high)));
        }
        if (markers)
            for (int k = i + 1; k <= j; ++k)
                drawMarker(painter, point(k), side, color);
        i = j;
        from = point(i);
        fromX = values->x(series, i);
    }
    painter.restore();
}

void drawGrid(QPainter &painter, const Layout &l, const Look &look, const Axes &axes)
{
    painter.setRenderHint(QPainter::Antialiasing, false);
    const QPen gridPen(look.gridColour, look.gridWidth * l.pxPerMm, look.gridStyle, Qt::SquareCap, Qt::BevelJoin);
    painter.setFont(look.labelFont);
    const QFontMetricsF fm(look.labelFont, painter.device());
    const double h = fm.height();
    const QRectF &plot = l.plot;

    const double ySpacing = yGridSpacing(axes, plot.height(), h);
    if (ySpacing > 0.0) {
        double value = plotscale::firstGridValue(axes.yMin, ySpacing);
        // Labels go up from the lowest; one that an edge moved onto the one
        // before it is left out.
        double previousBaseline = std::numeric_limits<double>::infinity();
        for (int n = 0; n < MaxGridLines; ++n, value += ySpacing) {
            const double y = l.pixelY(axes, value);
            if (!(y >= plot.top()))
                break;
            painter.setPen(gridPen);
            painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
            if (axes.yLabels) {
                // Centred on its line, moved in where the edges would cut it.
                const QString text = plotscale::formatLabel(axes.yFormat, value);
                const double baseline =
                    std::max(l.rect.top() + fm.ascent(), std::min(y + h / 2.0, l.rect.bottom() - fm.descent()));
                if (previousBaseline - baseline < h)
                    continue;
                previousBaseline = baseline;
                painter.setPen(look.labelColour);
                painter.drawText(QPointF(plot.left() - px(look.yLabelGap, l.pxPerMm) - fm.horizontalAdvance(text),
                                         baseline),
                                 text);
            }
        }
    }

    const double xSpacing =
        xGridSpacing(axes, plot.width(), xLabelWidth(look, axes, painter.device(), l.pxPerMm));
    if (!(xSpacing > 0.0))
        return;
    QVector<double> centres, widths;
    QStringList texts;
    double value = plotscale::firstGridValue(axes.xMin, xSpacing);
    for (int n = 0; n < MaxGridLines; ++n, value += xSpacing) {
        const double x = l.pixelX(axes, value);
        if (!(x < l.rect.right()))
            break;
        painter.setPen(gridPen);
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
        texts.append(xLabel(axes, value));
        centres.append(x);
        widths.append(fm.horizontalAdvance(texts.last()));
    }
    if (!axes.xLabels)
        return;
    painter.setPen(look.labelColour);
    // Whole, apart, and clear of the y labels' column, which the lowest y
    // label reaches down from.
    const double left = axes.yLabels ? plot.left() - px(look.yLabelGap, l.pxPerMm) : l.rect.left();
    const QVector<double> lefts = placeLabels(centres, widths, left, l.rect.right(), px(look.xLabelGap, l.pxPerMm) / 2.0);
    const double baseline = l.rect.bottom() - px(look.xLabelBottom, l.pxPerMm);
    for (int i = 0; i < lefts.size(); ++i)
        if (!std::isnan(lefts[i]))
            painter.drawText(QPointF(lefts[i], baseline), texts[i]);
}

void drawLegend(QPainter &painter, const Layout &l, const Look &look, IPlotValues *values, const QString &title)
{
    if (l.legend.isEmpty())
        return;
    painter.setRenderHint(QPainter::Antialiasing, true);
    const QRectF &box = l.legend;
    double top = box.top();
    if (!title.isEmpty()) {
        const QFontMetricsF tm(look.legendTitleFont, painter.device());
        painter.setFont(look.legendTitleFont);
        painter.setPen(Qt::black);
        painter.drawText(QPointF(box.left(), top + tm.ascent()), title);
        top += tm.height();
    }
    painter.setFont(look.legendFont);
    const QFontMetricsF fm(look.legendFont, painter.device());
    const int count = values->seriesCount();
    if (count == 1) {
        painter.setPen(values->color(0));
        painter.drawText(QPointF(box.left(), top + fm.ascent()), values->name(0));
        return;
    }
    const double indent = px(look.legendIndent, l.pxPerMm);
    for (int s = 0; s < count; ++s) {
        const double baseline = top + fm.ascent() + s * fm.height();
        const double middle = baseline - fm.ascent() / 2.0 + 1;
        painter.setPen(QPen(values->color(s), look.seriesWidth * l.pxPerMm, Qt::SolidLine));
        painter.drawLine(QPointF(box.left(), middle), QPointF(box.left() + px(look.legendSample, l.pxPerMm), middle));
        painter.drawText(QPointF(box.left() + indent, baseline), values->name(s));
    }
}

} // namespace

Look screenLook(const QFont &labelFont, double pxPerMm)
{
    // The widget's sizes are whole pixels of its screen.
    const double pixel = pxPerMm > 0.0 ? 1.0 / pxPerMm : ScreenPixel;
    Look look;
    look.labelFont = labelFont;
    look.gridStyle = Qt::DotLine;
    look.gridWidth = 1 * pixel;
    look.yLabelStrip = 30 * pixel;
    look.xLabelStrip = 15 * pixel;
    look.yLabelGap = 5 * pixel;
    look.xLabelGap = 10 * pixel;
    look.xLabelBottom = 3 * pixel;
    look.seriesWidth = 2 * pixel;
    look.markerSize = 6 * pixel;
    look.highlightWidth = 1.5 * pixel;
    look.legendFont = QFont(QStringLiteral("Helvetica"), 10, QFont::Bold);
    look.legendTitleFont = look.legendFont;
    look.legendMargin = 10 * pixel;
    look.legendSample = 25 * pixel;
    look.legendIndent = 30 * pixel;
    return look;
}

Look paperLook(const QString &family)
{
    Look look;
    look.labelFont = QFont(family);
    look.labelFont.setPointSizeF(8);
    look.gridStyle = Qt::SolidLine;
    look.xLabelBottom = 1.75;
    look.roundLines = true;
    look.legendFont = look.labelFont;
    look.legendTitleFont = QFont(family);
    look.legendTitleFont.setPointSizeF(10);
    look.legendTitleFont.setBold(true);
    look.legendSample = 4.0;
    look.legendIndent = 5.0;
    return look;
}

double Layout::pixelX(const Axes &axes, double x) const
{
    return plotscale::toPixel(x, axes.xMin, axes.xMax, int(plot.left()), int(plot.right()));
}

double Layout::pixelY(const Axes &axes, double y) const
{
    return plotscale::toPixel(y, axes.yMin, axes.yMax, int(plot.bottom()), int(plot.top()));
}

double Layout::valueAtX(const Axes &axes, double pixel) const
{
    return plotscale::toValue(pixel, axes.xMin, axes.xMax, int(plot.left()), int(plot.right()));
}

Layout layout(const QRectF &rect, double pxPerMm, const QPaintDevice *device, const Look &look, const Axes &axes,
              IPlotValues *values, const QString &legendTitle)
{
    Layout l;
    l.rect = rect;
    l.pxPerMm = pxPerMm;
    const double left = std::round(rect.left()) + (axes.yLabels ? px(look.yLabelStrip, pxPerMm) : 0.0);
    const double bottom = std::round(rect.bottom()) - (axes.xLabels ? px(look.xLabelStrip, pxPerMm) : 0.0);
    l.plot = QRectF(QPointF(left, std::round(rect.top())), QPointF(std::round(rect.right()), bottom));
    if (!values || values->seriesCount() <= 0 || l.plot.width() <= 0 || l.plot.height() <= 0)
        return l;
    bool named = !legendTitle.isEmpty();
    for (int s = 0; s < values->seriesCount() && !named; ++s)
        named = !values->name(s).isEmpty();
    if (!named)
        return l;

    const QSizeF size = legendSize(look, values, legendTitle, device, pxPerMm);
    const double margin = px(look.legendMargin, pxPerMm);
    const double padding = std::max(1.0, std::round(margin / 5.0));
    const QRectF &p = l.plot;
    const QPointF corners[] = {{p.right() - margin - size.width(), p.top() + padding},
                               {p.left() + margin, p.top() + padding},
                               {p.right() - margin - size.width(), p.bottom() - padding - size.height()},
                               {p.left() + margin, p.bottom() - padding - size.height()}};
    const bool drawable = rangesValid(axes);
    for (const QPointF &corner : corners) {
        const QRectF box(corner, size);
        if (!drawable || !coversData(l, axes, values, box.adjusted(-padding, -padding, padding, padding))) {
            l.legend = box;
            return l;
        }
    }
    // No free corner: the legend takes a band above the data, unless that
    // would leave the data less than half the plot.
    l.legend = QRectF(corners[0], size);
    const double top = std::round(l.legend.bottom() + padding);
    if (l.plot.bottom() - top >= l.plot.height() / 2.0)
        l.plot.setTop(top);
    return l;
}

void draw(QPainter &painter, const QRectF &rect, double pxPerMm, const Look &look, const Axes &axes,
          IPlotValues *values, const Marks &marks)
{
    draw(painter, layout(rect, pxPerMm, painter.device(), look, axes, values, marks.legendTitle), look, axes, values,
         marks);
}

void draw(QPainter &painter, const Layout &l, const Look &look, const Axes &axes, IPlotValues *values,
          const Marks &marks)
{
    if (l.rect.isEmpty())
        return;
    painter.save();
    painter.fillRect(l.rect, Qt::white);
    const bool plottable = rangesValid(axes) && l.plot.width() > 0 && l.plot.height() > 0;
    if (values && plottable && marks.selectionStart != marks.selectionEnd && marks.selectionColour.isValid()) {
        double a = l.pixelX(axes, marks.selectionStart), b = l.pixelX(axes, marks.selectionEnd);
        if (a > b)
            std::swap(a, b);
        a = std::max(a, l.plot.left());
        b = std::min(b, l.plot.right());
        if (b > a)
            painter.fillRect(QRectF(QPointF(a, l.plot.top()), QPointF(b, l.plot.bottom() - 1)), marks.selectionColour);
    }
    drawGrid(painter, l, look, axes);
    if (values && plottable)
        for (int s = 0; s < values->seriesCount(); ++s)
            drawSeries(painter, l, look, axes, values, s);
    if (marks.highlight && plottable && marks.highlightValue >= axes.xMin && marks.highlightValue <= axes.xMax) {
        const double x = l.pixelX(axes, marks.highlightValue);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(Qt::gray, look.highlightWidth * l.pxPerMm, Qt::SolidLine));
        painter.drawLine(QPointF(x, l.plot.top()), QPointF(x, l.plot.bottom()));
    }
    if (values)
        drawLegend(painter, l, look, values, marks.legendTitle);
    painter.restore();
}

double xGridSpacing(const Axes &axes, double plotWidth, double labelWidth)
{
    if (!(axes.xMax > axes.xMin) || !(plotWidth > 0.0))
        return 0.0;
    const double pixelsPerUnit = plotWidth / (axes.xMax - axes.xMin);
    double step = axes.xStep;
    if (step == 0.0) {
        const double r = labelWidth / pixelsPerUnit;
        step = axes.timeFormat.isEmpty() ? plotscale::automaticStep(r) : plotscale::automaticTimeStep(r);
    }
    return plotscale::gridSpacing(step, labelWidth, pixelsPerUnit);
}

double yGridSpacing(const Axes &axes, double plotHeight, double fontHeight)
{
    if (!(axes.yMax > axes.yMin) || !(plotHeight > 0.0))
        return 0.0;
    const double pixelsPerUnit = plotHeight / (axes.yMax - axes.yMin);
    const double step = axes.yStep != 0.0 ? axes.yStep : plotscale::automaticStep(fontHeight / pixelsPerUnit);
    return plotscale::gridSpacing(step, fontHeight, pixelsPerUnit);
}

double xLabelWidth(const Look &look, const Axes &axes, const QPaintDevice *device, double pxPerMm)
{
    const QFontMetricsF fm(look.labelFont, device);
    // A time format is as wide as its labels; a printf format is not.
    return std::max({axes.timeFormat.isEmpty() ? 0.0 : fm.horizontalAdvance(axes.timeFormat),
                     fm.horizontalAdvance(xLabel(axes, std::ceil(axes.xMin))),
                     fm.horizontalAdvance(xLabel(axes, std::floor(axes.xMax)))})
        + px(look.xLabelGap, pxPerMm);
}

QString xLabel(const Axes &axes, double value)
{
    return axes.timeFormat.isEmpty() ? plotscale::formatLabel(axes.xFormat, value)
                                     : plotscale::timeLabel(value, axes.timeFormat);
}

QVector<double> placeLabels(const QVector<double> &centres, const QVector<double> &widths, double left, double right,
                            double gap)
{
    QVector<double> lefts(centres.size(), std::nan(""));
    double previousRight = -std::numeric_limits<double>::infinity();
    for (int i = 0; i < centres.size(); ++i) {
        const double width = widths.value(i);
        double x = std::max(left, std::min(centres[i] - width / 2.0, right - width));
        if (x < previousRight + gap || width > right - left)
            continue;
        lefts[i] = x;
        previousRight = x + width;
    }
    return lefts;
}

} // namespace plotpainter
