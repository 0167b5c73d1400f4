// Storage: rewriting the study file of a long session, opening a course of
// sessions for review, rebuilding the index from study files and reading a
// recording sample by sample. Everything runs on a temporary root.

#include "benchmark.h"

#include "storage/monitordatabase.h"
#include "storage/studyfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <vector>

namespace {

PatientRecord benchPatient(int n)
{
    PatientRecord p;
    p.firstName = QStringLiteral("Paciente");
    p.lastName = QStringLiteral("Prueba %1").arg(n);
    p.birthDate = QDate(1955, 5, 5);
    p.comments = QStringLiteral("Benchmark patient");
    return p;
}

// A session of the given length with one trend entry per second, the three
// checkpoints and `events` events.
void fillTrends(MonitorSession &s, int seconds, int events)
{
    for (int t = 0; t < seconds; ++t) {
        s.hrTrend.append(70 + (t * 7) % 50);
        s.spo2Trend.append(95 + t % 4);
        s.tempTrend.append(36.0 + (t % 10) / 10.0);
    }
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase)
        s.setCheckpoint(phase, Checkpoint{phase * 600.0, 90, 130, 80});
    for (int e = 0; e < events; ++e)
        s.events.append(SessionEvent{e * seconds / std::max(events, 1), QStringLiteral("Event %1").arg(e), e % 3 == 0});
}

void appendEcg(TFileSignal &recording, int seconds)
{
    std::vector<qint16> block(250 * 60);
    for (size_t i = 0; i < block.size(); ++i)
        block[i] = qint16((i * 37) % 200 - 100);
    const qint16 *channels[] = {block.data()};
    for (int m = 0; m < seconds / 60; ++m)
        recording.appendChannels(channels, int(block.size()));
}

SessionData sessionData(int patientId, int number, const QDateTime &start)
{
    SessionData d;
    d.patientId = patientId;
    d.sessionNumber = number;
    d.startDateTime = start;
    d.exerciseType = QStringLiteral("Treadmill");
    return d;
}

void benchStudyRewrite()
{
    QTemporaryDir dir;
    MonitorDatabase db(dir.path());
    PatientRecord p = benchPatient(1);
    db.insertPatient(p);
    auto s = db.startSession(sessionData(p.id, 1, QDateTime(QDate(2026, 1, 1), QTime(8, 0))));
    fillTrends(*s, 4 * 3600, 50);
    const int runs = 20;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < runs; ++i)
        db.updateSession(*s);
    Benchmarks::report(QStringLiteral("storage.study_rewrite_4h"), timer.nsecsElapsed() / 1e6 / runs,
                       QStringLiteral("ms"));
}

void benchOpenSessions()
{
    QTemporaryDir dir;
    MonitorDatabase db(dir.path());
    PatientRecord p = benchPatient(1);
    db.insertPatient(p);
    const QDateTime first(QDate(2026, 1, 1), QTime(8, 0));
    for (int n = 1; n <= 36; ++n) {
        auto s = db.startSession(sessionData(p.id, n, first.addDays(n)));
        fillTrends(*s, 3600, 10);
        appendEcg(*s->recording(), 3600);
        db.updateSession(*s);
    }
    QElapsedTimer timer;
    timer.start();
    std::vector<std::unique_ptr<MonitorSession>> sessions;
    for (int n = 1; n <= 36; ++n)
        sessions.push_back(db.openSession(p.id, n));
    Benchmarks::report(QStringLiteral("storage.open_36_sessions_1h"), timer.nsecsElapsed() / 1e6,
                       QStringLiteral("ms"));
}

void benchRebuild()
{
    QTemporaryDir dir;
    const QDateTime first(QDate(2026, 1, 1), QTime(8, 0));
    {
        // 100 patients with 5 one-hour sessions each.
        for (int n = 0; n < 100; ++n) {
            PatientRecord p = benchPatient(n);
            p.uuid = QUuid::createUuid();
            for (int k = 1; k <= 5; ++k) {
                MonitorSession s(sessionData(0, k, first.addDays(k).addSecs(60 * n)));
                fillTrends(s, 3600, 10);
                writeStudyFile(s, p, QStringLiteral("%1/%2.nvstudy")
                                         .arg(dir.path(), MonitorDatabase::makeBaseFilename(p, s.startDateTime)));
            }
        }
    }
    QElapsedTimer timer;
    timer.start();
    MonitorDatabase db(dir.path());
    const double ms = timer.nsecsElapsed() / 1e6;
    Benchmarks::report(QStringLiteral("storage.rebuild_500_study_files"), ms, QStringLiteral("ms"));
    if (db.listPatients().size() != 100)
        Benchmarks::report(QStringLiteral("storage.rebuild_500_study_files.wrong_patient_count"),
                           db.listPatients().size(), QStringLiteral("patients"));
}

void benchReadRecording()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.nvecg"));
    {
        TFileSignal recording(path, 1, 250, 4096, true);
        appendEcg(recording, 3600);
    }
    TFileSignal recording(path, 1, 250, 4096, false);
    QElapsedTimer timer;
    timer.start();
    qint64 sum = 0;
    const int n = recording.sampleCount();
    for (int i = 0; i < n; ++i)
        sum += recording.sample(0, i);
    const double ms = timer.nsecsElapsed() / 1e6;
    Benchmarks::report(QStringLiteral("storage.read_1h_recording"), ms, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("storage.read_1h_recording.rate"), n / ms / 1e3,
                       QStringLiteral("Msamples/s"));
    if (sum == 42)
        Benchmarks::report(QStringLiteral("storage.read_1h_recording.checksum"), double(sum), QString());
}

void runStorageBench()
{
    QStandardPaths::setTestModeEnabled(true);
    benchStudyRewrite();
    benchOpenSessions();
    benchRebuild();
    benchReadRecording();
}

const bool registered = Benchmarks::add(QStringLiteral("storage"), runStorageBench);

} // namespace
