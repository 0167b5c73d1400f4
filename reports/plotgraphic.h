#pragma once

#include <QColor>
#include <QObject>
#include <QRect>
#include <QString>
#include <QVector>

class QPainter;

// Draws a history graph into a rectangle of any painter, sized in
// millimetres of the painter's device: a light grid with labels (the trend
// plot's steps and spacing rule) and the series as markers, lines or both.
// It draws no legend; the report prints its own beside the graph.
class PlotGraphic : public QObject
{
    Q_OBJECT

public:
    enum Style { Markers = 0, Lines = 1, LinesAndMarkers = 2 };

    explicit PlotGraphic(QObject *parent = nullptr);

    // Copies the two vectors; points are ordered by increasing x.
    void addSeries(const QVector<double> &x, const QVector<double> &y, const QColor &color);
    void setStyle(int style) { m_style = style; }
    void setXStep(double step) { m_xStep = step; }
    void setYStep(double step) { m_yStep = step; }
    void setXRange(double min, double max);
    void setYRange(double min, double max);
    void setXLabelsVisible(bool visible) { m_xLabels = visible; }
    void setYLabelsVisible(bool visible) { m_yLabels = visible; }
    void setXLabelFormat(const QString &format) { m_xFormat = format; }
    void setYLabelFormat(const QString &format) { m_yFormat = format; }
    void setTimeFormat(const QString &format) { m_timeFormat = format; }

    // The x grid spacing drawing into `plotWidth` pixels would use, with a
    // label font whose widest label is `labelWidth` pixels; 0 for no grid.
    double xGridSpacing(double plotWidth, double labelWidth) const;

    void draw(QPainter &painter, const QRect &rect);

private:
    struct Series
    {
        QVector<double> x, y;
        QColor color;
    };

    void drawGrid(QPainter &painter, const QRect &rect, const QRectF &plot, double pxX);
    void drawSeries(QPainter &painter, const Series &series, const QRectF &plot, double pxX);
    QString xLabel(double value) const;

    QVector<Series> m_series;
    double m_xMin = 0.0, m_xMax = 10.0, m_yMin = 0.0, m_yMax = 10.0;
    int m_style = Lines;
    bool m_xLabels = true, m_yLabels = true;
    double m_xStep = 0.0, m_yStep = 0.0;
    QString m_xFormat = QStringLiteral("%g"), m_yFormat = QStringLiteral("%g");
    QString m_timeFormat;
};
