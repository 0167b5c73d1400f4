#include "tiirblockfilter.h"

#include "dsp/sampleconversion.h"
#include "dsp/tblockwindow.h"

#include <algorithm>
#include <stdexcept>

TIirBlockFilter::TIirBlockFilter(std::vector<double> b, std::vector<double> a, int margin, bool backward,
                                 int passes)
    : m_b(std::move(b)), m_a(std::move(a)), m_margin(margin), m_backward(backward), m_passes(passes)
{
    if (m_b.empty() || m_b.size() != m_a.size() || margin < 0 || passes < 1)
        throw std::invalid_argument("Recursive block filter with inconsistent coefficients");
}

void TIirBlockFilter::filterBlock(const TBlockWindow &window, qint16 *output)
{
    const int n = window.n;
    const int r = order();
    const int w = m_margin;
    // Relative index i lives at position r + w + i; the r positions on either
    // side stay 0 (no output before the forward start or after the backward one).
    const int length = n + 2 * (r + w);
    const int origin = r + w;
    m_x.assign(length, 0.0);
    window.read(-origin, length, m_x.data());

    const double *b = m_b.data();
    const double *a = m_a.data();
    for (int pass = 0; pass < m_passes; ++pass) {
        m_y.assign(length, 0.0);
        for (int p = origin - w; p < origin + n + w; ++p) {
            double acc = b[0] * m_x[p];
            for (int k = 1; k <= r; ++k)
                acc += a[k] * m_y[p - k] + b[k] * m_x[p - k];
            m_y[p] = acc;
        }
        if (m_backward) {
            m_z.assign(length, 0.0);
            for (int p = origin + n + w - 1; p >= origin; --p) {
                double acc = b[0] * m_y[p];
                for (int k = 1; k <= r; ++k)
                    acc += a[k] * m_z[p + k] + b[k] * m_y[p + k];
                m_z[p] = acc;
            }
            m_x.swap(m_z);
        } else {
            m_x.swap(m_y);
        }
    }
    for (int i = 0; i < n; ++i)
        output[i] = SampleConversion::saturateToInt16(m_x[origin + i]);
}
