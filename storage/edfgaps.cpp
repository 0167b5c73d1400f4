#include "storage/edfgaps.h"

#include "storage/monitorsession.h"

#include <QCoreApplication>

#include <algorithm>

QVector<EdfMissingEcg> missingEcg(const MonitorSession &session, qint64 fileSeconds)
{
    QVector<EdfMissingEcg> missing;
    const TFileSignal *recording = session.recording();
    const double rate = recording && recording->rate() > 0 ? recording->rate() : 250.0;
    const qint64 samples = recording ? recording->sampleCount() : 0;
    const double end = double(fileSeconds);
    if (recording) {
        for (const RecordingGap &gap : recording->gaps()) {
            const double onset = gap.start / rate;
            const double until = std::min(end, std::min<qint64>(gap.start + gap.length, samples) / rate);
            if (onset < end && until > onset)
                missing.append({onset, until - onset});
        }
    }
    const double last = samples / rate;
    if (end - last >= 1.0) {
        // A gap that reaches the end of the samples joins the missing tail.
        if (!missing.isEmpty() && missing.last().onset + missing.last().duration >= last)
            missing.last().duration = end - missing.last().onset;
        else
            missing.append({last, end - last});
    }
    return missing;
}

QString missingEcgText()
{
    return QCoreApplication::translate("EdfAnnotations", "ECG missing");
}
