#include "ninepatientwindow.h"

#include "benchmark.h"

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
#include <QTimer>

#include <algorithm>
#include <ctime>

namespace {

constexpr int ProbeInterval = 5; // ms

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec * 1e-6;
}

} // namespace

NinePatientWindow::NinePatientWindow(MonitorDatabase &database)
{
    QSettings().setValue(QStringLiteral("Config/MaxPatients"), PatientCount);
    // The simulated source replays the ECG file beside the programs.
    QDir::setCurrent(QCoreApplication::applicationDirPath());

    m_window = std::make_unique<SessionWindow>(database, m_openRecords);
    m_window->resize(1920, 1080);
    m_window->show();

    const QList<PatientPreviewForm *> places =
        m_window->centralWidget()->findChildren<PatientPreviewForm *>(QString(), Qt::FindDirectChildrenOnly);
    for (int i = 0; i < PatientCount && i < places.size(); ++i) {
        PatientRecord record;
        record.lastName = QStringLiteral("Patient %1").arg(i + 1);
        record.firstName = QStringLiteral("Bench");
        record.birthDate = QDate(1950 + i, 1, 1);
        database.insertPatient(record);
        places[i]->choosePatient(record.id);
        places[i]->findChild<QComboBox *>(QStringLiteral("cboDevice"))->setCurrentText(QStringLiteral("sim"));
        places[i]->findChild<QPushButton *>(QStringLiteral("btnStart"))->click();
    }

    // Let the simulated links come up before measuring.
    QEventLoop warmUp;
    QTimer::singleShot(3000, &warmUp, &QEventLoop::quit);
    warmUp.exec();
}

NinePatientWindow::~NinePatientWindow() = default;

int NinePatientWindow::runningPatients() const
{
    return m_window->centralWidget()->findChildren<PatientMonitorForm *>().size();
}

NinePatientWindow::Measure NinePatientWindow::measure(int seconds, const std::function<void()> &atStart)
{
    QElapsedTimer probeClock;
    qint64 lastProbe = 0;
    qint64 longestStall = 0;
    double lastBusy = threadCpuMs();
    double longestBusy = 0.0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&]() {
        const qint64 now = probeClock.elapsed();
        longestStall = std::max(longestStall, now - lastProbe - ProbeInterval);
        lastProbe = now;
        // The GUI thread's own work between two probes: a stall with little
        // of it is the machine's doing, not the station's.
        const double busy = threadCpuMs();
        longestBusy = std::max(longestBusy, busy - lastBusy);
        lastBusy = busy;
    });

    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    const double cpuStart = Benchmarks::processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    probeClock.start();
    lastBusy = threadCpuMs();
    probe.start(ProbeInterval);
    if (atStart)
        QTimer::singleShot(0, &loop, atStart);
    loop.exec();
    probe.stop();
    Measure result;
    result.guiCpuPercent = 100.0 * (Benchmarks::processCpuSeconds() - cpuStart) / (wall.elapsed() / 1000.0);
    result.longestStallMs = longestStall;
    result.longestBusyMs = longestBusy;
    return result;
}
