#pragma once

#include "display/qplotgraphic.h"
#include "storage/stsessiondata.h"

#include <QCoreApplication>

// ST trend of a live session for the panel's plot, beside the heart rate:
// one series in millimetres at 10 mm/mV, a point per block at its time.
class TMStPlotValues : public QPlotGraphic::IPlotValues
{
    Q_DECLARE_TR_FUNCTIONS(TMStPlotValues)

public:
    explicit TMStPlotValues(const StSessionData *st) : m_st(st) {}

    int seriesCount() override { return 1; }
    int pointCount(int series) override { return series == 0 ? m_st->trend.size() : 0; }
    double x(int, int point) override { return m_st->trend.at(point).timeS; }
    double y(int, int point) override { return m_st->trend.at(point).stUv / 100.0; }
    QColor color(int) override { return QColor(0, 110, 200); }
    QString name(int) override { return tr("ST mm"); }

private:
    const StSessionData *m_st;
};
