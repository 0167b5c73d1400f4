// The whole acquisition path for many simulated patients: sources, recorder,
// beat detectors, recording appends and autosaves, as CPU time per patient
// per second of monitoring.

#include "benchmark.h"

#include "acquisition/mockmonitorsource.h"
#ifndef _WIN32
#include "acquisition/modulesimulator.h"
#include "acquisition/modulesource.h"
#endif
#include "dsp/tsyntheticecg.h"
#include "monitoring/sessionmanager.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/openrecords.h"
#include "storage/sessionclock.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <memory>

namespace {

constexpr int PatientCount = 50;
constexpr int MeasuredSeconds = 10;

void runForMs(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// The bundled replay file when there is one, else one made here.
bool ensureReplayFile(const QString &folder)
{
    if (!MockMonitorSource::findReplayFile().isEmpty())
        return true;
    TSyntheticEcgOptions options;
    options.baselineWander = options.mainsHum = options.muscleNoise = true;
    const std::vector<qint16> samples = TSyntheticEcg(options).generate(std::vector<double>(120, 75.0));
    QFile file(QDir(folder).filePath(QString::fromLatin1(MockMonitorSource::ReplayFileName)));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(reinterpret_cast<const char *>(samples.data()), qint64(samples.size() * 2));
    return QDir::setCurrent(folder);
}

void runAcquisitionBench()
{
    QTemporaryDir root;
    const QString previous = QDir::currentPath();
    if (!root.isValid() || !ensureReplayFile(root.path())) {
        Benchmarks::report(QStringLiteral("acquisition.setup_failed"), 1, QStringLiteral("flag"));
        return;
    }
    auto database = std::make_unique<MonitorDatabase>(root.filePath(QStringLiteral("store")));
    OpenRecords openRecords;
    auto manager = std::make_unique<SessionManager>(*database, openRecords, SessionClock::system());
    QList<MonitorSession *> sessions;
    for (int i = 0; i < PatientCount; ++i) {
        PatientRecord record;
        record.firstName = QStringLiteral("Bench %1").arg(i);
        record.lastName = QStringLiteral("Patient");
        database->insertPatient(record);
        SessionData data;
        data.patientId = record.id;
        data.sessionNumber = 1;
        data.startDateTime = QDateTime::currentDateTime();
        sessions << manager->startMonitoring(data, QStringLiteral("sim"));
    }
    // The simulated links come up after about 2 s; measure steady monitoring.
    runForMs(2300);
    QList<int> startSamples;
    for (MonitorSession *s : sessions)
        startSamples << s->recording()->sampleCount();

    QElapsedTimer wall;
    wall.start();
    const double cpuStart = Benchmarks::processCpuSeconds();
    runForMs(MeasuredSeconds * 1000);
    // Every session saved once in the window: more often than the 30-s autosave.
    const double saveStart = Benchmarks::processCpuSeconds();
    for (MonitorSession *s : sessions)
        database->updateSession(*s);
    const double cpuEnd = Benchmarks::processCpuSeconds();
    const double seconds = wall.elapsed() / 1000.0;

    qint64 samples = 0;
    for (int i = 0; i < sessions.size(); ++i)
        samples += sessions[i]->recording()->sampleCount() - startSamples[i];
    const double patientSeconds = PatientCount * seconds;
    Benchmarks::report(QStringLiteral("acquisition.cpu_per_patient_second"),
                       (cpuEnd - cpuStart) * 1000.0 / patientSeconds, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("acquisition.autosave_per_session"),
                       (cpuEnd - saveStart) * 1000.0 / PatientCount, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("acquisition.samples_per_patient_second"), samples / patientSeconds,
                       QStringLiteral("samples"));

    manager.reset();
    database.reset();
    QDir::setCurrent(previous);
}

#ifndef _WIN32
// Module sources over pseudo-terminals: the reader threads' byte-by-byte
// reads. The simulated modules run in this process too, so the figure is an
// upper bound for the reader side.
void runModuleLinkBench()
{
    constexpr int Modules = 9;
    constexpr int Seconds = 5;
    std::vector<std::unique_ptr<ModuleSimulator>> simulators;
    std::vector<std::unique_ptr<ModuleSource>> sources;
    for (int i = 0; i < Modules; ++i) {
        ModuleSimulatorOptions options;
        options.ecg = {0, 10, 20, 10};
        simulators.push_back(std::make_unique<ModuleSimulator>(options));
        if (!simulators.back()->open())
            return;
        simulators.back()->start();
        sources.push_back(std::make_unique<ModuleSource>(simulators.back()->devicePath().toLocal8Bit()));
        sources.back()->start();
    }
    runForMs(500);
    short buffer[1000];
    for (auto &source : sources)
        source->readSamples(buffer, 1000);
    const double cpuStart = Benchmarks::processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    qint64 samples = 0;
    while (wall.elapsed() < Seconds * 1000) {
        runForMs(40);
        for (auto &source : sources)
            samples += source->readSamples(buffer, 1000);
    }
    const double cpu = Benchmarks::processCpuSeconds() - cpuStart;
    const double moduleSeconds = Modules * wall.elapsed() / 1000.0;
    for (auto &source : sources)
        source->stop();
    Benchmarks::report(QStringLiteral("acquisition.module_link_cpu_per_module_second"), cpu * 1000.0 / moduleSeconds,
                       QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("acquisition.module_link_samples_per_module_second"), samples / moduleSeconds,
                       QStringLiteral("samples"));
}
#endif

const bool registered = Benchmarks::add(QStringLiteral("acquisition.session_path"), runAcquisitionBench)
#ifndef _WIN32
    && Benchmarks::add(QStringLiteral("acquisition.module_link"), runModuleLinkBench)
#endif
    ;

} // namespace
