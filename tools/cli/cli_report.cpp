// cardiolane-cli report: makes the session or summary PDF report of a
// patient without a window, with the same producers as the report dialog.

#include "clicommand.h"

#include "reports/sessionreport.h"
#include "reports/summaryreport.h"
#include "storage/monitordatabase.h"
#include "storage/storageerror.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QImage>

#include <algorithm>
#include <climits>
#include <exception>
#include <memory>
#include <vector>

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("cli", text);
}

int runReport(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        tr("session OUT.pdf: the report of one session (--patient and --session).\n"
           "summary OUT.pdf: the report of a patient's whole course (--patient).\n"
           "The same PDF as the station's report dialog makes; an existing OUT.pdf is replaced only "
           "by a complete new report."));
    parser.addPositionalArgument(QStringLiteral("session|summary"), tr("The kind of report."));
    parser.addPositionalArgument(QStringLiteral("OUT.pdf"), tr("The PDF file to write."));
    const QCommandLineOption root(QStringLiteral("root"), tr("Storage root to use instead of the station's own (%1).")
                                                              .arg(MonitorDatabase::defaultRoot()),
                                  QStringLiteral("DIR"), MonitorDatabase::defaultRoot());
    const QCommandLineOption patient(QStringLiteral("patient"), tr("Database id of the patient."), QStringLiteral("ID"));
    const QCommandLineOption session(QStringLiteral("session"), tr("Session number (session report)."), QStringLiteral("N"));
    const QCommandLineOption title(QStringLiteral("title"), tr("Header title."), QStringLiteral("T"));
    const QCommandLineOption info(QStringLiteral("info"), tr("Header additional text."), QStringLiteral("TEXT"));
    const QCommandLineOption logo(QStringLiteral("logo"), tr("Header logo image."), QStringLiteral("IMAGE"));
    parser.addOptions({root, patient, session, title, info, logo});
    if (!cli::parse(parser, arguments, 2, 2))
        return cli::BadArguments;

    const QString kind = parser.positionalArguments().at(0);
    const QString out = parser.positionalArguments().at(1);
    const bool sessionReport = kind == QLatin1String("session");
    if (!sessionReport && kind != QLatin1String("summary"))
        return cli::usageError(tr("unknown report '%1': expected 'session' or 'summary'").arg(kind));
    int patientId = 0, sessionNumber = 0;
    if (!parser.isSet(patient) || !cli::readNumber(parser.value(patient), 1, INT_MAX, patientId))
        return cli::usageError(tr("--patient ID is required and must be a number"));
    if (sessionReport && (!parser.isSet(session) || !cli::readNumber(parser.value(session), 1, INT_MAX, sessionNumber)))
        return cli::usageError(tr("--session N is required and must be a number"));
    if (!sessionReport && parser.isSet(session))
        return cli::usageError(tr("--session is for session reports only"));
    if (parser.isSet(logo) && QImage(parser.value(logo)).isNull())
        return cli::usageError(tr("cannot read the logo image '%1'").arg(parser.value(logo)));
    if (!cli::isOutputPath(out))
        return cli::BadArguments;
    if (!cli::isExistingRoot(parser.value(root)))
        return cli::Failure;

    try {
        MonitorDatabase database(parser.value(root));
        cli::reportIndexRepair(database);
        PatientRecord record;
        if (!database.loadPatient(patientId, record))
            return cli::fail(tr("there is no patient %1").arg(patientId));

        std::vector<std::unique_ptr<MonitorSession>> opened;
        std::unique_ptr<ReportProducer> report;
        if (sessionReport) {
            QString why;
            opened.push_back(database.openSession(patientId, sessionNumber, &why));
            if (!opened.back())
                return cli::fail(tr("patient %1 has no session %2").arg(patientId).arg(sessionNumber)
                                 + (why.isEmpty() ? QString() : QStringLiteral(": ") + why));
            report = std::make_unique<SessionReport>(database, *opened.back());
        } else {
            QList<const MonitorSession *> sessions;
            for (const SessionInfo &info : database.listSessions(patientId)) {
                if (auto s = database.openSession(patientId, info.sessionNumber)) {
                    sessions.append(s.get());
                    opened.push_back(std::move(s));
                }
            }
            if (sessions.isEmpty())
                return cli::fail(tr("patient %1 has no sessions").arg(patientId));
            std::sort(sessions.begin(), sessions.end(),
                      [](const MonitorSession *a, const MonitorSession *b) { return a->sessionNumber < b->sessionNumber; });
            report = std::make_unique<SummaryReport>(database, patientId, sessions);
        }
        report->setHeader(parser.value(logo), parser.value(title), parser.value(info));
        report->print(out);
    } catch (const std::exception &e) {
        return cli::fail(QString::fromUtf8(e.what()));
    }
    return cli::Success;
}

const bool registered = CliRegistry::add(
    {QStringLiteral("report"), QStringLiteral("make the PDF report of a session or of a patient's course"), runReport, true});

} // namespace
