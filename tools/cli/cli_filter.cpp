// cardiolane-cli filter: runs a file of samples through the live or the
// stored ECG filter chain, configured as the station configures it.

#include "clicommand.h"

#include "dsp/tlivefilterchain.h"
#include "dsp/tlivesignal.h"
#include "dsp/tmemorysignal.h"
#include "dsp/tstoredfilterchain.h"

#include <QCommandLineParser>

#include <stdexcept>

namespace {

// The station feeds the live chain in small batches and processes after each.
constexpr int LiveBatch = 10;

void appendHead(TSignal *head, int &written, std::vector<qint16> &out)
{
    const int count = head->sampleCount();
    for (; written < count; ++written)
        out.push_back(qint16(head->sample(0, written)));
}

std::vector<qint16> runLive(const std::vector<qint16> &samples, int rate, bool notch, bool lowpass, bool baseline,
                            const QString &notchKind, const QString &lowpassKind, const QString &baselineKind)
{
    // Recording-sized blocks (four seconds); the ring holds far more than a batch.
    const int blockLength = std::max(1, 4 * rate);
    TLiveSignal input(blockLength, 100 * blockLength, 1, rate);
    TLiveFilterChain chain(&input);
    chain.setNotchKind(notchKind);
    chain.setLowpassKind(lowpassKind);
    chain.setBaselineKind(baselineKind);
    chain.configure(notch, lowpass, baseline);
    std::vector<qint16> out;
    out.reserve(samples.size());
    int written = 0;
    for (size_t i = 0; i < samples.size(); i += LiveBatch) {
        const qint16 *batch[] = {samples.data() + i};
        input.appendChannels(batch, int(std::min<size_t>(LiveBatch, samples.size() - i)));
        chain.process();
        appendHead(chain.head(), written, out);
    }
    return out;
}

std::vector<qint16> runStored(const std::vector<qint16> &samples, int rate, bool notch, bool lowpass,
                              bool baseline, const QString &notchKind, const QString &lowpassKind)
{
    TMemorySignal input({samples}, std::max(1, 4 * rate), rate);
    TStoredFilterChain chain(&input);
    chain.setNotchKind(notchKind);
    chain.setLowpassKind(lowpassKind);
    chain.configure(notch, lowpass, baseline); // may throw std::runtime_error
    TSignal *head = chain.head();
    std::vector<double> values(size_t(head->sampleCount()));
    head->readRange(0, 0, head->sampleCount(), values.data());
    return std::vector<qint16>(values.begin(), values.end());
}

int runFilter(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Runs IN (headerless signed 16-bit little-endian samples) through an ECG filter chain and writes the "
        "chain's output to OUT in the same format. The live chain is fed ten samples at a time."));
    const QCommandLineOption chainOption(QStringLiteral("chain"), QStringLiteral("Filter chain: live or stored."),
                                        QStringLiteral("live|stored"));
    const QCommandLineOption notchOption(QStringLiteral("notch"), QStringLiteral("Mains notch on."));
    const QCommandLineOption lowpassOption(QStringLiteral("lowpass"), QStringLiteral("Low-pass on."));
    const QCommandLineOption baselineOption(QStringLiteral("baseline"), QStringLiteral("Baseline high-pass on."));
    const QCommandLineOption notchKindOption(QStringLiteral("notch-kind"),
                                             QStringLiteral("Notch kind (default 50hz)."), QStringLiteral("K"),
                                             QStringLiteral("50hz"));
    const QCommandLineOption lowpassKindOption(QStringLiteral("lowpass-kind"),
                                               QStringLiteral("Low-pass kind (default 25hz)."), QStringLiteral("K"),
                                               QStringLiteral("25hz"));
    const QCommandLineOption baselineKindOption(QStringLiteral("baseline-kind"),
                                                QStringLiteral("Baseline kind of the live chain (default iir)."),
                                                QStringLiteral("K"), QStringLiteral("iir"));
    const QCommandLineOption rateOption(QStringLiteral("rate"), QStringLiteral("Samples per second (default 250)."),
                                        QStringLiteral("R"), QStringLiteral("250"));
    parser.addOptions({chainOption, notchOption, lowpassOption, baselineOption, notchKindOption, lowpassKindOption,
                       baselineKindOption, rateOption});
    parser.addPositionalArgument(QStringLiteral("IN"), QStringLiteral("Input samples."));
    parser.addPositionalArgument(QStringLiteral("OUT"), QStringLiteral("Output samples."));
    if (!cli::parse(parser, arguments, 2, 2))
        return cli::BadArguments;

    const QString chain = parser.value(chainOption);
    if (chain != QLatin1String("live") && chain != QLatin1String("stored"))
        return cli::usageError(QStringLiteral("--chain must be live or stored"));
    int rate = 0;
    if (!cli::readNumber(parser.value(rateOption), 1, 10000, rate))
        return cli::usageError(QStringLiteral("--rate must be a whole number from 1 to 10000"));

    const QString in = parser.positionalArguments().at(0);
    const QString out = parser.positionalArguments().at(1);
    std::vector<qint16> samples;
    QString why;
    if (!cli::readSamples(in, samples, &why))
        return cli::fail(why);

    std::vector<qint16> filtered;
    if (chain == QLatin1String("live")) {
        filtered = runLive(samples, rate, parser.isSet(notchOption), parser.isSet(lowpassOption),
                           parser.isSet(baselineOption), parser.value(notchKindOption),
                           parser.value(lowpassKindOption), parser.value(baselineKindOption));
    } else {
        try {
            filtered = runStored(samples, rate, parser.isSet(notchOption), parser.isSet(lowpassOption),
                                 parser.isSet(baselineOption), parser.value(notchKindOption),
                                 parser.value(lowpassKindOption));
        } catch (const std::runtime_error &e) {
            return cli::usageError(QString::fromUtf8(e.what()));
        }
    }
    if (!cli::writeSamples(out, filtered))
        return cli::fail(QStringLiteral("cannot write %1").arg(out));
    return cli::Success;
}

const bool registered = CliRegistry::add(
    {QStringLiteral("filter"), QStringLiteral("run samples through the live or stored ECG filter chain"), runFilter});

} // namespace
