#pragma once

#include "display/qplotgraphic.h"

#include <QCoreApplication>
#include <QVector>

// Heart-rate trend of a live session for the panel's plot: one black series,
// point i at i seconds since the session's start.
class TMHRPlotValues : public QPlotGraphic::IPlotValues
{
    Q_DECLARE_TR_FUNCTIONS(TMHRPlotValues)

public:
    explicit TMHRPlotValues(const QVector<int> *hrTrend) : m_hrTrend(hrTrend) {}

    int seriesCount() override;
    int pointCount(int series) override;
    double x(int series, int point) override;
    double y(int series, int point) override;
    QColor color(int series) override;
    QString name(int series) override;

private:
    const QVector<int> *m_hrTrend;
};
