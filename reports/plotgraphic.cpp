#include "reports/plotgraphic.h"

#include "reports/signalgraphic.h"
#include "reports/textfit.h"

#include <QPainter>

// The graph's series, read by the plot painter.
class PlotGraphic::Series : public IPlotValues
{
public:
    struct One
    {
        QVector<double> x, y;
        QColor color;
        QString name;
    };
    QVector<One> series;

    int seriesCount() override { return series.size(); }
    int pointCount(int s) override { return qMin(series[s].x.size(), series[s].y.size()); }
    double x(int s, int p) override { return series[s].x[p]; }
    double y(int s, int p) override { return series[s].y[p]; }
    QColor color(int s) override { return series[s].color; }
    QString name(int s) override { return series[s].name; }
};

PlotGraphic::PlotGraphic(QObject *parent)
    : QObject(parent), m_series(new Series)
{
}

PlotGraphic::~PlotGraphic() = default;

void PlotGraphic::addSeries(const QVector<double> &x, const QVector<double> &y, const QColor &color,
                            const QString &name)
{
    m_series->series.append({x, y, color, name});
}

void PlotGraphic::setXRange(double min, double max)
{
    m_axes.xMin = min;
    m_axes.xMax = max;
}

void PlotGraphic::setYRange(double min, double max)
{
    m_axes.yMin = min;
    m_axes.yMax = max;
}

void PlotGraphic::draw(QPainter &painter, const QRect &rect)
{
    plotpainter::Marks marks;
    marks.legendTitle = m_legendTitle;
    plotpainter::draw(painter, QRectF(rect), devicePixelsPerMmX(painter.device()),
                      plotpainter::paperLook(printFontFamily(QStringLiteral("Helvetica"))), m_axes, m_series.get(), marks);
}
