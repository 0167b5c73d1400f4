#pragma once

#include "storage/sessionhistory.h"

#include <QRect>
#include <QString>
#include <QVector>

// The summary report's history of ventricular beats per hour: one point per
// session with a recording, worked out from the recording itself when the
// report draws it (on the printing thread, sessions in parallel on the
// thread pool, each through a read-only handle of its own).
struct SessionRecordingRef
{
    int sessionNumber = 0;
    QString recordingPath;    // empty: the session has no recording
    QVector<int> liveCounts;  // the session's stored live count, per second
};

class QPainter;

// The plot "pvcGraphic" of the summary report, computed at its first drawing.
class SummaryReportEctopy
{
public:
    explicit SummaryReportEctopy(const QVector<SessionRecordingRef> &recordings) : m_recordings(recordings) {}
    // Drawn like the other history plots, over `sessionCount` sessions.
    void draw(QPainter &painter, const QRect &bounds, int sessionCount);

private:
    QVector<SessionRecordingRef> m_recordings;
    bool m_computed = false;
    HistorySeries m_series;
};

// Sessions whose recording cannot be read give the rate of their live count,
// or no point without one.
HistorySeries pvcPerHourHistory(const QVector<SessionRecordingRef> &recordings);

// The y axis of the plot: the table's maximum, or the next multiple of that
// maximum that holds every point.
double pvcPerHourAxisMaximum(const HistorySeries &series, double tableMaximum);
