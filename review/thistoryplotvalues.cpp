#include "review/thistoryplotvalues.h"

THistoryPlotValues::THistoryPlotValues(const HistoryPlots::Plot &plot, const QVector<const HistorySeries *> &series)
    : m_plot(plot), m_series(series)
{
}

int THistoryPlotValues::seriesCount()
{
    return m_series.size();
}

const HistoryPoint *THistoryPlotValues::point(int series, int index) const
{
    if (series < 0 || series >= m_series.size() || index < 0 || index >= m_series[series]->size())
        return nullptr;
    return &m_series[series]->at(index);
}

int THistoryPlotValues::pointCount(int series)
{
    return series >= 0 && series < m_series.size() ? m_series[series]->size() : 0;
}

double THistoryPlotValues::x(int series, int index)
{
    const HistoryPoint *p = point(series, index);
    return p ? p->x : 0.0;
}

double THistoryPlotValues::y(int series, int index)
{
    const HistoryPoint *p = point(series, index);
    return p ? p->y : 0.0;
}

QColor THistoryPlotValues::color(int series)
{
    return series >= 0 && series < m_series.size() ? HistoryPlots::seriesColor(m_plot, series) : QColor();
}

QString THistoryPlotValues::name(int series)
{
    if (series < 0 || series >= m_series.size())
        return QString();
    const QString label = QCoreApplication::translate("HistoryPlots", m_plot.label);
    if (!m_plot.phases)
        return label;
    switch (series) {
    case 0:
        return tr("%1 basal").arg(label);
    case 1:
        return tr("%1 intra-exercise").arg(label);
    default:
        return tr("%1 post-exercise").arg(label);
    }
}
