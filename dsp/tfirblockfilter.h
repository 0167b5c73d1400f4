#pragma once

#include "dsp/tblockfilter.h"

#include <vector>

// FIR filtering of one block: y(i) = Σ h[k] x(D - k + i), saturated to the
// 16-bit limits. With no coefficients every output is 0.
class TFirBlockFilter : public TBlockFilter
{
public:
    TFirBlockFilter(std::vector<double> coefficients, int delay);

    int taps() const { return int(m_h.size()); }
    int delay() const { return m_delay; }

    void filterBlock(const TBlockWindow &window, qint16 *output) override;

private:
    std::vector<double> m_h;
    int m_delay;
    std::vector<double> m_input, m_sum;
};
