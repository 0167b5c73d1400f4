#include "tfirstreamfilter.h"

#include "dsp/sampleconversion.h"
#include "dsp/tsignal.h"

#include <algorithm>

TFirStreamFilter::TFirStreamFilter(std::vector<double> coefficients, int delay)
    : m_h(std::move(coefficients))
    , m_delay(delay)
    , m_work(m_h.size() + Batch - 1, 0.0)
    , m_sums(Batch, 0.0)
{
}

void TFirStreamFilter::process()
{
    if (!m_input || !m_output)
        return;
    const int m = taps();
    const int channelCount = channels();
    const int end = m_input->sampleCount() - m_delay;
    // Output channels without an input channel get 0.
    const qint16 *outputs[MaxChannels];
    for (int c = 0; c < MaxChannels; ++c)
        outputs[c] = m_holders[c].data();
    const double *h = m_h.data();
    while (m_position < end) {
        const int count = std::min(Batch, end - m_position);
        for (int c = 0; c < channelCount; ++c) {
            // x(position + D - M + 1) .. x(position + count - 1 + D)
            m_input->readRange(c, m_position + m_delay - m + 1, m + count - 1, m_work.data());
            double *sum = m_sums.data();
            std::fill(sum, sum + count, 0.0);
            // Output position + b = Σ h[j] x(position + b + D - j), j in order.
            for (int j = 0; j < m; ++j) {
                const double hj = h[j];
                const double *x = m_work.data() + (m - 1 - j);
                for (int b = 0; b < count; ++b)
                    sum[b] += hj * x[b];
            }
            for (int b = 0; b < count; ++b)
                m_holders[c][b] = SampleConversion::wrapToInt16(sum[b]);
        }
        m_output->appendChannels(outputs, count);
        m_position += count;
    }
}
