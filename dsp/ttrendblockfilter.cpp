#include "ttrendblockfilter.h"

#include "dsp/sampleconversion.h"
#include "dsp/tblockwindow.h"
#include "dsp/tsignal.h"

#include <cmath>

TTrendBlockFilter::TTrendBlockFilter(double a, double b, double c)
    : m_a(a), m_b(b), m_c(c)
{
}

TTrendBlockFilter::TTrendBlockFilter(double x1, double y1, double x2, double y2, double x3, double y3)
{
    m_a = (y3 - y1 - (y2 - y1) * (x3 - x1) / (x2 - x1))
        / (x3 * x3 - x1 * x1 - (x2 * x2 - x1 * x1) * (x3 - x1) / (x2 - x1));
    m_b = (y2 - y1) / (x2 - x1) - m_a * (x2 * x2 - x1 * x1) / (x2 - x1);
    m_c = y1 - m_b * x1 - m_a * x1 * x1;
    if (std::isfinite(m_a) && std::isfinite(m_b) && std::isfinite(m_c))
        return;
    // Coinciding x values (a record of about the averaging length): fall
    // back to the straight line, or a constant, instead of dividing by zero.
    m_a = 0.0;
    if (x3 != x1) {
        m_b = (y3 - y1) / (x3 - x1);
        m_c = y1 - m_b * x1;
    } else {
        m_b = 0.0;
        m_c = y1;
    }
}

void TTrendBlockFilter::filterBlock(const TBlockWindow &window, qint16 *output)
{
    const int n = window.n;
    const qint64 count = window.source ? window.source->sampleCount() : 0;
    int i = 0;
    for (; i < n; ++i) {
        const qint64 x = qint64(window.block) * n + i;
        if (x >= count)
            break;
        output[i] = SampleConversion::wrapToInt16(window.x(i) - trend(double(x)));
    }
    for (; i < n; ++i)
        output[i] = 0;
}
