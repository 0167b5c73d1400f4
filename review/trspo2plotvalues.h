#pragma once

#include "review/trtrendplotvalues.h"

#include <QCoreApplication>

// SpO2 trend of the session shown in the review window.
class TRSpo2PlotValues : public TRTrendPlotValues<int>
{
    Q_DECLARE_TR_FUNCTIONS(TRSpo2PlotValues)

public:
    using TRTrendPlotValues::TRTrendPlotValues;
    QString name(int) override { return tr("SpO2"); }
};
