#pragma once

#include <QString>

class AlarmMonitor;
class MonitorSession;
struct AlarmSettings;

namespace cli {

// The station's alarm settings; each value that was out of range and
// corrected is told on stderr.
AlarmSettings loadAlarmSettings();

// Prints every alarm onset, acknowledgement and end of the monitor on stdout
// as "mm:ss.s ONSET|ACK|END priority condition text", followed by
// " patient=ID" when several patients are monitored.
void printAlarmLines(AlarmMonitor &alarms, bool namePatients);

// The ventricular premature beats counted in the session's PVC trend.
qint64 pvcTotal(const MonitorSession &session);

// Monitors one patient whose module replays FILE (headerless 16-bit samples
// at 250/s): in real time, or with `fast` as fast as the machine allows.
// Runs for `seconds`, or to the end of the file when seconds <= 0.
int runReplayMonitor(const QString &file, bool fast, double seconds, const QString &root);

} // namespace cli
