#pragma once

#include "review/trtrendplotvalues.h"

#include <QCoreApplication>

// Heart rate trend of the session shown in the review window.
class TRHRPlotValues : public TRTrendPlotValues<int>
{
    Q_DECLARE_TR_FUNCTIONS(TRHRPlotValues)

public:
    using TRTrendPlotValues::TRTrendPlotValues;
    QString name(int) override { return tr("HR"); }
};
