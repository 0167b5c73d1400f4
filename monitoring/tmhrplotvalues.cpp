#include "monitoring/tmhrplotvalues.h"

int TMHRPlotValues::seriesCount()
{
    return 1;
}

int TMHRPlotValues::pointCount(int series)
{
    return series == 0 && m_hrTrend ? m_hrTrend->size() : 0;
}

double TMHRPlotValues::x(int, int point)
{
    return point;
}

double TMHRPlotValues::y(int series, int point)
{
    if (series != 0 || !m_hrTrend || point < 0 || point >= m_hrTrend->size())
        return 0.0;
    return m_hrTrend->at(point);
}

QColor TMHRPlotValues::color(int)
{
    return Qt::black;
}

QString TMHRPlotValues::name(int)
{
    return tr("HR");
}
