#pragma once

#include "display/plotpainter.h"
#include "display/stbeatpaper.h"
#include "dsp/recordingst.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFutureWatcher>
#include <QPointer>
#include <QWidget>

#include <atomic>
#include <memory>

class QLabel;
class QPlotGraphic;

// What the worker hands back: the ST analysis of a recording, or that it
// could not be read.
struct ReviewedSt
{
    bool readable = false;
    RecordingSt st;
};

// The ST trend of a reviewed session in millimetres (10 mm/mV), a point per
// block at its time.
class TRStPlotValues : public IPlotValues
{
    Q_DECLARE_TR_FUNCTIONS(TRStPlotValues)

public:
    void setTrend(const std::vector<TStTrendPoint> *trend) { m_trend = trend; }
    int seriesCount() override { return 1; }
    int pointCount(int series) override { return series == 0 && m_trend ? int(m_trend->size()) : 0; }
    double x(int, int point) override { return (*m_trend)[size_t(point)].timeS; }
    double y(int, int point) override { return (*m_trend)[size_t(point)].stUv / 100.0; }
    QColor color(int) override { return Qt::black; }
    QString name(int) override { return tr("ST mm"); }

private:
    const std::vector<TStTrendPoint> *m_trend = nullptr;
};

// The median beats at the reference and at the largest change, on
// millimetre paper at true scale.
class StBeatsView : public QWidget
{
    Q_OBJECT

public:
    explicit StBeatsView(QWidget *parent = nullptr);
    void setPictures(const QVector<stbeatpaper::Picture> &pictures);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QVector<stbeatpaper::Picture> m_pictures;
};

// The ST segment of the session under review: the reference level, the
// largest depression and elevation with their time and heart rate, the
// median beats at the reference and at the largest change, and the ST
// trend, a plot of its own that the page places under the heart-rate trend
// (the panel owns it). The recording is analysed again on the thread pool
// through a read-only handle of its own, as the ectopy is.
class ReviewSt : public QWidget
{
    Q_OBJECT

public:
    explicit ReviewSt(QWidget *parent = nullptr);
    ~ReviewSt() override;

    // `live`: how the session measured ST (its point, its reference).
    void showRecording(const QString &path, const QDateTime &start, const StLiveSettings &live = StLiveSettings());
    void setPosition(double seconds);
    bool isBusy() const;
    QPlotGraphic *trendPlot() const { return m_trendPlot; }

    // The summary lines of an analysis, as the review and the report print
    // them; `start` gives the clock times.
    static QStringList summaryLines(const RecordingSt &st, const QDateTime &start);
    // The reference beat and the beat of the largest change, captioned.
    static QVector<stbeatpaper::Picture> pictures(const RecordingSt &st, const QDateTime &start);

signals:
    void positionChosen(double seconds);

private:
    void showResult();
    void showStatus(const QString &text);

    QLabel *m_summary;
    StBeatsView *m_beats;
    QPointer<QPlotGraphic> m_trendPlot;
    TRStPlotValues m_trendValues;
    std::vector<TStTrendPoint> m_trend;
    QDateTime m_start;

    QFutureWatcher<std::shared_ptr<ReviewedSt>> m_watcher;
    std::shared_ptr<std::atomic<bool>> m_cancel;
};
