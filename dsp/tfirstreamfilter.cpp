#include "tfirstreamfilter.h"

#include "dsp/sampleconversion.h"
#include "dsp/tsignal.h"

TFirStreamFilter::TFirStreamFilter(std::vector<double> coefficients, int delay)
    : m_h(std::move(coefficients)), m_delay(delay), m_work(m_h.size(), 0.0)
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
        outputs[c] = &m_holders[c];
    const double *h = m_h.data();
    const double *newest = m > 0 ? m_work.data() + (m - 1) : nullptr; // x[position + D]
    while (m_position < end) {
        for (int c = 0; c < channelCount; ++c) {
            m_input->readRange(c, m_position + m_delay - m + 1, m, m_work.data());
            double y = 0.0;
            for (int j = 0; j < m; ++j)
                y += h[j] * newest[-j];
            m_holders[c] = SampleConversion::wrapToInt16(y);
        }
        m_output->appendChannels(outputs, 1);
        ++m_position;
    }
}
