#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <QFile>

#include <functional>
#include <memory>
#include <vector>

class MonitorDatabase;

// One sub-command of cardiolane-cli. `run` receives the program name and the
// command name followed by the command's own arguments (arguments[0] is
// "cardiolane-cli <name>"), ready for a QCommandLineParser.
struct CliCommand
{
    QString name;
    QString summary;
    std::function<int(const QStringList &arguments)> run;
    // Paints text or images (fonts need a GUI application): the command runs
    // under a QGuiApplication on the offscreen platform unless
    // QT_QPA_PLATFORM chooses another.
    bool paints = false;
};

class CliRegistry
{
public:
    static bool add(const CliCommand &command);
    static const std::vector<CliCommand> &commands();
};

// Registers a command from its own source file:
//   static const bool registered = CliRegistry::add({"detect", "...", runDetect});

namespace cli {

// Exit codes shared by every command.
enum ExitCode { Success = 0, Failure = 1, BadArguments = 2 };

// Prints "cardiolane-cli: <message>" on stderr and returns BadArguments.
int usageError(const QString &message);
// Prints "cardiolane-cli: <message>" on stderr and returns `code`.
int fail(const QString &message, int code = Failure);

// Parses the arguments with --help added; exits 0 after printing the help
// when asked, returns false (after printing a one-line message) on unknown
// options or a positional count outside [minPositional, maxPositional].
bool parse(QCommandLineParser &parser, const QStringList &arguments, int minPositional, int maxPositional);

// A number given on the command line, within [min, max]; false for text
// that is not such a number (also "nan", "inf" and values out of range).
bool readNumber(const QString &text, int min, int max, int &value);
bool readNumber(const QString &text, double min, double max, double &value);

// Tells on stderr, once, that the storage root's index could not be used
// and was rebuilt from the study files, and what else the repair did.
void reportIndexRepair(const MonitorDatabase &database);

// Commands that only read never create a storage root: false, after a
// one-line message, when the folder does not exist.
bool isExistingRoot(const QString &root);
// False, after a one-line message, for an empty output path.
bool isOutputPath(const QString &path);

// A file of headerless signed 16-bit little-endian samples (the replay
// format), read in blocks of bounded size. Only regular files are read: a
// pipe or a device may block for ever or never end. A trailing odd byte is
// ignored.
class SampleFile
{
public:
    // Refuses (error() says why) what is not a regular file, what cannot be
    // opened and files of more than maxSamples samples.
    explicit SampleFile(const QString &path, qint64 maxSamples);
    ~SampleFile();
    SampleFile(const SampleFile &) = delete;
    SampleFile &operator=(const SampleFile &) = delete;

    qint64 sampleCount() const { return m_count; }
    // Empty while every sample read so far could be read.
    QString error() const { return m_error; }
    // The next block of at most maxCount samples into `block`; false at the
    // end of the file or on a failure (error() then says which). A file that
    // ends early or fails to read is a failure: it is never taken as ended.
    bool next(std::vector<qint16> &block, int maxCount = 65536);

private:
    QString m_path, m_error;
    qint64 m_count = 0, m_read = 0;
    std::unique_ptr<QFile> m_file;
};

// The longest sample file read whole: more than 12 days at 250 samples/s.
constexpr qint64 MaxWholeSamples = qint64(1) << 28;

// Reads a whole sample file (see SampleFile); false, with the reason in
// `why`, when it cannot be read whole.
bool readSamples(const QString &path, std::vector<qint16> &samples, QString *why = nullptr);
bool writeSamples(const QString &path, const std::vector<qint16> &samples);

} // namespace cli
