#pragma once

#include "dsp/tblockfilter.h"

#include <vector>

// Zero-phase recursive filtering of one block: a forward pass that starts
// `margin` samples before the block, then (with the backward flag) a backward
// pass that starts `margin` samples after it, repeated `passes` times. Outputs
// saturate at the 16-bit limits.
//
// Feedback terms are added: y(i) = Σ b[k] x(i - k) + Σ a[k] y(i - k), a[0]
// unused.
class TIirBlockFilter : public TBlockFilter
{
public:
    // Throws std::invalid_argument unless b and a have the same, non-zero size
    // and margin >= 0, passes >= 1.
    TIirBlockFilter(std::vector<double> b, std::vector<double> a, int margin, bool backward = true,
                    int passes = 1);

    int order() const { return int(m_b.size()) - 1; }
    int margin() const { return m_margin; }

    void filterBlock(const TBlockWindow &window, qint16 *output) override;

private:
    std::vector<double> m_b, m_a;
    int m_margin;
    bool m_backward;
    int m_passes;
    // Working arrays, kept between blocks to avoid reallocating.
    std::vector<double> m_x, m_y, m_z;
};
