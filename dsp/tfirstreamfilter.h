#pragma once

#include "dsp/tstreamfilter.h"

#include <array>
#include <vector>

#include <QtGlobal>

// FIR filter over a growing signal: output k = Σ h[j] x[k + D - j], produced
// once input k + D exists. For odd tap counts and D = taps / 2 it is centred
// (zero phase). Outputs are truncated to their low 16 bits (they wrap).
// With no coefficients every output is 0.
class TFirStreamFilter : public TStreamFilter
{
public:
    TFirStreamFilter(std::vector<double> coefficients, int delay);

    int taps() const { return int(m_h.size()); }
    int delay() const { return m_delay; }
    void process() override;

private:
    // Outputs computed together: their sums run side by side (each still in
    // tap order), which keeps long filters fast.
    static constexpr int Batch = 32;

    std::vector<double> m_h;
    int m_delay;
    std::vector<double> m_work; // input for one batch: taps + Batch - 1 values
    std::vector<double> m_sums; // Batch running sums
    std::array<std::array<qint16, Batch>, MaxChannels> m_holders{};
};
