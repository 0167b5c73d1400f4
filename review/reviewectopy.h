#pragma once

#include "dsp/recordingectopy.h"
#include "review/trtrendplotvalues.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFutureWatcher>
#include <QPointer>
#include <QVector>
#include <QWidget>

#include <atomic>
#include <memory>
#include <vector>

// What the worker hands back: the ectopy of a recording, or that it could
// not be read.
struct ReviewedEctopy
{
    bool readable = false;
    RecordingEctopy ectopy;
};

class QLabel;
class QPlotGraphic;
class QTreeWidget;
class QTreeWidgetItem;

// The trend of ventricular beats per minute of the session under review.
class TRPvcPlotValues : public TRTrendPlotValues<int>
{
    Q_DECLARE_TR_FUNCTIONS(TRPvcPlotValues)

public:
    using TRTrendPlotValues::TRTrendPlotValues;
    QString name(int) override { return tr("PVC/min"); }
};

// The ventricular ectopy of the session under review: PVC total, the busiest
// minute, couplets and the runs of three or more ventricular beats (choosing
// one shows its ECG), and the trend of ventricular beats per minute, a plot
// of its own that the page places under the heart-rate trend so that their
// time axes line up (the panel owns it). The
// beats are classified again from the recording on the thread pool, through
// a read-only handle of its own, while the page stays usable; a newer session
// replaces a result still being computed.
class ReviewEctopy : public QWidget
{
    Q_OBJECT

public:
    explicit ReviewEctopy(QWidget *parent = nullptr);
    ~ReviewEctopy() override;

    // Classifies the recording at `path` (none: the session has no ECG);
    // `start` is the session's start, for the clock times of the runs.
    // Without a readable recording, the session's stored live count
    // (`liveCounts`, ventricular beats per second) gives what it can: the
    // total, the rate and the busiest minute, but no couplets or runs.
    void showRecording(const QString &path, const QDateTime &start, const QVector<int> &liveCounts = {});
    // Marks the time shown by the ECG display on the trend.
    void setPosition(double seconds);
    // Sample indices of the ventricular beats of the shown recording; empty
    // until the classification has finished.
    const QVector<qint64> &ventricularBeats() const { return m_ventricular; }
    bool isBusy() const;
    QPlotGraphic *trendPlot() const { return m_trendPlot; }

signals:
    // A run was chosen: the ECG display should start at `seconds`.
    void positionChosen(double seconds);
    // The ventricular beats of a newly shown recording (empty while computing).
    void ventricularBeatsChanged(const QVector<qint64> &sampleIndices);

private:
    void showResult();
    void showStatus(const QString &text);
    // `reason` why the recording gives nothing, and the live count if any.
    void showCounted(const QString &reason);
    void showTrend(const std::vector<int> &trend, int maxPerMinute);
    void runChosen(QTreeWidgetItem *item);

    QLabel *m_summary;
    QTreeWidget *m_runs;
    QPointer<QPlotGraphic> m_trendPlot;
    TRPvcPlotValues m_trendValues;
    QVector<int> m_trend;
    QVector<qint64> m_ventricular;
    QVector<int> m_liveCounts;
    QDateTime m_start;
    int m_rate = 250;

    QFutureWatcher<std::shared_ptr<ReviewedEctopy>> m_watcher;
    std::shared_ptr<std::atomic<bool>> m_cancel;
};
