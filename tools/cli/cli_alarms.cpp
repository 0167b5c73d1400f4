// Alarm commands: the alarm sounds as WAVE files, and headless monitoring of
// a replayed recording through the alarm system.
#include "cli_alarms.h"
#include "clicommand.h"

#include "acquisition/recorder.h"
#include "acquisition/replaysource.h"
#include "alarms/alarmmonitor.h"
#include "alarms/alarmsettings.h"
#include "alarms/alarmsound.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/storageerror.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSaveFile>
#include <QSettings>
#include <QTextStream>
#include <QThread>

#include <atomic>
#include <numeric>
#include <cmath>
#include <csignal>
#include <cstdio>

namespace {

std::atomic<bool> replayInterrupted{false};

void interruptReplay(int)
{
    replayInterrupted = true;
}

QString alarmLine(const AlarmLogEntry &entry)
{
    // Tenths of a second, so that 59.96 s reads 01:00.0 and not 00:60.0.
    const qint64 tenths = std::llround(entry.timeOffset * 10.0);
    return QStringLiteral("%1:%2.%3 %4 %5 %6 %7")
        .arg(tenths / 600, 2, 10, QLatin1Char('0'))
        .arg(tenths / 10 % 60, 2, 10, QLatin1Char('0'))
        .arg(tenths % 10)
        .arg(AlarmLogEntry::kindName(entry.kind).toUpper(), entry.priority, entry.condition, entry.text);
}

int runAlarmSound(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes one full repetition period of the station's alarm sound of a priority as a WAVE file\n"
        "(PCM, mono, 16 bit, %1 samples/s): exactly the waveform the station plays.")
                                         .arg(AlarmSound::SampleRate));
    parser.addOption({QStringLiteral("priority"), QStringLiteral("high, medium or low."), QStringLiteral("PRIORITY")});
    parser.addPositionalArgument(QStringLiteral("OUT.wav"), QStringLiteral("The file to write."));
    if (!cli::parse(parser, arguments, 1, 1))
        return cli::BadArguments;
    const QString name = parser.value(QStringLiteral("priority"));
    AlarmPriority priority = AlarmPriority::None;
    for (AlarmPriority p : {AlarmPriority::High, AlarmPriority::Medium, AlarmPriority::Low}) {
        if (name == alarmPriorityName(p))
            priority = p;
    }
    if (priority == AlarmPriority::None)
        return cli::usageError(QStringLiteral("--priority needs high, medium or low"));
    const QString path = parser.positionalArguments().constFirst();
    if (path.isEmpty())
        return cli::usageError(QStringLiteral("the output file name is empty"));
    QSaveFile file(path);
    const QByteArray wav = AlarmSound::wavFile(AlarmSound::waveform(priority));
    if (!file.open(QIODevice::WriteOnly) || file.write(wav) != wav.size() || !file.commit())
        return cli::fail(QStringLiteral("cannot write %1").arg(path));
    return cli::Success;
}

const bool registered = CliRegistry::add(
    {QStringLiteral("alarm-sound"), QStringLiteral("write an alarm sound as a WAVE file"), runAlarmSound});

} // namespace

namespace cli {

AlarmSettings loadAlarmSettings()
{
    QStringList corrected;
    const AlarmSettings settings = AlarmSettings::load(QSettings(), &corrected);
    for (const QString &line : qAsConst(corrected))
        fprintf(stderr, "cardiolane-cli: alarm settings: %s\n", qPrintable(line));
    return settings;
}

void printAlarmLines(AlarmMonitor &alarms, bool namePatients)
{
    QObject::connect(&alarms, &AlarmMonitor::alarmLogged, [namePatients](int patientId, const AlarmLogEntry &entry) {
        QString line = alarmLine(entry);
        if (namePatients)
            line += QStringLiteral(" patient=%1").arg(patientId);
        printf("%s\n", line.toUtf8().constData());
        fflush(stdout);
    });
}

qint64 pvcTotal(const MonitorSession &session)
{
    return std::accumulate(session.pvcTrend.begin(), session.pvcTrend.end(), qint64(0));
}

int runReplayMonitor(const QString &file, bool fast, double seconds, const QString &root)
{
    std::vector<qint16> samples;
    QString why;
    if (!readSamples(file, samples, &why))
        return fail(why);
    if (samples.empty())
        return usageError(QStringLiteral("cannot read %1").arg(file));
    const qint64 fileMs = qint64(samples.size()) * 1000 / 250;
    try {
        MonitorDatabase database(root);
        reportIndexRepair(database);
        QList<PatientSummary> listed = database.listPatients();
        if (listed.isEmpty()) {
            PatientRecord record;
            record.firstName = QStringLiteral("Replay");
            record.lastName = QStringLiteral("Demo");
            database.insertPatient(record);
            listed = database.listPatients();
        }
        SessionData data;
        data.patientId = listed.constFirst().id;
        data.sessionNumber = database.nextSessionNumber(data.patientId);
        data.startDateTime = QDateTime::currentDateTime();
        data.exerciseType = QStringLiteral("Treadmill");
        std::unique_ptr<MonitorSession> session = database.startSession(data);
        if (!session)
            return fail(QStringLiteral("cannot start a session for patient %1").arg(data.patientId));
        session->addEvent(QCoreApplication::translate("PatientPreviewForm", "Start monitoring"));

        // Fast: time is what the replay has reached; otherwise the wall clock.
        qint64 virtualNow = 0;
        QElapsedTimer wall;
        wall.start();
        const ReplaySource::Clock clock = fast ? ReplaySource::Clock([&virtualNow] { return virtualNow; })
                                               : ReplaySource::Clock([&wall] { return wall.elapsed(); });
        ReplaySource source(std::move(samples), clock);
        Recorder recorder;
        AlarmMonitor alarms(clock);
        alarms.setSettings(loadAlarmSettings());
        alarms.watch(&recorder);
        printAlarmLines(alarms, false);
        // Alarm entries reach the study file at once, as in the station.
        QString saveError;
        const auto save = [&] {
            try {
                database.updateSession(*session);
            } catch (const StorageError &error) {
                if (saveError.isEmpty())
                    fprintf(stderr, "cardiolane-cli: %s\n", error.what());
                saveError = QString::fromUtf8(error.what());
            }
        };
        QObject::connect(&alarms, &AlarmMonitor::logChanged, save);

        recorder.addSource(&source, session.get());
        alarms.addPatient(data.patientId, session.get(), &source, true);
        const qint64 duration = seconds > 0 ? qint64(seconds * 1000.0) : fileMs;
        replayInterrupted = false;
        std::signal(SIGINT, interruptReplay);
        std::signal(SIGTERM, interruptReplay);
        for (qint64 t = Recorder::PollInterval; t < duration + Recorder::PollInterval && !replayInterrupted; t += Recorder::PollInterval) {
            if (fast)
                virtualNow = t;
            else if (wall.elapsed() < t)
                QThread::msleep(ulong(t - wall.elapsed()));
            recorder.pollSources();
            if (t % Recorder::TrendInterval == 0)
                recorder.updateTrends();
            alarms.tick();
        }
        std::signal(SIGINT, SIG_DFL);
        std::signal(SIGTERM, SIG_DFL);

        session->addEvent(QCoreApplication::translate("PatientMonitorForm", "Stop monitoring"));
        recorder.removeSource(&source);
        alarms.stopPatient(data.patientId);
        save();
        SessionInfo info;
        database.loadSession(data.patientId, session->sessionNumber, info);
        QTextStream out(stdout);
        out << "patient=" << data.patientId << " device=replay samples=" << source.played()
            << " hrTrendEntries=" << session->hrTrend.size() << " lastHeartRate=" << session->lastHeartRate()
            << " alarms=" << session->alarmLog.size()
            << " pvcTotal=" << pvcTotal(*session);
        if (const EctopyCounter *counted = alarms.ectopyCounter(data.patientId))
            out << " pvcCouplets=" << counted->couplets() << " pvcRuns=" << counted->runs()
                << " vtRuns=" << counted->tachycardias();
        out
            << "\n  study=" << database.studyPath(info.baseFilename)
            << "\n  recording=" << database.recordingPath(info.baseFilename) << "\n";
        out.flush();
        return saveError.isEmpty() ? Success : Failure;
    } catch (const StorageError &error) {
        return fail(QString::fromStdString(error.what()));
    }
}

} // namespace cli
