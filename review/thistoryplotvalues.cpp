#include "review/thistoryplotvalues.h"

THistoryPlotValues::THistoryPlotValues(const QString &label, const HistorySeries *series)
    : m_count(1)
{
    m_series[0] = series;
    m_colors[0] = Qt::black;
    m_names[0] = label;
}

THistoryPlotValues::THistoryPlotValues(const QString &label, const HistorySeries *basal,
                                       const HistorySeries *intraExercise, const HistorySeries *postExercise)
    : m_count(3)
    , m_series{basal, intraExercise, postExercise}
    , m_colors{QColor(Qt::darkGreen), QColor(Qt::darkBlue), QColor(Qt::darkMagenta)}
    , m_names{tr("%1 basal").arg(label), tr("%1 intra-exercise").arg(label), tr("%1 post-exercise").arg(label)}
{
}

int THistoryPlotValues::seriesCount()
{
    return m_count;
}

const HistoryPoint *THistoryPlotValues::point(int series, int index) const
{
    if (series < 0 || series >= m_count || !m_series[series] || index < 0 || index >= m_series[series]->size())
        return nullptr;
    return &m_series[series]->at(index);
}

int THistoryPlotValues::pointCount(int series)
{
    return series >= 0 && series < m_count && m_series[series] ? m_series[series]->size() : 0;
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
    return series >= 0 && series < m_count ? m_colors[series] : QColor();
}

QString THistoryPlotValues::name(int series)
{
    return series >= 0 && series < m_count ? m_names[series] : QString();
}
