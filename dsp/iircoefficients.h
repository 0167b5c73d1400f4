#pragma once

#include <vector>

// Coefficients of a recursive stage: y[n] = Σ b[k] x[n - k] + Σ a[k] y[n - k]
// (a[0] unused), with the margin a block filter runs it over on each side.
struct TIirCoefficients
{
    std::vector<double> b;
    std::vector<double> a;
    int margin = 0;
};

namespace IirCoefficients {

// First-order high-pass with its -3 dB corner at `corner` Hz:
// p = exp(-2π corner / rate), b = ((1 + p) / 2, -(1 + p) / 2), a1 = p.
TIirCoefficients firstOrderHighPass(double corner, int rate);
// Recorded-signal notch at 50 Hz (order 4) for 500 and 1000 samples/s.
bool storedNotch50(int rate, TIirCoefficients &out);
// Recorded-signal baseline high-pass for 500 (order 2) and 1000 (order 3) samples/s.
bool storedBaseline(int rate, TIirCoefficients &out);

} // namespace IirCoefficients
