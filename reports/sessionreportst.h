#pragma once

#include "dsp/recordingst.h"

#include <QDateTime>
#include <QMap>
#include <QString>

class QPainter;
class QRect;

// The session report's ST segment: the reference level, the largest
// depression and elevation with their time and heart rate, and the averaged
// beats at the reference and at the largest change on millimetre paper. The
// recording is analysed when the report first asks, on the printing thread,
// through a read-only handle of its own.
class SessionReportSt
{
public:
    // `recordingPath` empty: the session has no ECG recording.
    // `live`: how the session measured ST (its point, its reference).
    SessionReportSt(const QString &recordingPath, const QDateTime &sessionStart,
                    const StLiveSettings &live = StLiveSettings());

    // The text of one of the section's names ("st..."); false for others.
    bool value(const QString &name, QString &value);
    // Draws the median beats for "stBeats"; false for other names.
    bool draw(const QString &name, QPainter &painter, const QRect &bounds);

private:
    void analyse();

    QString m_path;
    QDateTime m_start;
    StLiveSettings m_live;
    bool m_analysed = false;
    bool m_readable = false;
    RecordingSt m_st;
};

namespace reportvalues {

// "stSummary": the section's lines from an analysis, or the sentence of a
// session whose ECG was not recorded or cannot be read.
QString stSummary(bool readable, const RecordingSt &st, const QDateTime &sessionStart);

} // namespace reportvalues
