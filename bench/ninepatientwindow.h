#pragma once

#include "storage/openrecords.h"

#include <QtGlobal>

#include <functional>
#include <memory>

class MonitorDatabase;
class SessionWindow;

// A monitoring window with nine simulated patients running, for benchmarks
// that measure how the GUI thread keeps up (alone or while other work goes
// on). Uses the open database; leaves the user's settings alone.
class NinePatientWindow
{
public:
    static constexpr int PatientCount = 9;

    // Opens the window, starts nine simulated patients and lets their links
    // come up for three seconds.
    explicit NinePatientWindow(MonitorDatabase &database);
    ~NinePatientWindow();

    struct Measure
    {
        double guiCpuPercent = 0.0; // of one core
        qint64 longestStallMs = 0;  // longest time the event loop was held up
        double longestBusyMs = 0.0; // most GUI-thread CPU time between two probes
    };
    // Runs the event loop for `seconds`; `atStart` is called (on the GUI
    // thread) once the measurement runs.
    Measure measure(int seconds, const std::function<void()> &atStart = {});

    int runningPatients() const;
    SessionWindow &window() { return *m_window; }

private:
    OpenRecords m_openRecords;
    std::unique_ptr<SessionWindow> m_window;
};
