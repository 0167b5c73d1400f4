#include "clicommand.h"

#include "storage/monitordatabase.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTextStream>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <exception>
#include <csignal>

namespace {

std::vector<CliCommand> &registry()
{
    static std::vector<CliCommand> commands;
    return commands;
}

void printUsage(FILE *stream)
{
    QTextStream out(stream);
    out << "Usage: cardiolane-cli <command> [options] [arguments]\n\n"
        << "The Cardiolane station's command-line companion.\n\nCommands:\n";
    std::vector<CliCommand> sorted = CliRegistry::commands();
    std::sort(sorted.begin(), sorted.end(), [](const CliCommand &a, const CliCommand &b) { return a.name < b.name; });
    for (const CliCommand &c : sorted)
        out << "  " << c.name.leftJustified(18) << c.summary << "\n";
    out << "\nRun 'cardiolane-cli <command> --help' for a command's options.\n";
}

} // namespace

bool CliRegistry::add(const CliCommand &command)
{
    registry().push_back(command);
    return true;
}

const std::vector<CliCommand> &CliRegistry::commands()
{
    return registry();
}

namespace cli {

int usageError(const QString &message)
{
    return fail(message, BadArguments);
}

int fail(const QString &message, int code)
{
    fprintf(stderr, "cardiolane-cli: %s\n", qPrintable(message));
    return code;
}

bool parse(QCommandLineParser &parser, const QStringList &arguments, int minPositional, int maxPositional)
{
    parser.addHelpOption();
    if (!parser.parse(arguments)) {
        usageError(parser.errorText());
        return false;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    const int n = parser.positionalArguments().size();
    if (n < minPositional || n > maxPositional) {
        usageError(n < minPositional ? QStringLiteral("missing arguments (see --help)")
                                     : QStringLiteral("too many arguments (see --help)"));
        return false;
    }
    return true;
}

bool readNumber(const QString &text, int min, int max, int &value)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < min || n > max)
        return false;
    value = n;
    return true;
}

bool readNumber(const QString &text, double min, double max, double &value)
{
    bool ok = false;
    const double n = text.trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(n) || n < min || n > max)
        return false;
    value = n;
    return true;
}

void reportIndexRepair(const MonitorDatabase &database)
{
    if (!database.setAsideIndexPath().isEmpty())
        fprintf(stderr, "cardiolane-cli: the index could not be used; it was set aside as %s and rebuilt "
                        "from the study files\n",
                qPrintable(database.setAsideIndexPath()));
    for (const QString &note : database.repairNotes())
        fprintf(stderr, "cardiolane-cli: %s\n", qPrintable(note));
}

bool isExistingRoot(const QString &root)
{
    if (QFileInfo(root).isDir())
        return true;
    fail(QStringLiteral("the storage root '%1' does not exist").arg(root));
    return false;
}

bool isOutputPath(const QString &path)
{
    if (!path.trimmed().isEmpty())
        return true;
    usageError(QStringLiteral("the output file name is empty"));
    return false;
}

SampleFile::SampleFile(const QString &path, qint64 maxSamples) : m_path(path)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        m_error = QCoreApplication::translate("cli", "cannot read '%1': no such file").arg(path);
        return;
    }
    if (!info.isFile()) {
        m_error = QCoreApplication::translate("cli", "cannot read '%1': not a regular file").arg(path);
        return;
    }
    m_file = std::make_unique<QFile>(path);
    if (!m_file->open(QIODevice::ReadOnly)) {
        m_error = QCoreApplication::translate("cli", "cannot read '%1': %2").arg(path, m_file->errorString());
        return;
    }
    m_count = m_file->size() / 2;
    if (m_count > maxSamples)
        m_error = QCoreApplication::translate("cli", "cannot read '%1': it holds %2 samples, more than the %3 "
                                                     "this command can take")
                      .arg(path)
                      .arg(m_count)
                      .arg(maxSamples);
}

SampleFile::~SampleFile() = default;

bool SampleFile::next(std::vector<qint16> &block, int maxCount)
{
    block.clear();
    if (!m_error.isEmpty() || !m_file || m_read >= m_count)
        return false;
    const int wanted = int(std::min<qint64>(std::max(1, maxCount), m_count - m_read));
    QByteArray bytes(2 * wanted, Qt::Uninitialized);
    qint64 got = 0;
    while (got < bytes.size()) {
        const qint64 n = m_file->read(bytes.data() + got, bytes.size() - got);
        if (n <= 0)
            break;
        got += n;
    }
    if (got < bytes.size()) {
        // Shorter than it was when opened, or a read error.
        const QString reason = m_file->error() != QFileDevice::NoError
            ? m_file->errorString()
            : QCoreApplication::translate("cli", "the file ended after %1 of its %2 samples")
                  .arg(m_read + got / 2)
                  .arg(m_count);
        m_error = QCoreApplication::translate("cli", "cannot read '%1' whole: %2").arg(m_path, reason);
        return false;
    }
    block.resize(size_t(wanted));
    const auto *p = reinterpret_cast<const uchar *>(bytes.constData());
    for (int i = 0; i < wanted; ++i)
        block[size_t(i)] = qint16(p[2 * i] | (p[2 * i + 1] << 8));
    m_read += wanted;
    return true;
}

bool readSamples(const QString &path, std::vector<qint16> &samples, QString *why)
{
    SampleFile file(path, MaxWholeSamples);
    samples.clear();
    if (file.error().isEmpty())
        samples.reserve(size_t(file.sampleCount()));
    std::vector<qint16> block;
    while (file.next(block))
        samples.insert(samples.end(), block.begin(), block.end());
    if (why)
        *why = file.error();
    return file.error().isEmpty();
}

bool writeSamples(const QString &path, const std::vector<qint16> &samples)
{
    QByteArray bytes;
    bytes.resize(int(samples.size() * 2));
    for (size_t i = 0; i < samples.size(); ++i) {
        bytes[int(2 * i)] = char(samples[i] & 0xff);
        bytes[int(2 * i + 1)] = char((quint16(samples[i]) >> 8) & 0xff);
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

} // namespace cli

namespace {

// Headless machines have no runtime folder; the platform says so on every
// start, which would add a line to the command's own output.
void quietRuntimeWarning(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR")))
        return;
    fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

bool commandPaints(int argc, char *argv[])
{
    if (argc < 2)
        return false;
    for (const CliCommand &c : CliRegistry::commands())
        if (c.paints && c.name == QString::fromLocal8Bit(argv[1]))
            return true;
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
#ifdef SIGXFSZ
    // Past a file-size limit a write fails and is reported, never an abort.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    std::unique_ptr<QCoreApplication> application;
    QStringList args;
    if (commandPaints(argc, argv)) {
        // The GUI application would take options such as --session for
        // itself, so it gets only the program name.
        for (int i = 0; i < argc; ++i)
            args.append(QString::fromLocal8Bit(argv[i]));
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        qInstallMessageHandler(quietRuntimeWarning);
        static int guiArgc = 1;
        application = std::make_unique<QGuiApplication>(guiArgc, argv);
    } else {
        application = std::make_unique<QCoreApplication>(argc, argv);
        args = application->arguments();
    }
    QCoreApplication::setOrganizationName(QStringLiteral("Norvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Cardiolane"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.04b"));

    if (args.size() < 2 || args[1] == QLatin1String("--help") || args[1] == QLatin1String("-h")
        || args[1] == QLatin1String("help")) {
        printUsage(stdout);
        return cli::Success;
    }
    if (args[1] == QLatin1String("--version")) {
        printf("cardiolane-cli %s\n", qPrintable(QCoreApplication::applicationVersion()));
        return cli::Success;
    }
    const QString name = args[1];
    for (const CliCommand &c : CliRegistry::commands()) {
        if (c.name == name) {
            args.removeAt(1);
            args[0] = QStringLiteral("cardiolane-cli ") + name;
            // Whatever a command lets escape ends in one line, never an abort.
            try {
                return c.run(args);
            } catch (const std::exception &e) {
                return cli::fail(QString::fromUtf8(e.what()));
            } catch (...) {
                return cli::fail(QStringLiteral("unexpected error"));
            }
        }
    }
    printUsage(stderr);
    return cli::usageError(QStringLiteral("unknown command '%1'").arg(name));
}
