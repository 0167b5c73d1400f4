#pragma once

#include "display/qplotgraphic.h"

#include <QVector>

// One per-second trend of a reviewed session as a single black series,
// point i at i seconds since the session's start. The trend belongs to the
// session; the adaptor only points at it and can be pointed at the next
// session's trend.
template<typename T>
class TRTrendPlotValues : public QPlotGraphic::IPlotValues
{
public:
    explicit TRTrendPlotValues(const QVector<T> *trend = nullptr) : m_trend(trend) {}

    void setTrend(const QVector<T> *trend) { m_trend = trend; }

    int seriesCount() override { return 1; }
    int pointCount(int series) override { return series == 0 && m_trend ? m_trend->size() : 0; }
    double x(int, int point) override { return point; }
    double y(int series, int point) override
    {
        if (series != 0 || !m_trend || point < 0 || point >= m_trend->size())
            return 0.0;
        return double(m_trend->at(point));
    }
    QColor color(int) override { return Qt::black; }

private:
    const QVector<T> *m_trend;
};
