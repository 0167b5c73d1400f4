#include "tiirstreamfilter.h"

#include "dsp/tsignal.h"

#include <stdexcept>

TIirStreamFilter::TIirStreamFilter(std::vector<double> b, std::vector<double> a)
    : m_b(std::move(b)), m_a(std::move(a))
{
    if (m_b.empty() || m_b.size() != m_a.size())
        throw std::invalid_argument("Recursive stream filter with inconsistent coefficients");
    for (auto &s : m_state)
        s.assign(m_b.size(), 0.0);
}

void TIirStreamFilter::process()
{
    if (!m_input || !m_output)
        return;
    const int r = order();
    const int channelCount = channels();
    const int end = m_input->sampleCount();
    // Output channels without an input channel get 0.
    const double *outputs[MaxChannels];
    for (int c = 0; c < MaxChannels; ++c)
        outputs[c] = m_state[c].data();
    while (m_position < end) {
        for (int c = 0; c < channelCount; ++c) {
            double *s = m_state[c].data();
            double y = m_b[0] * m_input->sample(c, m_position);
            for (int k = 1; k <= r; ++k)
                y += s[k] * m_a[k] + m_b[k] * m_input->sample(c, m_position - k);
            s[0] = y;
        }
        m_output->appendChannelsF64(outputs, 1);
        for (int c = 0; c < channelCount; ++c) {
            double *s = m_state[c].data();
            for (int k = r; k >= 1; --k)
                s[k] = s[k - 1];
        }
        ++m_position;
    }
}
