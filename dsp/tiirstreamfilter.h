#pragma once

#include "dsp/tstreamfilter.h"

#include <array>
#include <vector>

// Recursive filter over a growing signal:
// y[n] = b[0] x[n] + Σ (a[k] y[n - k] + b[k] x[n - k]), k = 1..r, a[0] unused.
// The state keeps full precision; outputs are stored truncated to their low
// 16 bits (they wrap instead of saturating).
class TIirStreamFilter : public TStreamFilter
{
public:
    // Throws std::invalid_argument unless b and a have the same, non-zero size.
    TIirStreamFilter(std::vector<double> b, std::vector<double> a);

    int order() const { return int(m_b.size()) - 1; }
    void process() override;

private:
    std::vector<double> m_b, m_a;
    // s[0..r] per channel: s[0] the newest output, s[k] the output k samples back.
    std::array<std::vector<double>, MaxChannels> m_state;
};
