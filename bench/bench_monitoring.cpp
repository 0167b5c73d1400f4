// Nine simulated patients in one monitoring window: how much of the GUI
// thread the live panels take, and how long the event loop is ever held up.

#include "benchmark.h"
#include "ninepatientwindow.h"

#include "display/qsignalmonitordisplay.h"
#include "monitoring/sessionwindow.h"
#include "storage/monitordatabase.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <memory>

namespace {

void runSessionBench()
{
    const int seconds = Benchmarks::runSeconds(30);
    QTemporaryDir settingsDir;
    QTemporaryDir root;
    Benchmarks::isolateSettings(settingsDir.path());

    auto db = std::make_unique<MonitorDatabase>(root.path());
    auto patients = std::make_unique<NinePatientWindow>(*db);
    const NinePatientWindow::Measure measure = patients->measure(seconds);

    Benchmarks::report(QStringLiteral("monitoring.session9.patients"), patients->runningPatients(),
                       QStringLiteral("running"));
    Benchmarks::report(QStringLiteral("monitoring.session9.gui_cpu"), measure.guiCpuPercent,
                       QStringLiteral("% of one core"));
    Benchmarks::report(QStringLiteral("monitoring.session9.longest_stall"), double(measure.longestStallMs),
                       QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("monitoring.session9.longest_busy"), measure.longestBusyMs,
                       QStringLiteral("ms of GUI-thread CPU"));

    // What a tick no longer costs: all nine live displays painted whole (a
    // new sweep, a new scale), where a tick repaints only the swept strip.
    const QList<QSignalMonitorDisplay *> displays = patients->window().findChildren<QSignalMonitorDisplay *>();
    constexpr int Rounds = 5;
    QElapsedTimer redraw;
    redraw.start();
    for (int round = 0; round < Rounds; ++round)
        for (QSignalMonitorDisplay *display : displays)
            display->repaint();
    Benchmarks::report(QStringLiteral("monitoring.session9.whole_repaint_all_displays"),
                       redraw.nsecsElapsed() / 1e6 / Rounds, QStringLiteral("ms"));

    patients.reset();
    db.reset();
}

const bool registered = Benchmarks::add(QStringLiteral("monitoring.session9"), runSessionBench);

} // namespace
