#include "display/historyplots.h"

#include <QtGlobal>

namespace HistoryPlots {

const std::array<Plot, Count> &plots()
{
    static const std::array<Plot, Count> table = {{
        {QT_TRANSLATE_NOOP("HistoryPlots", "HR"), 0.0, 200.0, true},
        {QT_TRANSLATE_NOOP("HistoryPlots", "SBP"), 50.0, 250.0, true},
        {QT_TRANSLATE_NOOP("HistoryPlots", "Weight"), 0.0, 200.0, false},
        {QT_TRANSLATE_NOOP("HistoryPlots", "BMI"), 0.0, 50.0, false},
        {QT_TRANSLATE_NOOP("HistoryPlots", "Abdomen"), 0.0, 200.0, false},
    }};
    return table;
}

double xMaximum(int sessionCount)
{
    return qMax(sessionCount, 20) + 0.5;
}

QColor seriesColor(const Plot &plot, int series)
{
    if (!plot.phases)
        return Qt::black;
    static const QColor phases[3] = {Qt::darkGreen, Qt::darkBlue, Qt::darkMagenta};
    return series >= 0 && series < 3 ? phases[series] : QColor();
}

} // namespace HistoryPlots
