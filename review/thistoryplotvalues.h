#pragma once

#include "display/qplotgraphic.h"
#include "storage/sessionhistory.h"

#include <QCoreApplication>

#include <array>

// One or three history series of a patient's course for a summary plot:
// x is the session number. Three series are the exercise phases (basal,
// intra-exercise, post-exercise) in dark green, dark blue and dark magenta.
// The series are read, not owned; they are refilled in place.
class THistoryPlotValues : public QPlotGraphic::IPlotValues
{
    Q_DECLARE_TR_FUNCTIONS(THistoryPlotValues)

public:
    THistoryPlotValues(const QString &label, const HistorySeries *series);
    THistoryPlotValues(const QString &label, const HistorySeries *basal, const HistorySeries *intraExercise,
                       const HistorySeries *postExercise);

    int seriesCount() override;
    int pointCount(int series) override;
    double x(int series, int point) override;
    double y(int series, int point) override;
    QColor color(int series) override;
    QString name(int series) override;

private:
    const HistoryPoint *point(int series, int index) const;

    int m_count = 1;
    std::array<const HistorySeries *, 3> m_series{};
    std::array<QColor, 3> m_colors;
    std::array<QString, 3> m_names;
};
