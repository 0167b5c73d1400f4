#pragma once

#include "storage/edfannotations.h"

#include <QVector>

class MonitorSession;

// A stretch of an exported session without ECG.
struct EdfMissingEcg
{
    double onset = 0.0;    // seconds from the session's start
    double duration = 0.0; // seconds
};

// Where the session's recording holds no ECG within the first `fileSeconds`
// seconds of an export: every gap of the recording (the link lost or
// restarted, bad frames, a pause, frames the disk did not take), and the time
// after its last sample when that is a second or more (a recording cut short,
// trends or notes that go on after it). The fraction of a second that only
// completes the file's last record is not counted. In order of time.
QVector<EdfMissingEcg> missingEcg(const MonitorSession &session, qint64 fileSeconds);

// The note that marks one such stretch in the file: "ECG missing".
QString missingEcgText();
