#include "review/reviewst.h"

#include "display/framebuffer.h"
#include "display/qplotgraphic.h"
#include "storage/recordrules.h"
#include "storage/storageerror.h"
#include "storage/tfilesignal.h"

#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>
#include <QtConcurrent>

#include <cmath>

namespace {

// Seconds before the largest change that its ECG shows.
constexpr double LeadIn = 2.0;

std::shared_ptr<ReviewedSt> analyseFile(const QString &path, const StLiveSettings &live,
                                        std::shared_ptr<std::atomic<bool>> cancel)
{
    auto result = std::make_shared<ReviewedSt>();
    try {
        std::unique_ptr<TFileSignal> recording = TFileSignal::openRecordingFile(path);
        if (!recording || recording->rate() <= 0)
            return result;
        result->st = analyseRecordingSt(*recording, 0, live, cancel.get());
        result->readable = true;
    } catch (const StorageError &) {
        // Told as unreadable.
    }
    return result;
}

// "-1.2 mm" at 10 mm/mV, "0.0 mm" for less than a twentieth.
QString millimetres(double microvolts)
{
    const long tenths = std::lround(microvolts / 10.0);
    return tenths == 0 ? QStringLiteral("0.0") : QString::asprintf("%+.1f", double(tenths) / 10.0);
}

} // namespace

StBeatsView::StBeatsView(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("stBeats"));
}

void StBeatsView::setPictures(const QVector<stbeatpaper::Picture> &pictures)
{
    m_pictures = pictures;
    updateGeometry();
    update();
}

QSize StBeatsView::sizeHint() const
{
    const QSizeF mm = stbeatpaper::sizeMm(2);
    const double px = framebuffer::pixelsPerMm(*this);
    return QSize(int(std::ceil(mm.width() * px)) + 2, int(std::ceil(mm.height() * px)) + 2);
}

void StBeatsView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    QFont small = font();
    small.setPointSizeF(qMax(6.0, small.pointSizeF() * 0.85));
    stbeatpaper::draw(painter, QPointF(1, 1), framebuffer::pixelsPerMm(*this), m_pictures, small);
}

ReviewSt::ReviewSt(QWidget *parent) : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("lblSt"));
    m_summary->setTextFormat(Qt::PlainText);
    m_summary->setWordWrap(true);
    layout->addWidget(m_summary);
    m_beats = new StBeatsView(this);
    layout->addWidget(m_beats);
    layout->addStretch(1);
    setFixedWidth(qMax(230, m_beats->sizeHint().width()));

    m_trendPlot = new QPlotGraphic(parent);
    m_trendPlot->setObjectName(QStringLiteral("stGraphic"));
    m_trendPlot->setMinimumSize(100, 120);
    m_trendPlot->setStyle(QPlotGraphic::Lines);
    m_trendPlot->setTimeFormat(QStringLiteral("mm:ss"));
    m_trendPlot->setYRange(-3, 3);
    m_trendPlot->setHighlightVisible(true);
    m_trendPlot->setHighlightOnClick(true);
    m_trendValues.setTrend(&m_trend);

    connect(m_trendPlot, &QPlotGraphic::highlightChanged, this,
            [this] { emit positionChosen(m_trendPlot->highlightValue()); });
    connect(&m_watcher, &QFutureWatcherBase::finished, this, &ReviewSt::showResult);
    showStatus(QString());
}

ReviewSt::~ReviewSt()
{
    if (m_cancel)
        m_cancel->store(true);
    m_watcher.disconnect(this);
    // The plot reads this panel's trend: it goes first.
    delete m_trendPlot;
}

bool ReviewSt::isBusy() const
{
    return m_watcher.isRunning();
}

void ReviewSt::showRecording(const QString &path, const QDateTime &start, const StLiveSettings &live)
{
    if (m_cancel)
        m_cancel->store(true);
    m_start = start;
    if (path.isEmpty()) {
        m_cancel.reset();
        m_watcher.setFuture(QFuture<std::shared_ptr<ReviewedSt>>());
        showStatus(QString());
        return;
    }
    showStatus(tr("Measuring the ST segment..."));
    m_cancel = std::make_shared<std::atomic<bool>>(false);
    m_watcher.setFuture(QtConcurrent::run(analyseFile, path, live, m_cancel));
}

void ReviewSt::setPosition(double seconds)
{
    m_trendPlot->setHighlightValue(seconds);
    m_trendPlot->refresh();
}

void ReviewSt::showStatus(const QString &text)
{
    m_summary->setText(text);
    m_beats->setPictures({});
    m_beats->setVisible(false);
    m_trend.clear();
    m_trendPlot->setXRange(0, 1);
    m_trendPlot->setValues(&m_trendValues);
}

QStringList ReviewSt::summaryLines(const RecordingSt &st, const QDateTime &start)
{
    QStringList lines;
    if (!st.hasReference) {
        lines << tr("ST: too few beats measured for a reference");
        return lines;
    }
    lines << tr("ST reference: %1 mm (J + %2 ms)").arg(millimetres(st.referenceUv)).arg(st.pointMs);
    const auto extreme = [&](const StExtreme &e, const QString &name) {
        if (!e.found || (name.isEmpty()))
            return;
        lines << tr("%1: %2 mm at %3, HR %4")
                     .arg(name, millimetres(e.changeUv), RecordRules::eventTime(start, int(e.timeS), true))
                     .arg(e.heartRate);
    };
    if (st.depression.found && st.depression.changeUv < 0.0)
        extreme(st.depression, tr("Largest depression"));
    else
        lines << tr("No ST depression");
    if (st.elevation.found && st.elevation.changeUv > 0.0)
        extreme(st.elevation, tr("Largest elevation"));
    else
        lines << tr("No ST elevation");
    return lines;
}

QVector<stbeatpaper::Picture> ReviewSt::pictures(const RecordingSt &st, const QDateTime &start)
{
    QVector<stbeatpaper::Picture> pictures;
    if (!st.hasReference)
        return pictures;
    pictures.append({tr("Reference %1 mm").arg(millimetres(st.referenceUv)), st.referenceBeat});
    const bool depression = st.depression.found
        && (!st.elevation.found || std::abs(st.depression.changeUv) >= std::abs(st.elevation.changeUv));
    const StExtreme &largest = depression ? st.depression : st.elevation;
    if (largest.found)
        pictures.append({tr("%1 mm at %2").arg(millimetres(largest.levelUv),
                                               RecordRules::eventTime(start, int(largest.timeS), true)),
                         largest.beat});
    return pictures;
}

void ReviewSt::showResult()
{
    if (m_watcher.future().resultCount() == 0)
        return;
    const std::shared_ptr<ReviewedSt> result = m_watcher.result();
    if (!result || (m_cancel && m_cancel->load()))
        return;
    if (!result->readable) {
        showStatus(QString());
        return;
    }
    const RecordingSt &st = result->st;
    showStatus(QString());
    m_summary->setText(summaryLines(st, m_start).join(QLatin1Char('\n')));
    m_beats->setPictures(pictures(st, m_start));
    m_beats->setVisible(st.hasReference);

    m_trend = st.trend;
    m_trendPlot->setXRange(0, double(st.sampleCount) / st.rate);
    double largest = 3.0;
    for (const TStTrendPoint &p : m_trend)
        largest = std::max(largest, std::ceil(std::abs(p.stUv) / 100.0));
    m_trendPlot->setYRange(-largest, largest);
    m_trendPlot->setValues(&m_trendValues);
}
