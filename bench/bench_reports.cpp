// The PDF reports: how long a long session report and a full-course summary
// report take and how large they are, and whether nine live patients keep
// their pace while a summary report is made beside them.

#include "benchmark.h"
#include "ninepatientwindow.h"

#include "reports/reportjob.h"
#include "reports/sessionreport.h"
#include "reports/summaryreport.h"
#include "storage/demodata.h"
#include "storage/monitordatabase.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

const QString Logo = QStringLiteral(":/res/logo-norvane.png");

// A storage root of demonstration data for one patient, away from the
// user's data and settings, with every session opened as the review window
// opens them.
struct DemoRoot
{
    QTemporaryDir settings, root;
    std::unique_ptr<MonitorDatabase> database;
    std::vector<std::unique_ptr<MonitorSession>> sessions;

    DemoRoot(int sessionCount, int minutes)
    {
        Benchmarks::isolateSettings(settings.path());
        database = std::make_unique<MonitorDatabase>(root.path());
        DemoDataOptions options;
        options.patients = 1;
        options.sessions = sessionCount;
        options.minutes = minutes;
        fillDemoData(*database, options);
        for (const SessionInfo &info : database->listSessions(1))
            sessions.push_back(database->openSession(1, info.sessionNumber));
    }

    QList<const MonitorSession *> all() const
    {
        QList<const MonitorSession *> list;
        for (const auto &s : sessions)
            list << s.get();
        return list;
    }
};

// Marks exactly `count` events for printing, adding events spread over the
// recording where the session has too few.
void markStrips(MonitorSession &session, int count)
{
    for (SessionEvent &e : session.events)
        e.print = false;
    const int seconds = session.recording() ? int(session.recording()->duration()) : 60;
    for (int i = session.events.size(); i < count; ++i)
        session.events.append(SessionEvent{seconds * (i + 1) / (count + 2), QStringLiteral("Event %1").arg(i + 1), false});
    for (int i = 0; i < count; ++i)
        session.events[i].print = true;
}

double megabytes(const QString &path)
{
    return QFileInfo(path).size() / (1024.0 * 1024.0);
}

template<typename Make>
void timeReport(const QString &name, const QString &path, Make make)
{
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<ReportProducer> report = make();
    report->setHeader(Logo, QStringLiteral("Clínica de Rehabilitación Cardíaca"), QStringLiteral("Unidad de ejercicio"));
    report->print(path);
    Benchmarks::report(name + QStringLiteral(".time"), timer.elapsed(), QStringLiteral("ms"));
    Benchmarks::report(name + QStringLiteral(".pdf_size"), megabytes(path), QStringLiteral("MB"));
}

void runSessionReportBench()
{
    DemoRoot demo(2, 60);
    auto present = std::find_if(demo.sessions.begin(), demo.sessions.end(),
                                [](const auto &s) { return s->recording() && s->recording()->duration() > 3000; });
    if (present == demo.sessions.end())
        return;
    markStrips(**present, 10);
    timeReport(QStringLiteral("reports.session_60min_10strips"), demo.root.filePath(QStringLiteral("session.pdf")),
               [&]() { return std::make_unique<SessionReport>(*demo.database, **present); });
}

void runSummaryReportBench()
{
    DemoRoot demo(36, 3);
    markStrips(*demo.sessions.front(), 10);
    markStrips(*demo.sessions.back(), 10);
    const QString path = demo.root.filePath(QStringLiteral("summary.pdf"));
    timeReport(QStringLiteral("reports.summary_36sessions_20strips"), path,
               [&]() { return std::make_unique<SummaryReport>(*demo.database, 1, demo.all()); });

    // The same report made aside while nine patients are monitored.
    const int seconds = Benchmarks::runSeconds(10, 5);
    NinePatientWindow patients(*demo.database);
    ReportJob job;
    QElapsedTimer made;
    qint64 madeIn = -1;
    QObject::connect(&job, &ReportJob::finished, [&](const ReportJobResult &result) {
        madeIn = result.ok ? made.elapsed() : -1;
    });
    const NinePatientWindow::Measure measure = patients.measure(seconds, [&]() {
        made.start();
        auto report = std::make_unique<SummaryReport>(*demo.database, 1, demo.all());
        report->setHeader(Logo, QStringLiteral("Clínica"), QString());
        job.start(std::move(report), path);
    });
    job.wait();
    Benchmarks::report(QStringLiteral("reports.summary_beside_9_patients.time"), double(madeIn), QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("reports.summary_beside_9_patients.patients"), patients.runningPatients(),
                       QStringLiteral("running"));
    Benchmarks::report(QStringLiteral("reports.summary_beside_9_patients.longest_stall"),
                       double(measure.longestStallMs), QStringLiteral("ms"));
}

const bool registered = Benchmarks::add(QStringLiteral("reports.session"), runSessionReportBench)
    && Benchmarks::add(QStringLiteral("reports.summary"), runSummaryReportBench);

} // namespace
