#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>
#include <QVector>

class QPaintDevice;
class QPainter;

// The series a plot reads, through an adaptor over the caller's data. Points
// of a series are ordered by increasing x.
class IPlotValues
{
public:
    virtual ~IPlotValues() = default;
    virtual int seriesCount() = 0;
    virtual int pointCount(int series) = 0;
    virtual double x(int series, int point) = 0;
    virtual double y(int series, int point) = 0;
    virtual QColor color(int series) = 0;
    virtual QString name(int series) = 0;
};

// The x-y plot shared by the trend plot widget and the printed history
// graphs: a white background, a grid with numeric or time labels, the series
// as markers, lines or both, an optional selection band and highlight line,
// and a legend placed where it hides no data. Sizes are millimetres of the
// device painted on; the screen's look keeps the widget's pixel sizes.
namespace plotpainter {

enum Style { Markers = 0, Lines = 1, LinesAndMarkers = 2 };

// How the plot looks on a device. Lengths in millimetres.
struct Look
{
    QFont labelFont;
    QColor labelColour = Qt::darkGray;
    QColor gridColour = Qt::lightGray;
    Qt::PenStyle gridStyle = Qt::DotLine;
    double gridWidth = 0.1;
    double yLabelStrip = 7.0;  // left of the plot, when y labels are shown
    double xLabelStrip = 5.0;  // below the plot, when x labels are shown
    double yLabelGap = 1.0;    // between a y label and the plot
    double xLabelGap = 1.0;    // least room between two x labels
    double xLabelBottom = 1.0; // from the bottom edge up to the x labels' baseline
    double seriesWidth = 0.4;
    double markerSize = 1.2;
    bool roundLines = false;   // round caps and joins
    double highlightWidth = 0.4;
    QFont legendFont;
    QFont legendTitleFont;
    double legendMargin = 1.0; // from the plot's edges
    double legendSample = 6.0; // length of a series' line sample
    double legendIndent = 7.5; // from a row's left to its name
};
// The trend plot widget: its label font, 30- and 15-pixel label strips,
// 2-pixel lines and 6-pixel markers on a screen of pxPerMm (a 96-dpi one
// without it).
Look screenLook(const QFont &labelFont, double pxPerMm = 0.0);
// Printed graphs in the given font family.
Look paperLook(const QString &family);

// What is plotted: ranges, steps, label formats and style.
struct Axes
{
    double xMin = 0.0, xMax = 10.0, yMin = 0.0, yMax = 10.0;
    double xStep = 0.0, yStep = 0.0; // 0 = automatic
    QString xFormat = QStringLiteral("%g"), yFormat = QStringLiteral("%g");
    QString timeFormat;              // x labels are elapsed times when set
    bool xLabels = true, yLabels = true;
    double gapThreshold = 0.0;       // dotted line across wider gaps; 0 = off
    int style = Lines;
};

// What the widget adds: a selection band and a highlight line; and the
// legend's optional title.
struct Marks
{
    double selectionStart = 0.0, selectionEnd = 0.0;
    QColor selectionColour;
    bool highlight = false;
    double highlightValue = 0.0;
    QString legendTitle;
};

// Where everything goes in a rectangle, in device pixels.
struct Layout
{
    QRectF rect;        // the whole drawing
    QRectF plot;        // the plot area, on whole pixels
    QRectF legend;      // empty without a legend
    double pxPerMm = 0.0;
    // Pixel of a value (rounded to a whole pixel), and value under a pixel.
    double pixelX(const Axes &axes, double x) const;
    double pixelY(const Axes &axes, double y) const;
    double valueAtX(const Axes &axes, double pixel) const;
};
// The plot area and the legend: the legend goes to the first corner of the
// plot (top right, top left, bottom right, bottom left) where it covers no
// point or line; when every corner would, the plot gives up a band at its
// top for it (as long as half the plot is left). Fonts are measured on
// `device`.
Layout layout(const QRectF &rect, double pxPerMm, const QPaintDevice *device, const Look &look, const Axes &axes,
              IPlotValues *values, const QString &legendTitle = QString());

// Draws the plot into rect.
void draw(QPainter &painter, const QRectF &rect, double pxPerMm, const Look &look, const Axes &axes,
          IPlotValues *values, const Marks &marks = Marks());
// The same with a layout already worked out.
void draw(QPainter &painter, const Layout &layout, const Look &look, const Axes &axes, IPlotValues *values,
          const Marks &marks = Marks());

// Distance between grid lines for the plot area's size and the label font:
// the step (or the automatic step) times the smallest multiple that keeps
// labels apart. 0 when there is no grid on that axis.
double xGridSpacing(const Axes &axes, double plotWidth, double labelWidth);
double yGridSpacing(const Axes &axes, double plotHeight, double fontHeight);
// The text of an x label.
QString xLabel(const Axes &axes, double value);
// Room one x label needs on `device`: the widest of the time format (when
// set) and the labels at both ends of the range, plus the gap between labels.
double xLabelWidth(const Look &look, const Axes &axes, const QPaintDevice *device, double pxPerMm);

// Left edges of labels of the given widths centred on `centres`, moved
// inside [left, right]; a label that would then touch the one before it
// (less than `gap` apart) is left out (NaN).
QVector<double> placeLabels(const QVector<double> &centres, const QVector<double> &widths, double left, double right,
                            double gap);

} // namespace plotpainter
