#pragma once

#include "display/plotpainter.h"

#include <QColor>
#include <QPixmap>
#include <QPoint>
#include <QString>
#include <QWidget>

class QPainter;

// Small x-y trend plot. Series come from an IPlotValues adaptor the plot does
// not own. Draws, with the plot painter shared with the printed graphs, a
// dotted grid with numeric or time labels, the series as markers and/or
// lines, a selection band, a highlight line and a legend into a cached
// picture; the mouse pans and zooms unlocked axes (drag on the label strips,
// Control zooms), highlights on click and selects with Shift.
class QPlotGraphic : public QWidget
{
    Q_OBJECT

public:
    using IPlotValues = ::IPlotValues;

    enum Style { Markers = 0, Lines = 1, LinesAndMarkers = 2 };

    explicit QPlotGraphic(QWidget *parent = nullptr);

    void setValues(IPlotValues *values);
    void setStyle(int style);
    int style() const { return m_axes.style; }
    void setXLocked(bool locked) { m_xLocked = locked; }
    bool isXLocked() const { return m_xLocked; }
    void setYLocked(bool locked) { m_yLocked = locked; }
    bool isYLocked() const { return m_yLocked; }
    void setXStep(double step);
    double xStep() const { return m_axes.xStep; }
    void setYStep(double step) { m_axes.yStep = step; }
    double yStep() const { return m_axes.yStep; }
    void setXRange(double min, double max);
    void setYRange(double min, double max);
    double xMin() const { return m_axes.xMin; }
    double xMax() const { return m_axes.xMax; }
    double yMin() const { return m_axes.yMin; }
    double yMax() const { return m_axes.yMax; }
    void setTimeFormat(const QString &format) { m_axes.timeFormat = format; }
    QString timeFormat() const { return m_axes.timeFormat; }
    void setXLabelsVisible(bool visible) { m_axes.xLabels = visible; }
    void setYLabelsVisible(bool visible) { m_axes.yLabels = visible; }
    void setXLabelFormat(const QString &format) { m_axes.xFormat = format; }
    void setYLabelFormat(const QString &format) { m_axes.yFormat = format; }
    void setGapThreshold(double threshold) { m_axes.gapThreshold = threshold; }
    void setHighlightVisible(bool visible) { m_marks.highlight = visible; }
    bool isHighlightVisible() const { return m_marks.highlight; }
    void setHighlightValue(double value) { m_marks.highlightValue = value; }
    double highlightValue() const { return m_marks.highlightValue; }
    void setHighlightOnClick(bool enabled) { m_highlightOnClick = enabled; }
    void setSelectionEnabled(bool enabled) { m_selectionEnabled = enabled; }
    void setSelectionColor(const QColor &color) { m_marks.selectionColour = color; }
    void setSelection(int index, double start, double end);
    double selectionStart(int index = 0) const;
    double selectionEnd(int index = 0) const;
    int activeSelection() const { return m_activeSelection; }
    int selectedIndex() const { return m_selectedIndex; }

    // Plot area in widget pixels: left, top, right (exclusive), bottom (exclusive).
    int plotLeft() const { return int(m_layout.plot.left()); }
    int plotTop() const { return int(m_layout.plot.top()); }
    int plotRight() const { return int(m_layout.plot.right()); }
    int plotBottom() const { return int(m_layout.plot.bottom()); }
    // Pixel of a value and value under a pixel for the current ranges.
    double pixelX(double x) const;
    double pixelY(double y) const;
    double valueAtX(int pixel) const;
    // The x grid spacing the next redraw uses (0 when no x grid is drawn).
    double xGridSpacing() const;
    double yGridSpacing() const;

    // Redraws and repaints after the data changed.
    void refresh();

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
    bool plotAreaEmpty() const { return m_layout.plot.width() <= 0 || m_layout.plot.height() <= 0; }
    bool insidePlot(const QPoint &p) const;
    plotpainter::Look look() const;

    QPixmap m_frame;
    IPlotValues *m_values = nullptr;
    plotpainter::Axes m_axes;
    plotpainter::Marks m_marks;
    plotpainter::Layout m_layout;
    bool m_xLocked = true, m_yLocked = true;
    bool m_highlightOnClick = false;
    bool m_selectionEnabled = false;
    double m_selStart[2] = {0.0, 0.0};
    double m_selEnd[2] = {0.0, 0.0};
    int m_activeSelection = -1;
    int m_selectedIndex = -1;
    bool m_panning = false, m_highlighting = false, m_selecting = false;
    QPoint m_lastPos;
};
