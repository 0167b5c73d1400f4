#pragma once

#include "display/plotpainter.h"

#include <QColor>
#include <QObject>
#include <QRect>
#include <QString>
#include <QVector>

#include <memory>

class QPainter;

// Draws a history graph into a rectangle of any painter, sized in
// millimetres of the painter's device, with the plot painter the trend plot
// widget uses: a light grid with labels and the series as markers, lines or
// both. Named series get a legend (with an optional title) in a corner of
// the graph where it hides no data.
class PlotGraphic : public QObject
{
    Q_OBJECT

public:
    enum Style { Markers = 0, Lines = 1, LinesAndMarkers = 2 };

    explicit PlotGraphic(QObject *parent = nullptr);
    ~PlotGraphic() override;

    // Copies the two vectors; points are ordered by increasing x.
    void addSeries(const QVector<double> &x, const QVector<double> &y, const QColor &color,
                   const QString &name = QString());
    void setLegendTitle(const QString &title) { m_legendTitle = title; }
    void setStyle(int style) { m_axes.style = style; }
    void setXStep(double step) { m_axes.xStep = step; }
    void setYStep(double step) { m_axes.yStep = step; }
    void setXRange(double min, double max);
    void setYRange(double min, double max);
    void setXLabelsVisible(bool visible) { m_axes.xLabels = visible; }
    void setYLabelsVisible(bool visible) { m_axes.yLabels = visible; }
    void setXLabelFormat(const QString &format) { m_axes.xFormat = format; }
    void setYLabelFormat(const QString &format) { m_axes.yFormat = format; }
    void setTimeFormat(const QString &format) { m_axes.timeFormat = format; }

    void draw(QPainter &painter, const QRect &rect);

private:
    class Series;
    std::unique_ptr<Series> m_series;
    plotpainter::Axes m_axes;
    QString m_legendTitle;
};
