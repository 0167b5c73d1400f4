// cardiolane-cli export: writes one session as an EDF+ file, the open format
// other ECG programs read.

#include "clicommand.h"

#include "storage/edfexport.h"
#include "storage/monitordatabase.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <climits>
#include <cstdio>
#include <exception>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("cli", text);
}

int runExport(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("Writes one session as an EDF+ file: the ECG in mV at the recording's rate, the heart-rate, SpO2 and "
           "temperature trends, the patient and the start, and the events and blood-pressure readings as "
           "annotations. An existing OUT.edf is replaced only by a complete new file."));
    parser.addPositionalArgument(QStringLiteral("OUT.edf"), tr("The EDF+ file to write."));
    const QCommandLineOption root(QStringLiteral("root"), tr("Storage root to use instead of the station's own (%1).")
                                                              .arg(MonitorDatabase::defaultRoot()),
                                  QStringLiteral("DIR"), MonitorDatabase::defaultRoot());
    const QCommandLineOption patient(QStringLiteral("patient"), tr("Database id of the patient."), QStringLiteral("ID"));
    const QCommandLineOption session(QStringLiteral("session"), tr("Session number."), QStringLiteral("N"));
    const QCommandLineOption anonymize(QStringLiteral("anonymize"),
                                       tr("Write \"X X X X\" as the patient and no name anywhere."));
    const QCommandLineOption technician(QStringLiteral("technician"), tr("Who ran the session."),
                                        QStringLiteral("NAME"));
    parser.addOptions({root, patient, session, anonymize, technician});
    if (!cli::parse(parser, arguments, 1, 1))
        return cli::BadArguments;

    const QString out = parser.positionalArguments().constFirst();
    int patientId = 0, sessionNumber = 0;
    if (!parser.isSet(patient) || !cli::readNumber(parser.value(patient), 1, INT_MAX, patientId))
        return cli::usageError(tr("--patient ID is required and must be a number"));
    if (!parser.isSet(session) || !cli::readNumber(parser.value(session), 1, INT_MAX, sessionNumber))
        return cli::usageError(tr("--session N is required and must be a number"));

    EdfExportOptions options;
    options.anonymize = parser.isSet(anonymize);
    options.technician = parser.value(technician).simplified();
    if (options.technician.size() > MaxEdfTechnicianLength) {
        options.technician.truncate(MaxEdfTechnicianLength);
        fprintf(stderr, "cardiolane-cli: %s\n",
                qPrintable(tr("--technician is longer than %1 characters; the file holds \"%2\"")
                               .arg(MaxEdfTechnicianLength)
                               .arg(options.technician)));
    }
    try {
        MonitorDatabase database(parser.value(root));
        cli::reportIndexRepair(database);
        PatientRecord record;
        if (!database.loadPatient(patientId, record))
            return cli::fail(tr("there is no patient %1").arg(patientId));
        const std::unique_ptr<MonitorSession> opened = database.openSession(patientId, sessionNumber);
        if (!opened)
            return cli::fail(tr("patient %1 has no session %2").arg(patientId).arg(sessionNumber));
        try {
            const EdfExportResult result = exportSessionEdf(*opened, record, out, options);
            // Written, but not all of it is ECG: the user is told, the file says where.
            if (result.missingSeconds > 0.0)
                fprintf(stderr, "cardiolane-cli: %s\n",
                        qPrintable(tr("'%1' holds no ECG for %2 s, marked \"ECG missing\" in the file")
                                       .arg(out)
                                       .arg(result.missingSeconds, 0, 'f', 1)));
        } catch (const std::exception &e) {
            return cli::fail(tr("'%1' not written: %2").arg(out, QString::fromUtf8(e.what())));
        }
    } catch (const std::exception &e) {
        return cli::fail(QString::fromUtf8(e.what()));
    }
    return cli::Success;
}

const bool registered = CliRegistry::add(
    {QStringLiteral("export"), QStringLiteral("write a session as an EDF+ file for other ECG programs"), runExport});

} // namespace
