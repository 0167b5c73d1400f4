// Acquisition commands: a simulated module on a pseudo-terminal, module
// detection over serial ports and headless monitoring.
#include "cli_alarms.h"
#include "clicommand.h"

#include "acquisition/mockmonitorsource.h"
#include "acquisition/modulediscovery.h"
#ifndef _WIN32
#include "acquisition/modulesimulator.h"
#endif
#include "alarms/alarmmonitor.h"
#include "alarms/alarmsettings.h"
#include "monitoring/sessionmanager.h"
#include "storage/monitordatabase.h"
#include "storage/openrecords.h"
#include "storage/sessionclock.h"
#include "storage/storageerror.h"
#include "storage/tfilesignal.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTextStream>
#include <QTimer>

#include <atomic>
#include <csignal>
#include <cstdio>
#include <thread>

namespace {

std::atomic<bool> quitRequested{false};

void requestQuit(int)
{
    quitRequested = true;
}

// An option left out keeps its value.
bool parseNumber(const QCommandLineParser &parser, const QString &option, double max, double &value)
{
    return !parser.isSet(option) || cli::readNumber(parser.value(option), 0.0, max, value);
}

// Longest run of the simulator and of headless monitoring: a week.
constexpr double MaxSeconds = 7 * 24 * 3600;

int runSimulateModule(const QStringList &arguments)
{
#ifdef _WIN32
    Q_UNUSED(arguments);
    return cli::fail(QStringLiteral("simulate-module needs pseudo-terminals"));
#else
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Opens a pseudo-terminal that behaves like an acquisition module and prints its device path.\n"
        "Runs until interrupted, hung up or --seconds have passed."));
    parser.addOptions({
        {QStringLiteral("link"), QStringLiteral("Also make a symbolic link to the terminal at PATH."), QStringLiteral("PATH")},
        {QStringLiteral("name"), QStringLiteral("Module name answered to identification (default NVR1)."), QStringLiteral("NAME"), QStringLiteral("NVR1")},
        {QStringLiteral("ecg"), QStringLiteral("Replay-format ECG file (default: the bundled ecg250-1.dat)."), QStringLiteral("FILE")},
        {QStringLiteral("replay"), QStringLiteral("Play FILE (16-bit samples at 250/s) once from its start at each start command; "
                                                  "after its last sample the module falls silent."), QStringLiteral("FILE")},
        {QStringLiteral("battery"), QStringLiteral("Battery voltage sent in every frame (default 2.6)."), QStringLiteral("VOLTS"), QStringLiteral("2.6")},
        {QStringLiteral("stall-after"), QStringLiteral("Stop sending frames after SECONDS of streaming (once; the next start command streams again)."), QStringLiteral("SECONDS")},
        {QStringLiteral("hangup-after"), QStringLiteral("Close the terminal after SECONDS of streaming."), QStringLiteral("SECONDS")},
        {QStringLiteral("garbage"), QStringLiteral("Send random bytes, some of them sync bytes, between frames.")},
        {QStringLiteral("fast"), QStringLiteral("Send frames as fast as the terminal takes them.")},
        {QStringLiteral("seconds"), QStringLiteral("Exit after SECONDS."), QStringLiteral("SECONDS")},
    });
    if (!cli::parse(parser, arguments, 0, 0))
        return cli::BadArguments;

    ModuleSimulatorOptions options;
    options.name = parser.value(QStringLiteral("name")).toLatin1();
    if (options.name.isEmpty() || options.name.size() > 10)
        return cli::usageError(QStringLiteral("--name needs 1 to 10 characters"));
    double seconds = -1;
    if (!parseNumber(parser, QStringLiteral("battery"), 5.0, options.batteryVolts))
        return cli::usageError(QStringLiteral("--battery needs a voltage from 0 to 5"));
    if (!parseNumber(parser, QStringLiteral("stall-after"), MaxSeconds, options.stallAfter)
        || !parseNumber(parser, QStringLiteral("hangup-after"), MaxSeconds, options.hangupAfter)
        || !parseNumber(parser, QStringLiteral("seconds"), MaxSeconds, seconds))
        return cli::usageError(QStringLiteral("--stall-after, --hangup-after and --seconds need 0 to %1 seconds")
                                   .arg(MaxSeconds));
    options.garbage = parser.isSet(QStringLiteral("garbage"));
    options.fast = parser.isSet(QStringLiteral("fast"));

    if (parser.isSet(QStringLiteral("ecg")) && parser.isSet(QStringLiteral("replay")))
        return cli::usageError(QStringLiteral("--ecg and --replay exclude each other"));
    options.playOnce = parser.isSet(QStringLiteral("replay"));
    const QString ecgPath = options.playOnce                      ? parser.value(QStringLiteral("replay"))
                            : parser.isSet(QStringLiteral("ecg")) ? parser.value(QStringLiteral("ecg"))
                                                                  : MockMonitorSource::findReplayFile();
    if (!ecgPath.isEmpty()) {
        std::vector<qint16> samples;
        QString why;
        if (!cli::readSamples(ecgPath, samples, &why))
            return cli::fail(why);
        if (options.playOnce && samples.empty())
            return cli::usageError(QStringLiteral("cannot read %1").arg(ecgPath));
        options.ecg.assign(samples.begin(), samples.end());
    } else {
        fprintf(stderr, "cardiolane-cli: no replay file found; sending a flat line\n");
    }

    ModuleSimulator simulator(options);
    QString error;
    if (!simulator.open(&error))
        return cli::fail(error);
    const QString link = parser.value(QStringLiteral("link"));
    if (!link.isEmpty()) {
        QFile::remove(link);
        if (!QFile::link(simulator.devicePath(), link))
            return cli::fail(QStringLiteral("cannot create the link %1").arg(link));
    }
    printf("%s\n", qPrintable(simulator.devicePath()));
    fflush(stdout);

    std::signal(SIGINT, requestQuit);
    std::signal(SIGTERM, requestQuit);
    std::thread timer;
    if (seconds >= 0) {
        timer = std::thread([seconds] {
            const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(qint64(seconds * 1000));
            while (!quitRequested && std::chrono::steady_clock::now() < end)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            quitRequested = true;
        });
    }
    simulator.serve(quitRequested);
    quitRequested = true;
    if (timer.joinable())
        timer.join();
    if (!link.isEmpty())
        QFile::remove(link);
    fprintf(stderr, "frames=%ld start=%d keepalive=%d stop=%d identification=%d%s", simulator.framesSent(),
            simulator.startCommands(), simulator.keepAliveCommands(), simulator.stopCommands(),
            simulator.identificationRequests(), simulator.isHungUp() ? " hungup" : "");
    if (options.playOnce)
        fprintf(stderr, " played-to-end=%d", simulator.playedToEnd());
    fprintf(stderr, "\n");
    return cli::Success;
#endif
}

int runDetectModules(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Asks serial ports for a module identification and prints name=port for every answer.\n"
        "Without --port, probes the ports that look like paired Bluetooth modules."));
    parser.addOptions({
        {QStringLiteral("port"), QStringLiteral("Probe PORT (repeatable)."), QStringLiteral("PORT")},
        {QStringLiteral("timeout"), QStringLiteral("Read time-out in ms (default 10000)."), QStringLiteral("MS"), QStringLiteral("10000")},
    });
    if (!cli::parse(parser, arguments, 0, 0))
        return cli::BadArguments;
    int timeout = 0;
    if (!cli::readNumber(parser.value(QStringLiteral("timeout")), 1, 600000, timeout))
        return cli::usageError(QStringLiteral("--timeout needs 1 to 600000 milliseconds"));
    QList<QByteArray> ports;
    for (const QString &port : parser.values(QStringLiteral("port")))
        ports << port.toLocal8Bit();
    if (ports.isEmpty())
        ports = candidateModulePorts();
    const DiscoveryResult result = discoverModules(ports, timeout);
    QTextStream out(stdout);
    for (const auto &pair : result)
        out << formatDeviceEntry(moduleName(pair.second), QString::fromLocal8Bit(pair.first)) << "\n";
    if (result.isEmpty())
        fprintf(stderr, "No modules found.\n");
    return cli::Success;
}

// Runs K patients through the session manager for N seconds, then stops them
// as the monitoring window would and reports what was recorded.
int runMonitor(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Monitors patients without a window: each on the simulated source (sim) or a module port.\n"
        "Creates demo patients when the database has too few, then prints per patient the samples\n"
        "recorded, the number of entries (one a second) in the heart-rate, SpO2 and temperature\n"
        "trends (hrTrendEntries, spo2TrendEntries, tempTrendEntries), the last heart rate in bpm\n"
        "(lastHeartRate), ventricular premature beats counted (pvcTotal) and the study and\n"
        "recording files. With --replay also the couplets, runs of 3 or more and runs above\n"
        "100 bpm counted live (pvcCouplets, pvcRuns, vtRuns), as review counts them."));
    parser.addOptions({
        {QStringLiteral("device"), QStringLiteral("sim, or a module's serial port (repeat for more patients)."), QStringLiteral("DEVICE")},
        {QStringLiteral("patients"), QStringLiteral("Number of patients (default: one per --device)."), QStringLiteral("K")},
        {QStringLiteral("seconds"), QStringLiteral("Seconds of monitoring."), QStringLiteral("N")},
        {QStringLiteral("root"), QStringLiteral("Storage folder (default: the station's)."), QStringLiteral("DIR")},
        {QStringLiteral("replay"), QStringLiteral("Instead of --device: one patient whose module replays FILE (16-bit samples at 250/s)."), QStringLiteral("FILE")},
        {QStringLiteral("fast"), QStringLiteral("With --replay: as fast as the machine allows instead of in real time.")},
    });
    if (!cli::parse(parser, arguments, 0, 0))
        return cli::BadArguments;
    if (parser.isSet(QStringLiteral("replay"))) {
        // Without --seconds the whole recording plays.
        double replaySeconds = 0;
        if (parser.isSet(QStringLiteral("device")) || parser.isSet(QStringLiteral("patients")))
            return cli::usageError(QStringLiteral("--replay monitors one patient; leave out --device and --patients"));
        if (parser.isSet(QStringLiteral("seconds"))
            && !cli::readNumber(parser.value(QStringLiteral("seconds")), 0.001, MaxSeconds, replaySeconds))
            return cli::usageError(QStringLiteral("--seconds needs a positive number up to %1").arg(MaxSeconds));
        return cli::runReplayMonitor(parser.value(QStringLiteral("replay")), parser.isSet(QStringLiteral("fast")),
                                     replaySeconds,
                                     parser.isSet(QStringLiteral("root")) ? parser.value(QStringLiteral("root"))
                                                                          : MonitorDatabase::defaultRoot());
    }
    const QStringList deviceArgs = parser.values(QStringLiteral("device"));
    if (deviceArgs.isEmpty())
        return cli::usageError(QStringLiteral("--device is required"));
    double seconds = 0;
    if (!cli::readNumber(parser.value(QStringLiteral("seconds")), 0.001, MaxSeconds, seconds))
        return cli::usageError(QStringLiteral("--seconds needs a positive number up to %1").arg(MaxSeconds));
    int patients = deviceArgs.size();
    if (parser.isSet(QStringLiteral("patients"))
        && !cli::readNumber(parser.value(QStringLiteral("patients")), 1, 1000, patients))
        return cli::usageError(QStringLiteral("--patients needs a number from 1 to 1000"));
    // Patient i uses device i; the last one given serves the rest, which only
    // "sim" can do (a module serves one patient).
    QStringList devices;
    for (int i = 0; i < patients; ++i)
        devices << deviceArgs.value(i, deviceArgs.last());
    for (int i = deviceArgs.size(); i < patients; ++i) {
        if (devices[i] != QLatin1String("sim"))
            return cli::usageError(QStringLiteral("a module port serves one patient; give one --device per patient"));
    }

    const QString root = parser.isSet(QStringLiteral("root")) ? parser.value(QStringLiteral("root"))
                                                              : MonitorDatabase::defaultRoot();
    try {
        MonitorDatabase database(root);
        cli::reportIndexRepair(database);
        QList<PatientSummary> listed = database.listPatients();
        for (int i = listed.size(); i < patients; ++i) {
            PatientRecord record;
            record.firstName = QStringLiteral("Patient %1").arg(i + 1);
            record.lastName = QStringLiteral("Demo");
            record.sex = QStringLiteral("M");
            record.birthDate = QDate(1955 + i % 30, 1 + i % 12, 1 + i % 28);
            database.insertPatient(record);
        }
        listed = database.listPatients();

        struct Running { int patientId; MonitorSession *session; QString device; };
        QList<Running> running;
        OpenRecords openRecords;
        auto manager = std::make_unique<SessionManager>(database, openRecords, SessionClock::system());
        // Told as they happen, as the monitoring window tells them.
        QObject::connect(manager.get(), &SessionManager::storageFailed,
                         [](int patientId, SessionManager::StorageFailure, const QString &text) {
                             fprintf(stderr, "cardiolane-cli: patient %d: %s\n", patientId, qPrintable(text));
                         });
        QObject::connect(manager.get(), &SessionManager::recordingResumed, [](int patientId) {
            fprintf(stderr, "cardiolane-cli: patient %d: the recording goes on again\n", patientId);
        });
        manager->alarmMonitor()->setSettings(cli::loadAlarmSettings());
        cli::printAlarmLines(*manager->alarmMonitor(), patients > 1);
        for (int i = 0; i < patients; ++i) {
            QString device = devices[i];
            if (device != QLatin1String("sim")) {
                const QString name = QStringLiteral("module%1").arg(i + 1);
                manager->setDevicePort(name, device);
                device = name;
            }
            SessionData data;
            data.patientId = listed[i].id;
            data.sessionNumber = database.nextSessionNumber(data.patientId);
            data.startDateTime = QDateTime::currentDateTime();
            data.exerciseType = QStringLiteral("Treadmill");
            MonitorSession *session = manager->startMonitoring(data, device);
            if (!session)
                return cli::fail(QStringLiteral("cannot start a session for patient %1").arg(data.patientId));
            session->addEvent(QCoreApplication::translate("PatientPreviewForm", "Start monitoring"));
            running.append({data.patientId, session, devices[i]});
        }

        QEventLoop loop;
        QTimer::singleShot(int(seconds * 1000), Qt::PreciseTimer, &loop, &QEventLoop::quit);
        loop.exec();

        for (const Running &r : running) {
            r.session->addEvent(QCoreApplication::translate("PatientMonitorForm", "Stop monitoring"));
            manager->stopMonitoring(r.patientId);
        }
        // Closing the window: every study file and the ECG held in memory
        // are written once more.
        const QMap<int, QString> failed = manager->finishMonitoring();

        // What is on disk, not what was acquired: a recording that stopped
        // on a full disk counts only the samples its file holds.
        QTextStream out(stdout);
        bool complete = failed.isEmpty();
        for (const Running &r : running) {
            SessionInfo info;
            database.loadSession(r.patientId, r.session->sessionNumber, info);
            TFileSignal *recording = r.session->recording();
            const qint64 onDisk = recording ? recording->savedSampleCount() : 0;
            const qint64 acquired = recording ? recording->frameCount() : 0;
            qint64 gapSamples = 0;
            for (const RecordingGap &gap : recording ? recording->gaps() : QVector<RecordingGap>())
                gapSamples += gap.length;
            out << "patient=" << r.patientId << " device=" << r.device << " samples=" << onDisk;
            if (acquired != onDisk)
                out << " notSaved=" << acquired - onDisk;
            if (gapSamples > 0)
                out << " gapSamples=" << gapSamples;
            out << " hrTrendEntries=" << r.session->hrTrend.size() << " spo2TrendEntries=" << r.session->spo2Trend.size()
                << " tempTrendEntries=" << r.session->tempTrend.size() << " lastHeartRate=" << r.session->lastHeartRate()
                << " pvcTotal=" << cli::pvcTotal(*r.session)
                << "\n  study=" << database.studyPath(info.baseFilename)
                << "\n  recording=" << database.recordingPath(info.baseFilename) << "\n";
            complete = complete && acquired == onDisk;
        }
        out.flush();
        for (auto it = failed.cbegin(); it != failed.cend(); ++it)
            cli::fail(QStringLiteral("the session of patient %1 could not be saved: %2").arg(it.key()).arg(it.value()));
        manager.reset();
        if (!complete)
            return cli::Failure;
    } catch (const StorageError &error) {
        return cli::fail(QString::fromStdString(error.what()));
    }
    return cli::Success;
}

const bool registered = CliRegistry::add({QStringLiteral("simulate-module"),
                                          QStringLiteral("serve a simulated acquisition module on a pseudo-terminal"),
                                          runSimulateModule})
    && CliRegistry::add({QStringLiteral("detect-modules"), QStringLiteral("find acquisition modules on serial ports"),
                         runDetectModules})
    && CliRegistry::add({QStringLiteral("monitor"), QStringLiteral("monitor patients without a window for some seconds"),
                         runMonitor});

} // namespace
