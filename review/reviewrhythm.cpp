#include "review/reviewrhythm.h"

#include "display/qplotgraphic.h"
#include "dsp/rhythmstatistics.h"
#include "storage/recordrules.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>

namespace {

constexpr int Rate = 250;
enum EpisodeColumn { ColumnTime = 0, ColumnLength = 1 };
// Seconds before an onset that its ECG shows, so that the change is seen.
constexpr double OnsetLeadIn = 3.0;

QString duration(qint64 samples)
{
    const qint64 seconds = (samples + Rate / 2) / Rate;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

ReviewRhythm::ReviewRhythm(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblRhythm"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);
    m_episodes = new QTreeWidget(this);
    m_episodes->setObjectName(QStringLiteral("treeAfEpisodes"));
    m_episodes->setRootIsDecorated(false);
    m_episodes->setHeaderLabels({tr("AF episode"), tr("Length")});
    m_episodes->setToolTip(tr("Episodes of atrial fibrillation; choose one to see its ECG at the onset"));
    m_episodes->header()->setStretchLastSection(false);
    m_episodes->header()->setSectionResizeMode(ColumnTime, QHeaderView::Stretch);
    const QFontMetrics metrics = m_episodes->header()->fontMetrics();
    m_episodes->setColumnWidth(ColumnLength, qMax(metrics.horizontalAdvance(QStringLiteral("000:00")),
                                                  metrics.horizontalAdvance(m_episodes->headerItem()->text(ColumnLength)))
                                                 + 16);
    m_episodes->setMinimumHeight(60);
    layout->addWidget(m_episodes, 1);
    setFixedWidth(230);

    m_trendPlot = new QPlotGraphic(parent);
    m_trendPlot->setObjectName(QStringLiteral("afGraphic"));
    m_trendPlot->setMinimumSize(100, 50);
    m_trendPlot->setMaximumHeight(70);
    m_trendPlot->setStyle(QPlotGraphic::Lines);
    m_trendPlot->setTimeFormat(QStringLiteral("mm:ss"));
    m_trendPlot->setYRange(0, 1);
    m_trendPlot->setYStep(1);
    m_trendPlot->setHighlightVisible(true);
    m_trendPlot->setHighlightOnClick(true);
    m_trendValues.setTrend(&m_trend);
    m_trendPlot->setValues(&m_trendValues);

    connect(m_trendPlot, &QPlotGraphic::highlightChanged, this,
            [this] { emit positionChosen(m_trendPlot->highlightValue()); });
    connect(m_episodes, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) { episodeChosen(item); });
    connect(m_episodes, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem *item) { episodeChosen(item); });
}

ReviewRhythm::~ReviewRhythm()
{
    // The plot reads this panel's trend: it goes first.
    delete m_trendPlot;
}

void ReviewRhythm::showSession(bool analysed, const QVector<RhythmEpisode> &episodes, const QVector<int> &hrTrend,
                               const QDateTime &start)
{
    {
        const QSignalBlocker blocker(m_episodes);
        m_episodes->clear();
    }
    m_trend = afTrend(episodes, hrTrend.size());
    m_trendPlot->setXRange(0, qMax(1, m_trend.size()));
    m_trendPlot->setValues(&m_trendValues);
    if (!analysed) {
        m_summary->setText(tr("The rhythm of this session was not analysed."));
        return;
    }
    const AfFigures f = afFigures(episodes, hrTrend);
    QStringList lines;
    if (f.analysedSamples == 0) {
        lines << tr("Rhythm: too little clean ECG to judge");
    } else {
        lines << tr("AF burden: %1% of %2 analysed").arg(f.burdenPercent, 0, 'f', 1).arg(duration(f.analysedSamples));
        lines << tr("AF episodes: %1").arg(f.episodes);
        if (f.episodes > 0) {
            lines << tr("Longest: %1").arg(duration(f.longestSamples));
            if (f.meanRateInAf > 0)
                lines << tr("Mean HR in AF: %1 bpm").arg(f.meanRateInAf);
        }
    }
    m_summary->setText(lines.join(QLatin1Char('\n')));

    QList<QTreeWidgetItem *> items;
    for (const RhythmEpisode &e : episodes) {
        if (e.label != RhythmLabel::AtrialFibrillation)
            continue;
        auto *item = new QTreeWidgetItem;
        item->setText(ColumnTime, RecordRules::eventTime(start, int(e.start / Rate), true));
        item->setData(ColumnTime, Qt::UserRole, double(e.start) / Rate);
        item->setText(ColumnLength, duration(e.end - e.start));
        item->setTextAlignment(ColumnLength, Qt::AlignRight | Qt::AlignVCenter);
        items.append(item);
    }
    const QSignalBlocker blocker(m_episodes);
    m_episodes->insertTopLevelItems(0, items);
    m_episodes->setCurrentItem(nullptr);
}

void ReviewRhythm::setPosition(double seconds)
{
    m_trendPlot->setHighlightValue(seconds);
    m_trendPlot->refresh();
}

void ReviewRhythm::episodeChosen(QTreeWidgetItem *item)
{
    if (item)
        emit positionChosen(qMax(0.0, item->data(ColumnTime, Qt::UserRole).toDouble() - OnsetLeadIn));
}
