// cardiolane-cli patients, sessions, study, recording and demo-data: looks
// into a storage root and its files, and fills a root with demonstration data.

#include "clicommand.h"

#include "storage/demodata.h"
#include "storage/monitordatabase.h"
#include "storage/storageerror.h"
#include "storage/studyfile.h"
#include "storage/tfilesignal.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QTextStream>

#include <climits>
#include <cstdio>
#include <vector>

namespace {

QCommandLineOption rootOption()
{
    return QCommandLineOption(QStringLiteral("root"),
                              QCoreApplication::translate("cli", "Storage root to use instead of the station's own (%1).")
                                  .arg(MonitorDatabase::defaultRoot()),
                              QStringLiteral("DIR"), MonitorDatabase::defaultRoot());
}

void print(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

int runPatients(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("cli", "Lists the patients: id, name and date of the last session."));
    const QCommandLineOption root = rootOption();
    parser.addOption(root);
    if (!cli::parse(parser, arguments, 0, 0))
        return cli::BadArguments;
    if (!cli::isExistingRoot(parser.value(root)))
        return cli::Failure;
    try {
        MonitorDatabase database(parser.value(root));
        cli::reportIndexRepair(database);
        for (const PatientSummary &p : database.listPatients())
            print(QStringLiteral("%1\t%2\t%3\n")
                      .arg(p.id)
                      .arg(p.name, p.lastSession.isValid() ? p.lastSession.toString(Qt::ISODate)
                                                           : QStringLiteral("-")));
    } catch (const StorageError &e) {
        return cli::fail(QString::fromUtf8(e.what()));
    }
    return cli::Success;
}

int runSessions(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("cli", "Lists the session rows of a patient: number, start, presence and base file name."));
    const QCommandLineOption root = rootOption();
    parser.addOption(root);
    parser.addPositionalArgument(QStringLiteral("PATIENT_ID"), QCoreApplication::translate("cli", "Database id of the patient."));
    if (!cli::parse(parser, arguments, 1, 1))
        return cli::BadArguments;
    int id = 0;
    if (!cli::readNumber(parser.positionalArguments().constFirst(), INT_MIN, INT_MAX, id))
        return cli::usageError(QCoreApplication::translate("cli", "PATIENT_ID must be a number"));
    if (!cli::isExistingRoot(parser.value(root)))
        return cli::Failure;
    try {
        MonitorDatabase database(parser.value(root));
        cli::reportIndexRepair(database);
        for (const SessionInfo &s : database.listSessions(id))
            print(QStringLiteral("%1\t%2\t%3\t%4\n")
                      .arg(s.sessionNumber)
                      .arg(s.startDateTime.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                           s.presence ? QStringLiteral("present") : QStringLiteral("absent"), s.baseFilename));
    } catch (const StorageError &e) {
        return cli::fail(QString::fromUtf8(e.what()));
    }
    return cli::Success;
}

int runStudy(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("cli", "dump FILE: prints the JSON of a study file, indented."));
    parser.addPositionalArgument(QStringLiteral("dump"), QCoreApplication::translate("cli", "The action (dump)."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QCoreApplication::translate("cli", "Study file."));
    if (!cli::parse(parser, arguments, 2, 2))
        return cli::BadArguments;
    const QStringList positional = parser.positionalArguments();
    if (positional[0] != QLatin1String("dump"))
        return cli::usageError(QCoreApplication::translate("cli", "unknown action '%1' (see --help)").arg(positional[0]));
    QJsonDocument document;
    QString why;
    if (!readStudyFile(positional[1], document, &why) || document.isNull() || document.object().isEmpty()) {
        const QString message = QCoreApplication::translate("cli", "'%1' is not a readable study file").arg(positional[1]);
        return cli::fail(why.isEmpty() ? message : QStringLiteral("%1: %2").arg(message, why));
    }
    print(QString::fromUtf8(document.toJson(QJsonDocument::Indented)));
    return cli::Success;
}

int recordingInfo(const QString &path)
{
    QJsonObject header;
    std::unique_ptr<TFileSignal> recording;
    if (TFileSignal::readRecordingHeader(path, header))
        recording = TFileSignal::openRecordingFile(path);
    if (!recording)
        return cli::fail(QCoreApplication::translate("cli", "'%1' cannot be opened as a recording").arg(path));
    print(QString::fromUtf8(QJsonDocument(header).toJson(QJsonDocument::Indented)));
    // 64-bit: a recording beyond 4 GiB holds more samples than an int counts.
    const qint64 samples = recording->frameCount();
    print(QCoreApplication::translate("cli", "samples: %1\nduration: %2 s\n")
              .arg(samples)
              .arg(double(samples) / recording->rate(), 0, 'f', 3));
    for (const RecordingGap &gap : recording->gaps())
        print(QCoreApplication::translate("cli", "gap: %1 samples lost from sample %2 (zeros in the file)\n")
                  .arg(gap.length)
                  .arg(gap.start));
    return cli::Success;
}

int recordingExport(const QString &path, const QString &outPath)
{
    if (!cli::isOutputPath(outPath))
        return cli::BadArguments;
    std::unique_ptr<TFileSignal> recording = TFileSignal::openRecordingFile(path);
    if (!recording)
        return cli::fail(QCoreApplication::translate("cli", "'%1' cannot be opened as a recording").arg(path));
    QFile out(outPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
        return cli::fail(QCoreApplication::translate("cli", "cannot write '%1'").arg(outPath));
    QTextStream stream(&out);
    stream.setCodec("UTF-8");
    stream << "time_s";
    for (int c = 0; c < recording->channelCount(); ++c)
        stream << ',' << (recording->channelName(c).isEmpty() ? QStringLiteral("ch%1").arg(c)
                                                              : recording->channelName(c))
               << "_mV";
    stream << '\n';
    const int channels = recording->channelCount();
    // Samples are read through the signal's int positions: at most INT_MAX.
    const qint64 total = recording->sampleCount();
    const double lsb = recording->lsb();
    const int chunk = 10000;
    std::vector<std::vector<double>> values(static_cast<size_t>(channels), std::vector<double>(chunk));
    for (qint64 start = 0; start < total; start += chunk) {
        const int n = int(std::min<qint64>(chunk, total - start));
        for (int c = 0; c < channels; ++c)
            recording->readRange(c, int(start), n, values[size_t(c)].data());
        for (int k = 0; k < n; ++k) {
            stream << QString::number(double(start + k) / recording->rate(), 'f', 4);
            for (int c = 0; c < channels; ++c)
                stream << ',' << QString::number(values[size_t(c)][size_t(k)] * lsb, 'g', 10);
            stream << '\n';
        }
    }
    stream.flush();
    if (out.error() != QFileDevice::NoError)
        return cli::fail(QCoreApplication::translate("cli", "cannot write '%1'").arg(outPath));
    return cli::Success;
}

int runRecording(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("cli", "info FILE: prints the header JSON, the sample count and the duration of a recording.\n"
           "export FILE OUT.csv: writes one row per sample, the time in seconds and each channel in mV."));
    parser.addPositionalArgument(QStringLiteral("info|export"), QCoreApplication::translate("cli", "The action."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QCoreApplication::translate("cli", "Recording file."));
    parser.addPositionalArgument(QStringLiteral("[OUT.csv]"), QCoreApplication::translate("cli", "Output of export."));
    if (!cli::parse(parser, arguments, 2, 3))
        return cli::BadArguments;
    const QStringList positional = parser.positionalArguments();
    try {
        if (positional[0] == QLatin1String("info") && positional.size() == 2)
            return recordingInfo(positional[1]);
        if (positional[0] == QLatin1String("export") && positional.size() == 3)
            return recordingExport(positional[1], positional[2]);
    } catch (const StorageError &e) {
        return cli::fail(QCoreApplication::translate("cli", "'%1': %2").arg(positional[1], QString::fromUtf8(e.what())));
    }
    return cli::usageError(QCoreApplication::translate("cli", "expected 'info FILE' or 'export FILE OUT.csv' (see --help)"));
}

int runDemoData(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QCoreApplication::translate("cli", "Fills a storage root with demonstration patients and sessions, with trends, blood pressure, "
           "events and synthetic ECG recordings. The same seed gives the same data."));
    const QCommandLineOption root = rootOption();
    const QCommandLineOption patients(QStringLiteral("patients"), QCoreApplication::translate("cli", "Number of patients (default 5)."),
                                      QStringLiteral("N"), QStringLiteral("5"));
    const QCommandLineOption sessions(QStringLiteral("sessions"), QCoreApplication::translate("cli", "Sessions per patient (default 6)."),
                                      QStringLiteral("M"), QStringLiteral("6"));
    const QCommandLineOption minutes(QStringLiteral("minutes"), QCoreApplication::translate("cli", "Minutes of ECG per session (default 3)."),
                                     QStringLiteral("K"), QStringLiteral("3"));
    const QCommandLineOption seed(QStringLiteral("seed"), QCoreApplication::translate("cli", "Random seed (default 1)."), QStringLiteral("S"),
                                  QStringLiteral("1"));
    parser.addOptions({root, patients, sessions, minutes, seed});
    if (!cli::parse(parser, arguments, 0, 0))
        return cli::BadArguments;

    DemoDataOptions options;
    bool seedOk = false;
    options.seed = parser.value(seed).trimmed().toUInt(&seedOk);
    if (!cli::readNumber(parser.value(patients), 0, 1000, options.patients)
        || !cli::readNumber(parser.value(sessions), 0, 1000, options.sessions)
        || !cli::readNumber(parser.value(minutes), 0, 600, options.minutes) || !seedOk)
        return cli::usageError(QCoreApplication::translate("cli", "--patients and --sessions take 0 to 1000, --minutes 0 to 600, "
                                  "--seed a non-negative number"));
    try {
        MonitorDatabase database(parser.value(root));
        cli::reportIndexRepair(database);
        const DemoDataResult result = fillDemoData(database, options);
        print(QCoreApplication::translate("cli", "%1 patients, %2 sessions (%3 absent) added to %4\n")
                  .arg(result.patients)
                  .arg(result.sessions)
                  .arg(result.absentSessions)
                  .arg(database.rootPath()));
    } catch (const StorageError &e) {
        return cli::fail(QString::fromUtf8(e.what()));
    }
    return cli::Success;
}

const bool registered =
    CliRegistry::add({QStringLiteral("patients"), QStringLiteral("list the patients of a storage root"), runPatients})
    && CliRegistry::add({QStringLiteral("sessions"), QStringLiteral("list the sessions of a patient"), runSessions})
    && CliRegistry::add({QStringLiteral("study"), QStringLiteral("dump a study file as JSON"), runStudy})
    && CliRegistry::add(
        {QStringLiteral("recording"), QStringLiteral("show or export an ECG recording file"), runRecording})
    && CliRegistry::add(
        {QStringLiteral("demo-data"), QStringLiteral("fill a storage root with demonstration data"), runDemoData});

} // namespace
