#pragma once

#include "display/historyplots.h"
#include "display/qplotgraphic.h"
#include "storage/sessionhistory.h"

#include <QCoreApplication>
#include <QVector>

// The series of one history plot of a patient's course: x is the session
// number. Three series are the exercise phases (basal, intra-exercise,
// post-exercise), named after the plot's label and coloured as the table of
// history plots says. The series are read, not owned; they are refilled in
// place.
class THistoryPlotValues : public QPlotGraphic::IPlotValues
{
    Q_DECLARE_TR_FUNCTIONS(THistoryPlotValues)

public:
    THistoryPlotValues(const HistoryPlots::Plot &plot, const QVector<const HistorySeries *> &series);

    int seriesCount() override;
    int pointCount(int series) override;
    double x(int series, int point) override;
    double y(int series, int point) override;
    QColor color(int series) override;
    QString name(int series) override;

private:
    const HistoryPoint *point(int series, int index) const;

    HistoryPlots::Plot m_plot;
    QVector<const HistorySeries *> m_series;
};
