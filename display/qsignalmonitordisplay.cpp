#include "display/qsignalmonitordisplay.h"

#include "display/channellanes.h"
#include "display/ecgpaper.h"
#include "display/framebuffer.h"
#include "display/papercolours.h"
#include "dsp/tsignal.h"

#include <QPaintEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

using papercolours::Role;

QColor colour(Role role)
{
    return papercolours::colour(papercolours::Medium::Live, role);
}

} // namespace

QSignalMonitorDisplay::QSignalMonitorDisplay(QWidget *parent)
    : QWidget(parent)
{
    m_visible.fill(true);
    m_offsets.fill(0);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void QSignalMonitorDisplay::resetSweep()
{
    m_lastSweep = -1;
    m_offsets.fill(0);
}

void QSignalMonitorDisplay::setSignal(TSignal *signal)
{
    m_signal = signal;
    m_paperValid = false; // the channel names are on the paper
    resetSweep();
    redrawAll();
}

void QSignalMonitorDisplay::setAutoCenter(bool autoCenter)
{
    m_autoCenter = autoCenter;
    resetSweep();
    redrawAll();
}

void QSignalMonitorDisplay::setSpeed(double mmPerSecond)
{
    m_speed = mmPerSecond;
    redrawAll();
}

void QSignalMonitorDisplay::setAmplitude(double mmPerMillivolt)
{
    m_amplitude = mmPerMillivolt;
    redrawAll();
}

void QSignalMonitorDisplay::setChannelVisible(int channel, bool visible)
{
    if (channel < 0 || channel >= int(m_visible.size()))
        return;
    m_visible[channel] = visible;
    m_paperValid = false;
    redrawAll();
}

bool QSignalMonitorDisplay::isChannelVisible(int channel) const
{
    return channel >= 0 && channel < int(m_visible.size()) && m_visible[channel];
}

void QSignalMonitorDisplay::setMissing(const QVector<QPair<qint64, qint64>> &missing)
{
    // Gaps are added where the sweep has not drawn yet: nothing to repaint.
    m_missing = missing;
}

void QSignalMonitorDisplay::setBeatMarks(const QVector<qint64> &sampleIndices)
{
    QVector<qint64> marks = sampleIndices;
    std::sort(marks.begin(), marks.end());
    marks.erase(std::unique(marks.begin(), marks.end()), marks.end());
    QVector<qint64> changed;
    std::set_symmetric_difference(m_beatMarks.begin(), m_beatMarks.end(), marks.begin(), marks.end(),
                                  std::back_inserter(changed));
    m_beatMarks = std::move(marks);
    QRect dirty;
    for (qint64 index : changed)
        dirty |= beatMarkColumns(index);
    if (!dirty.isEmpty())
        update(dirty);
}

QRect QSignalMonitorDisplay::beatMarkColumns(qint64 index) const
{
    const sweep::Geometry &g = m_shown;
    if (!g.valid || visibleChannelCount() == 0)
        return QRect();
    double x = 0.0;
    if (index >= g.sweepStart && index < g.sampleCount)
        x = g.currentX(int(index));
    else if (index >= g.previousFrom && index < g.previousFrom + g.previousCount)
        x = g.previousX(int(index));
    else
        return QRect();
    const double half = ecgpaper::BeatMarkWidthMm / 2.0 * framebuffer::pixelsPerMm(*this);
    const int left = int(std::floor(x - half)) - 1;
    return QRect(left, 0, int(std::ceil(x + half)) + 2 - left, height());
}

void QSignalMonitorDisplay::refresh()
{
    const sweep::Geometry before = m_shown;
    if (updateSweep()) {
        repaint();
        return;
    }
    if (!m_shown.valid || visibleChannelCount() == 0)
        return;
    const sweep::Columns columns = sweep::changedColumns(before, m_shown);
    if (columns.to > columns.from)
        repaint(QRect(columns.from, 0, columns.to - columns.from, height()));
}

void QSignalMonitorDisplay::redrawAll()
{
    m_shown = sweep::Geometry();
    updateSweep();
    repaint();
}

void QSignalMonitorDisplay::resizeEvent(QResizeEvent *)
{
    // Qt paints the whole widget after a resize.
    m_paperValid = false;
    m_shown = sweep::Geometry();
    updateSweep();
}

int QSignalMonitorDisplay::visibleChannelCount() const
{
    return channellanes::visibleCount(m_signal, m_visible);
}

sweep::Geometry QSignalMonitorDisplay::geometry() const
{
    if (!m_signal)
        return sweep::Geometry();
    return sweep::compute(width(), framebuffer::pixelsPerMm(*this), m_speed, m_signal->rate(),
                          m_signal->sampleCount());
}

bool QSignalMonitorDisplay::updateSweep()
{
    const sweep::Geometry g = geometry();
    const sweep::Geometry before = m_shown;
    m_shown = g;
    if (g.valid != before.valid)
        return true;
    if (!g.valid)
        return false;
    bool whole = g.sweepIndex != before.sweepIndex || g.sampleCount < before.sampleCount
                 || g.samplesPerSweep != before.samplesPerSweep;

    // Offsets follow the mean of the last sweep's worth of samples, during
    // the first second and at the start of every sweep.
    const int count = g.sampleCount;
    bool recompute = m_autoCenter && count < m_signal->rate();
    if (g.sweepIndex != m_lastSweep) {
        recompute = m_autoCenter;
        m_lastSweep = g.sweepIndex;
    }
    if (recompute && count > 0) {
        const int from = count > g.samplesPerSweep ? count - g.samplesPerSweep : 0;
        const int channels = qMin(m_signal->channelCount(), int(m_visible.size()));
        for (int c = 0; c < channels; ++c) {
            if (!m_visible[c])
                continue;
            const int offset = m_signal->mean(c, from, count - from);
            whole = whole || offset != m_offsets[c];
            m_offsets[c] = offset;
        }
    }
    return whole;
}

void QSignalMonitorDisplay::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    const QRect area = event->rect();
    paintPaper(painter, area);
    if (!m_shown.valid || visibleChannelCount() == 0)
        return;
    paintTraces(painter, area, m_shown);
    const int x = m_shown.cursorX;
    if (x >= area.left() - 1 && x <= area.right() + 1)
        painter.drawPixmap(x - 1, 0, m_cursor);
}

void QSignalMonitorDisplay::paintPaper(QPainter &painter, const QRect &area)
{
    const qreal ratio = devicePixelRatioF();
    if (!m_paperValid || framebuffer::needsRebuild(m_paper, size(), ratio)) {
        m_paper = framebuffer::create(size(), ratio);
        QPainter paper(&m_paper);
        const QSize logical = framebuffer::logicalSize(m_paper);
        ecgpaper::PaperLook look = ecgpaper::screenPaper(ecgpaper::PaperLook::Ruled, colour(Role::Grid));
        look.background = colour(Role::Paper);
        ecgpaper::drawPaper(paper, QRectF(QPointF(0, 0), logical), framebuffer::pixelsPerMm(*this), look);
        channellanes::drawNames(paper, m_signal, m_visible, logical.height(), colour(Role::Label));
        // The dotted cursor, aliased so that it fills its pixel column
        // crisply, drawn once and copied wherever the sweep stands.
        m_cursor = framebuffer::create(QSize(3, logical.height()), ratio);
        m_cursor.fill(Qt::transparent);
        QPainter cursor(&m_cursor);
        cursor.setPen(QPen(colour(Role::Cursor), 1.0, Qt::DotLine, Qt::SquareCap, Qt::BevelJoin));
        cursor.drawLine(1, 0, 1, logical.height());
        m_paperValid = true;
    }
    painter.drawPixmap(QRectF(area), m_paper, QRectF(QPointF(area.topLeft()) * ratio, QSizeF(area.size()) * ratio));
}

void QSignalMonitorDisplay::paintTraces(QPainter &painter, const QRect &area, const sweep::Geometry &g)
{
    const int visible = visibleChannelCount();
    const double scale =
        ecgpaper::pixelsPerCount(m_signal->lsb(), framebuffer::pixelsPerMm(*this), m_amplitude);
    const sweep::Run current = sweep::currentRun(g, area.left(), area.right() + 1);
    const sweep::Run previous = sweep::previousRun(g, area.left(), area.right() + 1);

    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(QPen(colour(Role::Trace), 1.0));
    int lane = 0;
    const int channels = qMin(m_signal->channelCount(), int(m_visible.size()));
    for (int c = 0; c < channels; ++c) {
        if (!m_visible[c])
            continue;
        const double centre = ecgpaper::laneCentre(height(), visible, lane++);
        // The current sweep, then what is left of the previous one right of
        // the cursor, each sample where it was drawn in its own sweep.
        for (const auto &[run, x0] : {std::make_pair(current, g.currentX(current.first)),
                                      std::make_pair(previous, g.previousX(previous.first))}) {
            if (run.count <= 0)
                continue;
            m_samples.resize(size_t(run.count));
            m_signal->readRange(c, run.first, run.count, m_samples.data());
            // A gap in the recording is left as paper, never drawn as a line.
            for (const auto &[at, length] : ecgpaper::recordedPieces(run.first, run.count, m_missing))
                ecgpaper::drawTrace(painter, m_samples.data() + at, length, x0 + at * g.xStep, g.xStep, centre,
                                    m_offsets[c], scale, m_points);
        }
    }
    paintBeatMarks(painter, area, g);
}

void QSignalMonitorDisplay::paintBeatMarks(QPainter &painter, const QRect &area, const sweep::Geometry &g)
{
    if (m_beatMarks.isEmpty())
        return;
    const double pxPerMm = framebuffer::pixelsPerMm(*this);
    const QRectF lanes(0, 0, width(), height());
    const int shown = visibleChannelCount();
    // Each sweep's marks stay on its own side of the cursor, so that a mark
    // is drawn only where its sweep has already drawn the trace.
    const QRect currentSide = QRect(0, 0, g.cursorX, height()) & area;
    if (!currentSide.isEmpty()) {
        painter.save();
        painter.setClipRect(currentSide);
        ecgpaper::drawBeatMarks(painter, m_beatMarks, g.sweepStart, g.sampleCount, g.currentX(g.sweepStart),
                                g.xStep, lanes, shown, pxPerMm, colour(Role::BeatMark));
        painter.restore();
    }
    const QRect previousSide = QRect(g.cursorX + 1, 0, width(), height()) & area;
    if (!previousSide.isEmpty() && g.previousCount > 0) {
        painter.save();
        painter.setClipRect(previousSide);
        ecgpaper::drawBeatMarks(painter, m_beatMarks, g.previousFrom, g.previousFrom + g.previousCount,
                                g.previousX(g.previousFrom), g.xStep, lanes, shown, pxPerMm, colour(Role::BeatMark));
        painter.restore();
    }
}
