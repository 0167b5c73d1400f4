#pragma once

#include "dsp/tblockfilter.h"

// Subtracts the trend A x² + B x + C, x being the absolute sample index.
// Samples past the source's end (in its last, partial block) are left at 0.
// Results keep the low 16 bits.
class TTrendBlockFilter : public TBlockFilter
{
public:
    TTrendBlockFilter(double a, double b, double c);
    // The quadratic through three points. When the points do not determine a
    // parabola (equal x values), the line through the two outer points is
    // used, or the first value when those share x too.
    TTrendBlockFilter(double x1, double y1, double x2, double y2, double x3, double y3);

    double a() const { return m_a; }
    double b() const { return m_b; }
    double c() const { return m_c; }
    double trend(double x) const { return (m_a * x * x) + (m_b * x) + m_c; }

    void filterBlock(const TBlockWindow &window, qint16 *output) override;

private:
    double m_a, m_b, m_c;
};
