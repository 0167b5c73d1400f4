// EDF+ export of a 60-minute and a 6-hour session with 30 events each,
// opened for review as the companion opens them: the time of one export and
// how far the process's peak resident memory rises during it (the same for
// both lengths when the export streams).

#include "benchmark.h"

#include "storage/edfexport.h"
#include "storage/monitordatabase.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace {

// A field of /proc/self/status in megabytes (0 where /proc is missing).
double statusMegabytes(const QByteArray &field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0.0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(field.size()).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0.0;
}

// Starts the peak over from the present resident size.
void resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (clear.open(QIODevice::WriteOnly))
        clear.write("5");
}

void recordSession(MonitorDatabase &database, int patientId, int minutes)
{
    SessionData data;
    data.patientId = patientId;
    data.sessionNumber = database.nextSessionNumber(patientId);
    data.startDateTime = QDateTime(QDate(2026, 1, 1), QTime(8, 0)).addDays(data.sessionNumber);
    auto session = database.startSession(data);
    std::vector<qint16> minute(250 * 60);
    for (size_t i = 0; i < minute.size(); ++i)
        minute[i] = qint16((i * 37) % 200 - 100);
    const qint16 *channels[] = {minute.data()};
    for (int m = 0; m < minutes; ++m) {
        session->recording()->appendChannels(channels, int(minute.size()));
        for (int t = 0; t < 60; ++t) {
            session->hrTrend.append(70 + (t * 7) % 50);
            session->spo2Trend.append(95 + t % 4);
            session->tempTrend.append(36.0 + (t % 10) / 10.0);
        }
    }
    // The same number of events for every length: the library holds every
    // annotation in memory until the file is closed.
    for (int e = 0; e < 30; ++e)
        session->events.append(SessionEvent{e * minutes * 2, QStringLiteral("Event %1").arg(e), false});
    database.updateSession(*session);
}

void benchExport(MonitorDatabase &database, const PatientRecord &patient, int sessionNumber, const QString &name)
{
    auto session = database.openSession(patient.id, sessionNumber);
    const QString out = database.rootPath() + QStringLiteral("/export.edf");
    resetPeak();
    const double before = statusMegabytes("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    exportSessionEdf(*session, patient, out);
    Benchmarks::report(QStringLiteral("export.edf-%1").arg(name), timer.nsecsElapsed() / 1e6, QStringLiteral("ms"));
    Benchmarks::report(QStringLiteral("export.edf-%1-peak-growth").arg(name), statusMegabytes("VmHWM:") - before,
                       QStringLiteral("MB"));
}

void runExportBench()
{
    QTemporaryDir dir;
    MonitorDatabase database(dir.path());
    PatientRecord patient;
    patient.firstName = QStringLiteral("Paciente");
    patient.lastName = QStringLiteral("Prueba");
    database.insertPatient(patient);
    recordSession(database, patient.id, 60);
    recordSession(database, patient.id, 360);
    benchExport(database, patient, 1, QStringLiteral("60min"));
    benchExport(database, patient, 2, QStringLiteral("6h"));
}

const bool registered = Benchmarks::add(QStringLiteral("export.edf"), runExportBench);

} // namespace
