// Nine simulated patients in one monitoring window, every one of them
// alarming from the start of the measurement: the banners flash, the alarm
// line and the sound follow. Compare with monitoring.session9, which runs the
// same window without alarms.

#include "benchmark.h"
#include "ninepatientwindow.h"

#include "alarms/alarmmonitor.h"
#include "monitoring/alarmbanner.h"
#include "monitoring/patientmonitorform.h"
#include "monitoring/sessionwindow.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <memory>

namespace {

void runAlarmWindowBench()
{
    const int seconds = Benchmarks::runSeconds(30);
    QTemporaryDir settingsDir;
    QTemporaryDir root;
    Benchmarks::isolateSettings(settingsDir.path());

    auto db = std::make_unique<MonitorDatabase>(root.path());
    auto patients = std::make_unique<NinePatientWindow>(*db);
    SessionWindow &window = patients->window();
    const QList<PatientMonitorForm *> forms = window.centralWidget()->findChildren<PatientMonitorForm *>();
    // A stopped recording alarms at once, with medium priority: the tick that
    // follows brings all nine onsets, their log entries saved, banners and line.
    AlarmMonitor *alarms = window.manager()->alarmMonitor();
    qint64 onsetNs = 0;
    const NinePatientWindow::Measure measure = patients->measure(seconds, [&] {
        for (PatientMonitorForm *form : forms)
            alarms->setRecordingStopped(form->session()->patientId, true, QStringLiteral("bench"));
        QElapsedTimer onset;
        onset.start();
        alarms->tick();
        onsetNs = onset.nsecsElapsed();
    });
    int flashing = 0;
    for (const AlarmBanner *banner : window.findChildren<AlarmBanner *>())
        flashing += banner->priority() != AlarmPriority::None;

    Benchmarks::report(QStringLiteral("monitoring.alarms9.alarming"), flashing, QStringLiteral("banners"));
    Benchmarks::report(QStringLiteral("monitoring.alarms9.onset_tick"), onsetNs / 1e6, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("monitoring.alarms9.gui_cpu"), measure.guiCpuPercent,
                       QStringLiteral("% of one core"));
    Benchmarks::report(QStringLiteral("monitoring.alarms9.longest_stall"), double(measure.longestStallMs),
                       QStringLiteral("ms"));
    patients.reset();
    db.reset();
}

const bool registered = Benchmarks::add(QStringLiteral("monitoring.alarms9"), runAlarmWindowBench);

} // namespace
