#pragma once

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QWidget>

class QPainter;

// Small x-y trend plot. Series come from an IPlotValues adaptor the plot does
// not own. Draws a dotted grid with numeric or time labels, the series as
// markers and/or lines, a selection band, a highlight line and a legend; the
// mouse pans and zooms unlocked axes (drag on the label strips, Control
// zooms), highlights on click and selects with Shift.
class QPlotGraphic : public QWidget
{
    Q_OBJECT

public:
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

    enum Style { Markers = 0, Lines = 1, LinesAndMarkers = 2 };

    static constexpr int YLabelWidth = 30;
    static constexpr int XLabelHeight = 15;

    explicit QPlotGraphic(QWidget *parent = nullptr);

    void setValues(IPlotValues *values);
    void setStyle(int style);
    int style() const { return m_style; }
    void setXLocked(bool locked) { m_xLocked = locked; }
    bool isXLocked() const { return m_xLocked; }
    void setYLocked(bool locked) { m_yLocked = locked; }
    bool isYLocked() const { return m_yLocked; }
    void setXStep(double step);
    double xStep() const { return m_xStep; }
    void setYStep(double step) { m_yStep = step; }
    double yStep() const { return m_yStep; }
    void setXRange(double min, double max);
    void setYRange(double min, double max);
    double xMin() const { return m_xMin; }
    double xMax() const { return m_xMax; }
    double yMin() const { return m_yMin; }
    double yMax() const { return m_yMax; }
    void setTimeFormat(const QString &format) { m_timeFormat = format; }
    QString timeFormat() const { return m_timeFormat; }
    void setXLabelsVisible(bool visible) { m_xLabels = visible; }
    void setYLabelsVisible(bool visible) { m_yLabels = visible; }
    void setXLabelFormat(const QString &format) { m_xFormat = format; }
    void setYLabelFormat(const QString &format) { m_yFormat = format; }
    void setGapThreshold(double threshold) { m_gapThreshold = threshold; }
    void setHighlightVisible(bool visible) { m_highlightShown = visible; }
    bool isHighlightVisible() const { return m_highlightShown; }
    void setHighlightValue(double value) { m_highlightValue = value; }
    double highlightValue() const { return m_highlightValue; }
    void setHighlightOnClick(bool enabled) { m_highlightOnClick = enabled; }
    void setSelectionEnabled(bool enabled) { m_selectionEnabled = enabled; }
    void setSelectionColor(const QColor &color) { m_selectionColor = color; }
    void setSelection(int index, double start, double end);
    double selectionStart(int index = 0) const;
    double selectionEnd(int index = 0) const;
    int activeSelection() const { return m_activeSelection; }
    int selectedIndex() const { return m_selectedIndex; }

    // Plot area in widget pixels: left, top, right (exclusive), bottom (exclusive).
    int plotLeft() const { return m_left; }
    int plotTop() const { return m_top; }
    int plotRight() const { return m_right; }
    int plotBottom() const { return m_bottom; }
    // Pixel of a value and value under a pixel for the current ranges.
    double pixelX(double x) const;
    double pixelY(double y) const;
    double valueAtX(int pixel) const;
    // The x grid spacing the next redraw uses (0 when no x grid is drawn).
    double xGridSpacing() const;
    double yGridSpacing() const;

    // Redraws and repaints after the data changed.
    void refresh();

    const QPixmap &frameBuffer() const { return m_frame; }

signals:
    void selectedValueChanged();
    void scaleChanged();
    void highlightChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void redraw();
    void updateLayout();
    bool plotAreaEmpty() const { return m_right <= m_left || m_bottom <= m_top; }
    bool insidePlot(const QPoint &p) const;
    int xLabelWidth() const;
    void drawSelection(QPainter &painter);
    void drawGrid(QPainter &painter);
    void drawSeries(QPainter &painter, int series);
    void drawMarker(QPainter &painter, const QPointF &p, const QColor &color);
    void drawLegend(QPainter &painter);

    QPixmap m_frame;
    IPlotValues *m_values = nullptr;
    double m_xMin = 0.0, m_xMax = 10.0;
    double m_yMin = 0.0, m_yMax = 10.0;
    bool m_xLocked = true, m_yLocked = true;
    bool m_xLabels = true, m_yLabels = true;
    double m_xStep = 0.0, m_yStep = 0.0;
    QString m_xFormat = QStringLiteral("%g");
    QString m_yFormat = QStringLiteral("%g");
    QString m_timeFormat;
    double m_gapThreshold = 0.0;
    int m_style = Lines;
    bool m_highlightShown = false;
    double m_highlightValue = 0.0;
    bool m_highlightOnClick = false;
    bool m_selectionEnabled = false;
    double m_selStart[2] = {0.0, 0.0};
    double m_selEnd[2] = {0.0, 0.0};
    int m_activeSelection = -1;
    QColor m_selectionColor;
    int m_selectedIndex = -1;
    bool m_panning = false, m_highlighting = false, m_selecting = false;
    QPoint m_lastPos;
    int m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
};
