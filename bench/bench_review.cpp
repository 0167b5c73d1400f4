// Patient review over a long course: a demonstration patient with 36
// sessions of 60 minutes of ECG. Times the review window until the first
// session is shown and each switch to another session, one browse-display
// redraw of a 1920-pixel display at 25 mm/s with the three filters on (the
// blocks on screen not yet filtered, and cached), and the growth of the
// process once every session has been shown.

#include "benchmark.h"

#include "display/qsignalbrowsedisplay.h"
#include "dsp/tstoredfilterchain.h"
#include "review/reviewwindow.h"
#include "storage/demodata.h"
#include "storage/monitordatabase.h"
#include "storage/openrecords.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>

#include <algorithm>
#include <memory>

namespace {

// Resident memory of this process in megabytes (0 where /proc is missing).
double residentMegabytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0.0;
}

double millisecondsSince(const QElapsedTimer &timer)
{
    return timer.nsecsElapsed() / 1e6;
}

void benchWindow(MonitorDatabase &database, int patientId)
{
    OpenRecords openRecords;
    PatientRecord patient;
    database.loadPatient(patientId, patient);
    const double residentBefore = residentMegabytes();
    QElapsedTimer timer;
    timer.start();
    auto window = std::make_unique<ReviewWindow>(database, openRecords, patient);
    window->resize(1920, 1080);
    window->show();
    Benchmarks::report(QStringLiteral("review.window-shown"), millisecondsSince(timer), QStringLiteral("ms"));
    auto *ecg = window->findChild<QSignalBrowseDisplay *>(QStringLiteral("ecgGraphic"));
    while (!ecg->signal() && timer.elapsed() < 60000)
        QApplication::processEvents();
    Benchmarks::report(QStringLiteral("review.first-session-shown"), millisecondsSince(timer), QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("review.growth-first-session"), residentMegabytes() - residentBefore,
                       QStringLiteral("MB"));

    auto *sessions = window->findChild<QComboBox *>(QStringLiteral("cboSession"));
    double total = 0.0, slowest = 0.0;
    for (int i = 1; i < sessions->count(); ++i) {
        timer.restart();
        sessions->setCurrentIndex(i);
        const double ms = millisecondsSince(timer);
        total += ms;
        slowest = std::max(slowest, ms);
    }
    const int switches = std::max(1, sessions->count() - 1);
    Benchmarks::report(QStringLiteral("review.switch-session-mean"), total / switches, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("review.switch-session-max"), slowest, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("review.growth-all-sessions"), residentMegabytes() - residentBefore,
                       QStringLiteral("MB"));
    window->close();
}

void benchBrowseRedraw(MonitorDatabase &database, int patientId)
{
    std::unique_ptr<MonitorSession> session = database.openSession(patientId, 1);
    if (!session || !session->recording())
        return;
    TStoredFilterChain chain(session->recording());
    chain.setNotchKind(QStringLiteral("50hz"));
    chain.setLowpassKind(QStringLiteral("25hz"));
    chain.configure(true, true, true);
    QSignalBrowseDisplay display;
    display.resize(1920, 700);
    display.show();
    QApplication::processEvents();
    display.setSignal(chain.head());

    // A jump to a part never shown: every block on screen is filtered first.
    QElapsedTimer timer;
    double total = 0.0, slowest = 0.0;
    const int jumps = 40;
    const double cpuBefore = Benchmarks::processCpuSeconds();
    for (int i = 1; i <= jumps; ++i) {
        timer.start();
        display.setPosition(i * 80.0);
        const double ms = millisecondsSince(timer);
        total += ms;
        slowest = std::max(slowest, ms);
    }
    Benchmarks::report(QStringLiteral("review.browse-redraw-cold-cpu"),
                       (Benchmarks::processCpuSeconds() - cpuBefore) * 1000.0 / jumps, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("review.browse-redraw-cold-mean"), total / jumps, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("review.browse-redraw-cold-max"), slowest, QStringLiteral("ms"));

    // Key steps forward into parts not shown yet: new blocks come in.
    display.setPosition(3400.0);
    total = slowest = 0.0;
    const int steps = 60;
    for (int i = 0; i < steps; ++i) {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_Right, Qt::NoModifier);
        timer.start();
        QApplication::sendEvent(&display, &key);
        const double ms = millisecondsSince(timer);
        total += ms;
        slowest = std::max(slowest, ms);
    }
    Benchmarks::report(QStringLiteral("review.browse-step-new-blocks-mean"), total / steps, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("review.browse-step-new-blocks-max"), slowest, QStringLiteral("ms"));

    // Back and forth over parts already shown: the blocks come from the cache.
    total = 0.0;
    const int cached = 200;
    for (int i = 0; i < cached; ++i) {
        timer.start();
        display.setPosition(i % 2 ? 80.0 : 160.0);
        total += millisecondsSince(timer);
    }
    Benchmarks::report(QStringLiteral("review.browse-redraw-cached"), total / cached, QStringLiteral("ms"));
}

void runReviewBench()
{
    QTemporaryDir root;
    MonitorDatabase database(root.path());
    DemoDataOptions options;
    options.patients = 1;
    options.sessions = 36;
    options.minutes = 60;
    QElapsedTimer fill;
    fill.start();
    fillDemoData(database, options);
    Benchmarks::report(QStringLiteral("review.demo-data-36x60min"), fill.elapsed() / 1000.0, QStringLiteral("s"));
    const int patientId = database.listPatients().first().id;
    benchWindow(database, patientId);
    benchBrowseRedraw(database, patientId);
}

const bool registered = Benchmarks::add(QStringLiteral("review"), runReviewBench);

} // namespace
