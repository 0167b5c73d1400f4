#include "tfirblockfilter.h"

#include "dsp/sampleconversion.h"
#include "dsp/tblockwindow.h"

TFirBlockFilter::TFirBlockFilter(std::vector<double> coefficients, int delay)
    : m_h(std::move(coefficients)), m_delay(delay)
{
}

void TFirBlockFilter::filterBlock(const TBlockWindow &window, qint16 *output)
{
    const int n = window.n;
    const int m = taps();
    if (m == 0) {
        for (int i = 0; i < n; ++i)
            output[i] = 0;
        return;
    }
    // Input x(D - M + 1) .. x(D + n - 1) in one contiguous run.
    m_input.resize(size_t(n) + m - 1);
    window.read(m_delay - m + 1, n + m - 1, m_input.data());
    m_sum.assign(n, 0.0);
    // Tap by tap over the whole block: every output still adds its terms in
    // tap order, and the inner loop runs over contiguous memory.
    double *sum = m_sum.data();
    for (int k = 0; k < m; ++k) {
        const double h = m_h[k];
        const double *x = m_input.data() + (m - 1 - k);
        for (int i = 0; i < n; ++i)
            sum[i] += h * x[i];
    }
    for (int i = 0; i < n; ++i)
        output[i] = SampleConversion::saturateToInt16(sum[i]);
}
