#include "review/reviewectopy.h"

#include "display/qplotgraphic.h"
#include "dsp/stationrate.h"
#include "storage/recordrules.h"
#include "storage/storageerror.h"
#include "storage/tfilesignal.h"

#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <cmath>

namespace {

enum RunColumn { ColumnTime = 0, ColumnBeats = 1, ColumnRate = 2 };

// Seconds before a run that its ECG shows, so that the run's onset is seen.
constexpr double RunLeadIn = 1.0;

std::shared_ptr<ReviewedEctopy> analyseFile(const QString &path, std::shared_ptr<std::atomic<bool>> cancel)
{
    auto result = std::make_shared<ReviewedEctopy>();
    try {
        std::unique_ptr<TFileSignal> recording = TFileSignal::openRecordingFile(path);
        if (!recording || recording->rate() <= 0)
            return result;
        result->ectopy = analyseRecording(*recording, recording->gapSpans(), cancel.get());
        result->readable = true;
    } catch (const StorageError &) {
        // Told as unreadable.
    }
    return result;
}

} // namespace

ReviewEctopy::ReviewEctopy(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblEctopy"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);
    m_runs = new QTreeWidget(this);
    m_runs->setObjectName(QStringLiteral("treeRuns"));
    m_runs->setRootIsDecorated(false);
    m_runs->setHeaderLabels({tr("Run"), tr("Beats"), tr("bpm")});
    m_runs->setToolTip(tr("Runs of three or more ventricular beats, the slower ones too; those above 100 bpm "
                          "are ventricular tachycardias, as the VT alarm calls them. Choose one to see its ECG"));
    m_runs->header()->setStretchLastSection(false);
    m_runs->header()->setSectionResizeMode(ColumnTime, QHeaderView::Stretch);
    // Wide enough for four digits and for the column's heading in either language.
    const QFontMetrics metrics = m_runs->header()->fontMetrics();
    for (int column : {int(ColumnBeats), int(ColumnRate)})
        m_runs->setColumnWidth(column, qMax(metrics.horizontalAdvance(QStringLiteral("0000")),
                                            metrics.horizontalAdvance(m_runs->headerItem()->text(column)))
                                           + 16);
    m_runs->setMinimumHeight(60);
    layout->addWidget(m_runs, 1);
    setFixedWidth(230);

    m_trendPlot = new QPlotGraphic(parent);
    m_trendPlot->setObjectName(QStringLiteral("pvcGraphic"));
    m_trendPlot->setMinimumSize(100, 120);
    m_trendPlot->setStyle(QPlotGraphic::Lines);
    m_trendPlot->setTimeFormat(QStringLiteral("mm:ss"));
    m_trendPlot->setYRange(0, 10);
    m_trendPlot->setHighlightVisible(true);
    m_trendPlot->setHighlightOnClick(true);
    m_trendValues.setTrend(&m_trend);

    connect(m_trendPlot, &QPlotGraphic::highlightChanged, this,
            [this] { emit positionChosen(m_trendPlot->highlightValue()); });
    connect(m_runs, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) { runChosen(item); });
    connect(m_runs, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem *item) { runChosen(item); });
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &ReviewEctopy::showResult);
    showStatus(QString());
}

ReviewEctopy::~ReviewEctopy()
{
    // A classification still running stops at its next chunk; its result is
    // dropped with the shared state.
    if (m_cancel)
        m_cancel->store(true);
    m_watcher.disconnect(this);
    // The plot reads this panel's trend: it goes first.
    delete m_trendPlot;
}

bool ReviewEctopy::isBusy() const
{
    return m_watcher.isRunning();
}

void ReviewEctopy::showRecording(const QString &path, const QDateTime &start, const QVector<int> &liveCounts)
{
    m_liveCounts = liveCounts;
    if (m_cancel)
        m_cancel->store(true);
    m_start = start;
    m_ventricular.clear();
    emit ventricularBeatsChanged(m_ventricular);
    if (path.isEmpty()) {
        m_cancel.reset();
        m_watcher.setFuture(QFuture<std::shared_ptr<ReviewedEctopy>>());
        showCounted(tr("This session has no ECG recording."));
        return;
    }
    showStatus(tr("Classifying the beats of the recording..."));
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    // Only the newest future is watched: a result of an earlier session
    // never reaches the widgets.
    m_watcher.setFuture(QtConcurrent::run(analyseFile, path, m_cancel));
}

void ReviewEctopy::setPosition(double seconds)
{
    m_trendPlot->setHighlightValue(seconds);
    m_trendPlot->refresh();
}

void ReviewEctopy::showStatus(const QString &text)
{
    m_summary->setText(text);
    const QSignalBlocker blocker(m_runs);
    m_runs->clear();
    m_trend.clear();
    m_trendPlot->setXRange(0, 1);
    m_trendPlot->setValues(&m_trendValues);
}

void ReviewEctopy::showResult()
{
    if (m_watcher.future().resultCount() == 0)
        return;
    const std::shared_ptr<ReviewedEctopy> result = m_watcher.result();
    if (!result || (m_cancel && m_cancel->load()))
        return;
    if (!result->readable) {
        showCounted(tr("The ECG recording of this session cannot be read."));
        return;
    }
    const RecordingEctopy &e = result->ectopy;
    const EctopyStatistics &s = e.statistics;
    m_rate = e.rate;
    showStatus(QString());

    QStringList lines;
    lines << tr("PVCs: %1 (%2 per hour)").arg(s.pvcTotal).arg(std::lround(s.pvcPerHour));
    if (s.maxPerMinute > 0)
        lines << tr("Most in a minute: %1, from %2")
                     .arg(s.maxPerMinute)
                     .arg(RecordRules::eventTime(m_start, int(s.maxMinuteStart / m_rate), true));
    lines << tr("Couplets: %1").arg(s.couplets);
    lines << (s.runs.empty() ? tr("No runs of 3 or more PVCs")
                             : tr("Runs of 3 or more PVCs: %1, %2 of them above 100 bpm (VT)")
                                   .arg(s.runs.size())
                                   .arg(s.tachycardias));
    m_summary->setText(lines.join(QLatin1Char('\n')));

    QList<QTreeWidgetItem *> items;
    for (size_t i = 0; i < s.runs.size(); ++i) {
        const VentricularRun &run = s.runs[i];
        auto *item = new QTreeWidgetItem;
        item->setText(ColumnTime, RecordRules::eventTime(m_start, int(run.start / m_rate), true));
        item->setData(ColumnTime, Qt::UserRole, double(run.start) / m_rate);
        item->setText(ColumnBeats, QString::number(run.beats));
        item->setText(ColumnRate, QString::number(run.rateBpm));
        item->setTextAlignment(ColumnBeats, Qt::AlignRight | Qt::AlignVCenter);
        item->setTextAlignment(ColumnRate, Qt::AlignRight | Qt::AlignVCenter);
        if (int(i) == s.longestRun)
            item->setToolTip(ColumnTime, tr("The longest run"));
        items.append(item);
    }
    {
        const QSignalBlocker blocker(m_runs);
        m_runs->insertTopLevelItems(0, items);
        m_runs->setCurrentItem(nullptr);
    }

    showTrend(ventricularTrend(e.beats, e.rate, e.sampleCount), s.maxPerMinute);

    const std::vector<qint64> ventricular = ventricularIndices(e.beats);
    m_ventricular = QVector<qint64>(ventricular.begin(), ventricular.end());
    emit ventricularBeatsChanged(m_ventricular);
}

void ReviewEctopy::showCounted(const QString &reason)
{
    showStatus(reason);
    if (m_liveCounts.isEmpty())
        return;
    // The live count of the same chain that review runs, kept second by
    // second while monitoring.
    m_rate = StationSampleRate;
    const EctopyStatistics s = countedStatistics(m_liveCounts, m_rate);
    QStringList lines{reason, tr("As counted live:")};
    lines << tr("PVCs: %1 (%2 per hour)").arg(s.pvcTotal).arg(std::lround(s.pvcPerHour));
    if (s.maxPerMinute > 0)
        lines << tr("Most in a minute: %1, from %2")
                     .arg(s.maxPerMinute)
                     .arg(RecordRules::eventTime(m_start, int(s.maxMinuteStart / m_rate), true));
    lines << tr("Couplets and runs need the ECG recording.");
    m_summary->setText(lines.join(QLatin1Char('\n')));
    showTrend(countedTrend(m_liveCounts), s.maxPerMinute);
}

void ReviewEctopy::showTrend(const std::vector<int> &trend, int maxPerMinute)
{
    m_trend = QVector<int>(trend.begin(), trend.end());
    m_trendPlot->setXRange(0, m_trend.size());
    // Room above the busiest minute, at least ten per minute.
    m_trendPlot->setYRange(0, qMax(10, (maxPerMinute + 4) / 5 * 5 + 5));
    m_trendPlot->setValues(&m_trendValues);
}

void ReviewEctopy::runChosen(QTreeWidgetItem *item)
{
    if (item)
        emit positionChosen(qMax(0.0, item->data(ColumnTime, Qt::UserRole).toDouble() - RunLeadIn));
}
