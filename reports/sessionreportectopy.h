#pragma once

#include "dsp/recordingectopy.h"

#include <QDateTime>
#include <QMap>
#include <QString>
#include <QVector>

// The session report's ventricular ectopy: PVC total, PVCs per hour, the
// busiest minute, couplets, the runs, and where the strip of the longest run
// starts. The beats are classified from the recording when the report first
// asks for them, on the printing thread, through a read-only handle of its
// own.
class SessionReportEctopy
{
public:
    // `recordingPath` empty: the session has no ECG recording. Without a
    // readable one, the figures come from `liveCounts` when it has any (the
    // ventricular beats of each second as counted live).
    SessionReportEctopy(const QString &recordingPath, const QDateTime &sessionStart,
                        const QVector<int> &liveCounts = {});

    // The text of one of the section's names; false for other names.
    bool value(const QString &name, QString &value);
    // Seconds from the start of the recording at which the strip of the
    // longest run starts; negative when there is no run to show.
    double longestRunStripStart();

private:
    void analyse();

    QString m_path;
    QDateTime m_start;
    QVector<int> m_liveCounts;
    bool m_analysed = false;
    QMap<QString, QString> m_values;
    double m_stripStart = -1.0;
};

namespace reportvalues {

// Seconds of ECG shown before a run in its strip, so that its onset is seen.
constexpr double RunStripLeadIn = 1.5;
// Runs listed by name in the section; more are counted in a last line.
constexpr int ListedRuns = 12;

// The section's texts ("pvcTotal", "pvcPerHour", "pvcMaxPerMinute",
// "pvcCouplets", "pvcRunCount", "pvcRuns", "pvcStripLabel") from the
// statistics of a recording, or, without statistics, the dashes and the
// sentence of a session whose ECG was not recorded or cannot be read. From
// the live count (LiveCount) there are no couplets or runs to give.
enum class EctopySource { Classified, NoRecording, Unreadable, LiveCount };
QMap<QString, QString> ectopyValues(EctopySource source, const EctopyStatistics &statistics, int rate,
                                    const QDateTime &sessionStart);

} // namespace reportvalues
