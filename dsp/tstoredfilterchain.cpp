#include "tstoredfilterchain.h"

#include "dsp/firtables.h"
#include "dsp/iircoefficients.h"
#include "dsp/tfilteredsignal.h"
#include "dsp/tfirblockfilter.h"
#include "dsp/tiirblockfilter.h"
#include "dsp/tsignal.h"
#include "dsp/ttrendblockfilter.h"

#include <stdexcept>

namespace {

std::unique_ptr<TBlockFilter> firStage(const TFirTable *table)
{
    // A missing table gives a zero-tap stage, whose output is all zeros.
    std::vector<double> h;
    if (table)
        h.assign(table->coefficients, table->coefficients + table->taps);
    const int delay = int(h.size()) / 2;
    return std::make_unique<TFirBlockFilter>(std::move(h), delay);
}

// Mean of n samples as a double (the signal's own mean() is an integer one);
// positions outside the record read as 0 and still count.
double exactMean(TSignal &signal, int channel, int start, int n)
{
    if (n <= 0)
        return 0.0;
    qint64 sum = 0;
    for (int i = 0; i < n; ++i)
        sum += signal.sample(channel, start + i);
    return double(sum) / n;
}

std::unique_ptr<TBlockFilter> recursiveStage(TIirCoefficients c)
{
    return std::make_unique<TIirBlockFilter>(std::move(c.b), std::move(c.a), c.margin, true, 1);
}

} // namespace

TStoredFilterChain::TStoredFilterChain(TSignal *input)
    : m_input(input)
{
    configure(false, false, false);
}

TStoredFilterChain::~TStoredFilterChain()
{
    clearStages();
}

void TStoredFilterChain::setNotchKind(const QString &kind)
{
    m_notchKind = kind;
}

void TStoredFilterChain::setLowpassKind(const QString &kind)
{
    m_lowpassKind = kind;
}

void TStoredFilterChain::clearStages()
{
    // Last view first: each view listens to the one before.
    while (!m_stages.empty()) {
        m_stages.back().view.reset();
        m_stages.pop_back();
    }
}

void TStoredFilterChain::addStage(std::unique_ptr<TBlockFilter> filter)
{
    Stage stage;
    stage.view = std::make_unique<TFilteredSignal>(head(), filter.get());
    stage.filters.push_back(std::move(filter));
    m_stages.push_back(std::move(stage));
}

void TStoredFilterChain::addTrendStage()
{
    const int n = m_input->samplesIn(3.0);
    const int count = m_input->sampleCount();
    Stage stage;
    std::vector<TBlockFilter *> filters;
    for (int c = 0; c < m_input->channelCount(); ++c) {
        // Means over three seconds at each end; a shorter record still
        // divides by the full length (positions outside it read as 0).
        const double m1 = exactMean(*m_input, c, 0, n);
        const double m2 = exactMean(*m_input, c, count - n, n);
        stage.filters.push_back(std::make_unique<TTrendBlockFilter>(n / 2, m1, count / 2, (m1 + m2) / 2,
                                                                    count - n / 2, m2));
        filters.push_back(stage.filters.back().get());
    }
    stage.view = std::make_unique<TFilteredSignal>(m_input, filters);
    m_stages.push_back(std::move(stage));
}

void TStoredFilterChain::configure(bool notch, bool lowpass, bool baseline)
{
    clearStages();
    m_notch = notch;
    m_lowpass = lowpass;
    m_baseline = baseline;
    const int rate = m_input->rate();

    addTrendStage();

    if (notch) {
        TIirCoefficients c;
        if (rate == 250) {
            // The 50 Hz table serves every notch kind at this rate.
            addStage(firStage(findFirTable(QStringLiteral("notch"), QStringLiteral("50hz"), 250)));
        } else if (rate == 500 || rate == 1000) {
            if (m_notchKind != QLatin1String("50hz"))
                throw std::runtime_error("pendiente - filtro no definido");
            IirCoefficients::storedNotch50(rate, c);
            addStage(recursiveStage(std::move(c)));
        }
    }
    if (lowpass)
        addStage(firStage(findFirTable(QStringLiteral("lowpass"), m_lowpassKind, rate)));
    if (baseline) {
        TIirCoefficients c;
        if (rate == 250)
            addStage(firStage(findFirTable(QStringLiteral("baseline"), QStringLiteral("fir"), 250)));
        else if (IirCoefficients::storedBaseline(rate, c))
            addStage(recursiveStage(std::move(c)));
    }
}

TSignal *TStoredFilterChain::head() const
{
    return m_stages.empty() ? m_input : m_stages.back().view.get();
}
