#include "tlivefilterchain.h"

#include "dsp/firtables.h"
#include "dsp/iircoefficients.h"
#include "dsp/tfirstreamfilter.h"
#include "dsp/tiirstreamfilter.h"
#include "dsp/tlivesignal.h"

namespace {

// Stage outputs keep this many blocks of history.
constexpr int CapacityBlocks = 100;

std::unique_ptr<TStreamFilter> firStage(const TFirTable *table)
{
    // A missing table gives a zero-tap stage, whose output is all zeros.
    std::vector<double> h;
    if (table)
        h.assign(table->coefficients, table->coefficients + table->taps);
    const int delay = int(h.size()) / 2;
    return std::make_unique<TFirStreamFilter>(std::move(h), delay);
}

std::unique_ptr<TStreamFilter> highPassStage(double corner, int rate)
{
    TIirCoefficients c = IirCoefficients::firstOrderHighPass(corner, rate);
    return std::make_unique<TIirStreamFilter>(std::move(c.b), std::move(c.a));
}

} // namespace

TLiveFilterChain::TLiveFilterChain(TSignal *input)
    : m_input(input)
{
    configure(false, false, false);
}

TLiveFilterChain::~TLiveFilterChain()
{
    clearStages();
}

void TLiveFilterChain::setNotchKind(const QString &kind)
{
    m_notchKind = kind;
}

void TLiveFilterChain::setLowpassKind(const QString &kind)
{
    m_lowpassKind = kind;
}

void TLiveFilterChain::setBaselineKind(const QString &kind)
{
    m_baselineKind = kind;
}

void TLiveFilterChain::clearStages()
{
    // Last stage first: each stage reads the output of the one before.
    while (!m_stages.empty()) {
        m_stages.back().filter.reset();
        m_stages.pop_back();
    }
}

void TLiveFilterChain::addStage(std::unique_ptr<TStreamFilter> filter)
{
    TSignal *in = head();
    const int blockLength = m_input->blockLength();
    Stage stage;
    stage.output = std::make_unique<TLiveSignal>(blockLength, CapacityBlocks * blockLength, m_input->channelCount(),
                                                 m_input->rate());
    stage.output->copyScaleFrom(*m_input);
    filter->connectInput(in, in->sampleCount());
    filter->connectOutput(stage.output.get());
    stage.filter = std::move(filter);
    m_stages.push_back(std::move(stage));
}

void TLiveFilterChain::configure(bool notch, bool lowpass, bool baseline)
{
    clearStages();
    m_notch = notch;
    m_lowpass = lowpass;
    m_baseline = baseline;
    const int rate = m_input->rate();

    addStage(highPassStage(0.05, rate));

    if (notch && (m_notchKind == QLatin1String("50hz") || m_notchKind == QLatin1String("60hz"))) {
        if (const TFirTable *table = findFirTable(QStringLiteral("notch"), m_notchKind, rate))
            addStage(firStage(table));
    }
    if (lowpass)
        addStage(firStage(findFirTable(QStringLiteral("lowpass"), m_lowpassKind, rate)));
    if (baseline) {
        if (m_baselineKind == QLatin1String("fir"))
            addStage(firStage(findFirTable(QStringLiteral("baseline"), QStringLiteral("fir"), rate)));
        else if (m_baselineKind == QLatin1String("iir"))
            addStage(highPassStage(0.5, rate));
    }
}

void TLiveFilterChain::process()
{
    for (Stage &stage : m_stages)
        stage.filter->process();
}

TSignal *TLiveFilterChain::head() const
{
    return m_stages.empty() ? m_input : m_stages.back().output.get();
}
