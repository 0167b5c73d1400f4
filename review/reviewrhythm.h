#pragma once

#include "dsp/trhythmanalyser.h"
#include "review/trtrendplotvalues.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QPointer>
#include <QVector>
#include <QWidget>

class QLabel;
class QPlotGraphic;
class QTreeWidget;
class QTreeWidgetItem;

// Atrial fibrillation along the session under review: 1 in its seconds.
class TRAfPlotValues : public TRTrendPlotValues<int>
{
    Q_DECLARE_TR_FUNCTIONS(TRAfPlotValues)

public:
    using TRTrendPlotValues::TRTrendPlotValues;
    QString name(int) override { return tr("AF"); }
};

// The rhythm of the session under review, from the episodes its study file
// keeps: AF burden, episodes, the longest and the mean heart rate in AF; the
// AF episodes listed (choosing one shows its ECG at the onset), and a strip
// plot of the AF stretches that the page places under the heart-rate trend
// so that their time axes line up (the panel owns it).
class ReviewRhythm : public QWidget
{
    Q_OBJECT

public:
    explicit ReviewRhythm(QWidget *parent = nullptr);
    ~ReviewRhythm() override;

    // `analysed` false for a session recorded without the judgement.
    // `seconds` is the session's length (its heart-rate trend's).
    void showSession(bool analysed, const QVector<RhythmEpisode> &episodes, const QVector<int> &hrTrend,
                     const QDateTime &start);
    void setPosition(double seconds);
    QPlotGraphic *trendPlot() const { return m_trendPlot; }

signals:
    // An episode was chosen: the ECG display should start at `seconds`.
    void positionChosen(double seconds);

private:
    void episodeChosen(QTreeWidgetItem *item);

    QLabel *m_summary;
    QTreeWidget *m_episodes;
    QPointer<QPlotGraphic> m_trendPlot;
    TRAfPlotValues m_trendValues;
    QVector<int> m_trend;
};
