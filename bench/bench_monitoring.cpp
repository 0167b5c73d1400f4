// Nine simulated patients in one monitoring window: how much of the GUI
// thread the live panels take, and how long the event loop is ever held up.

#include "benchmark.h"

#include "display/qsignalmonitordisplay.h"
#include "monitoring/patientmonitorform.h"
#include "monitoring/patientpreviewform.h"
#include "monitoring/sessionwindow.h"
#include "storage/monitordatabase.h"
#include "storage/patientrecord.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <memory>

namespace {

constexpr int PatientCount = 9;
constexpr int ProbeInterval = 5; // ms

void runSessionBench()
{
    const int seconds = qEnvironmentVariableIsSet("CARDIOLANE_BENCH_SECONDS")
                            ? std::max(1, qEnvironmentVariableIntValue("CARDIOLANE_BENCH_SECONDS"))
                            : 30;
    if (MonitorDatabase::instance())
        return;

    // Never touch the user's settings or data.
    QStandardPaths::setTestModeEnabled(true);
    QTemporaryDir settingsDir;
    QTemporaryDir root;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsDir.path());
    QSettings().setValue(QStringLiteral("Config/MaxPatients"), PatientCount);
    // The simulated source replays the ECG file beside the programs.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    auto db = std::make_unique<MonitorDatabase>(root.path());
    auto window = std::make_unique<SessionWindow>();
    window->resize(1920, 1080);
    window->show();

    const QList<PatientPreviewForm *> places =
        window->centralWidget()->findChildren<PatientPreviewForm *>(QString(), Qt::FindDirectChildrenOnly);
    for (int i = 0; i < PatientCount && i < places.size(); ++i) {
        PatientRecord record;
        record.lastName = QStringLiteral("Patient %1").arg(i + 1);
        record.firstName = QStringLiteral("Bench");
        record.birthDate = QDate(1950 + i, 1, 1);
        db->insertPatient(record);
        places[i]->choosePatient(record.id);
        places[i]->findChild<QComboBox *>(QStringLiteral("cboDevice"))->setCurrentText(QStringLiteral("sim"));
        places[i]->findChild<QPushButton *>(QStringLiteral("btnStart"))->click();
    }
    const int running = window->centralWidget()->findChildren<PatientMonitorForm *>().size();

    // Let the simulated links come up before measuring.
    QEventLoop warmUp;
    QTimer::singleShot(3000, &warmUp, &QEventLoop::quit);
    warmUp.exec();

    QElapsedTimer probeClock;
    qint64 lastProbe = 0;
    qint64 longestStall = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&]() {
        const qint64 now = probeClock.elapsed();
        longestStall = std::max(longestStall, now - lastProbe - ProbeInterval);
        lastProbe = now;
    });

    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    const double cpuStart = Benchmarks::processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    probeClock.start();
    probe.start(ProbeInterval);
    loop.exec();
    probe.stop();
    const double cpu = Benchmarks::processCpuSeconds() - cpuStart;
    const double elapsed = wall.elapsed() / 1000.0;

    Benchmarks::report(QStringLiteral("monitoring.session9.patients"), running, QStringLiteral("running"));
    Benchmarks::report(QStringLiteral("monitoring.session9.gui_cpu"), 100.0 * cpu / elapsed,
                       QStringLiteral("% of one core"));
    Benchmarks::report(QStringLiteral("monitoring.session9.longest_stall"), double(longestStall),
                       QStringLiteral("ms"));

    // The same redraws in isolation: all nine live displays once, as every
    // 50-ms display tick does (filtering not included).
    const QList<QSignalMonitorDisplay *> displays = window->findChildren<QSignalMonitorDisplay *>();
    constexpr int Rounds = 200;
    QElapsedTimer redraw;
    redraw.start();
    for (int round = 0; round < Rounds; ++round)
        for (QSignalMonitorDisplay *display : displays)
            display->refresh();
    Benchmarks::report(QStringLiteral("monitoring.session9.redraw_all_displays"),
                       redraw.nsecsElapsed() / 1e6 / Rounds, QStringLiteral("ms per tick"));

    window.reset();
    db.reset();
}

const bool registered = Benchmarks::add(QStringLiteral("monitoring.session9"), runSessionBench);

} // namespace
