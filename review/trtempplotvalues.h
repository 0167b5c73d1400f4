#pragma once

#include "review/trtrendplotvalues.h"

#include <QCoreApplication>

// Temperature trend of the session shown in the review window.
class TRTempPlotValues : public TRTrendPlotValues<double>
{
    Q_DECLARE_TR_FUNCTIONS(TRTempPlotValues)

public:
    using TRTrendPlotValues::TRTrendPlotValues;
    QString name(int) override { return tr("Temp"); }
};
