#include "reports/summaryreportectopy.h"

#include "display/historyplots.h"
#include "dsp/recordingectopy.h"
#include "dsp/stationrate.h"
#include "reports/plotgraphic.h"
#include "storage/storageerror.h"
#include "storage/tfilesignal.h"

#include <QtConcurrent>

#include <cmath>
#include <memory>

namespace {

struct SessionPvcRate
{
    int sessionNumber = 0;
    bool readable = false;
    double perHour = 0.0;
};

SessionPvcRate pvcRateOf(const SessionRecordingRef &ref)
{
    SessionPvcRate rate;
    rate.sessionNumber = ref.sessionNumber;
    try {
        const std::unique_ptr<TFileSignal> recording =
            ref.recordingPath.isEmpty() ? nullptr : TFileSignal::openRecordingFile(ref.recordingPath);
        if (recording && recording->rate() > 0 && recording->sampleCount() > 0) {
            rate.perHour = analyseRecording(*recording, recording->gapSpans()).statistics.pvcPerHour;
            rate.readable = true;
        }
    } catch (const StorageError &) {
        // The live count stands in, if there is one.
    }
    if (!rate.readable && !ref.liveCounts.isEmpty()) {
        rate.perHour = countedStatistics(ref.liveCounts, StationSampleRate).pvcPerHour;
        rate.readable = true;
    }
    return rate;
}

} // namespace

HistorySeries pvcPerHourHistory(const QVector<SessionRecordingRef> &recordings)
{
    const QVector<SessionPvcRate> rates = QtConcurrent::blockingMapped<QVector<SessionPvcRate>>(recordings, pvcRateOf);
    HistorySeries series;
    for (const SessionPvcRate &rate : rates) {
        if (rate.readable)
            series.append({rate.sessionNumber, rate.perHour});
    }
    return series;
}

double pvcPerHourAxisMaximum(const HistorySeries &series, double tableMaximum)
{
    double highest = 0.0;
    for (const HistoryPoint &p : series)
        highest = qMax(highest, p.y);
    if (tableMaximum <= 0.0 || highest <= tableMaximum)
        return tableMaximum;
    return std::ceil(highest / tableMaximum) * tableMaximum;
}

void SummaryReportEctopy::draw(QPainter &painter, const QRect &bounds, int sessionCount)
{
    if (!m_computed) {
        m_series = pvcPerHourHistory(m_recordings);
        m_computed = true;
    }
    const HistoryPlots::Plot &settings = HistoryPlots::plots()[HistoryPlots::Count - 1];
    QVector<double> x, y;
    for (const HistoryPoint &p : qAsConst(m_series)) {
        x.append(p.x);
        y.append(p.y);
    }
    PlotGraphic plot;
    plot.setYRange(settings.yMinimum, pvcPerHourAxisMaximum(m_series, settings.yMaximum));
    plot.addSeries(x, y, HistoryPlots::seriesColor(settings, 0));
    plot.setStyle(PlotGraphic::LinesAndMarkers);
    plot.setXRange(HistoryPlots::XMinimum, HistoryPlots::xMaximum(sessionCount));
    plot.setXStep(HistoryPlots::XStep);
    plot.draw(painter, bounds);
}
