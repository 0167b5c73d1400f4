#include "display/ecgpaper.h"

#include "display/papercolours.h"
#include "dsp/tsignal.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <limits>

namespace ecgpaper {

namespace {

// Millimetre steps finer than this many pixels would only smear the paper.
constexpr double FinestStep = 2.0;

// Mean of whole sample values: the integer sum divided by the count (at
// least 1), truncated toward zero.
int integerMean(const double *values, qint64 count)
{
    long long sum = 0;
    for (qint64 i = 0; i < count; ++i)
        sum += static_cast<long long>(values[i]);
    return int(sum / count);
}

} // namespace

PaperLook screenPaper(PaperLook::Grid grid, const QColor &lines)
{
    PaperLook look;
    look.grid = grid;
    look.lines = lines;
    look.minorLines = lines.lighter(110);
    look.antialiased = grid == PaperLook::Ruled;
    return look;
}

PaperLook printedPaper(double pxPerMm)
{
    PaperLook look;
    look.background = papercolours::colour(papercolours::Medium::Printed, papercolours::Role::Paper);
    look.lines = papercolours::colour(papercolours::Medium::Printed, papercolours::Role::Grid);
    look.width = 0.2 * pxPerMm;
    return look;
}

void drawPaper(QPainter &painter, const QRectF &rect, double pxPerMm, const PaperLook &look)
{
    painter.fillRect(rect, look.background);
    const double step = pxPerMm;
    if (!(5.0 * step >= FinestStep) || !std::isfinite(step) || rect.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, look.antialiased);
    painter.setClipRect(rect, Qt::IntersectClip);
    const double left = rect.left(), top = rect.top(), right = rect.right(), bottom = rect.bottom();
    const int columns = int(std::ceil(rect.width() / step));
    const int rows = int(std::ceil(rect.height() / step));

    // Line positions accumulate millimetre by millimetre.
    if (look.grid == PaperLook::Ruled) {
        // Every fifth line, starting with the first, marks 5 mm.
        const QPen minor(look.minorLines, look.minorWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        const QPen major(look.lines, look.majorWidth, Qt::SolidLine, Qt::SquareCap, Qt::BevelJoin);
        double x = left;
        for (int i = 0; i < columns; ++i, x += step) {
            painter.setPen(i % 5 == 0 ? major : minor);
            painter.drawLine(QPointF(x, top), QPointF(x, bottom));
        }
        double y = top;
        for (int j = 0; j < rows; ++j, y += step) {
            painter.setPen(j % 5 == 0 ? major : minor);
            painter.drawLine(QPointF(left, y), QPointF(right, y));
        }
        painter.restore();
        return;
    }

    painter.setPen(QPen(look.lines, look.width, Qt::SolidLine));
    if (step >= FinestStep) {
        // A dot at every millimetre off the 5-mm lines...
        QPolygonF dots;
        for (int i = 1; i < columns; ++i)
            for (int j = 1; j < rows; ++j)
                if (i % 5 != 0 && j % 5 != 0)
                    dots.append(QPointF(left + i * step, top + j * step));
        painter.drawPoints(dots);
    }
    // ...and solid lines every 5 mm.
    for (double x = left; x < right; x += 5 * step)
        painter.drawLine(QPointF(x, top), QPointF(x, bottom));
    for (double y = top; y < bottom; y += 5 * step)
        painter.drawLine(QPointF(left, y), QPointF(right, y));
    painter.restore();
}

double pixelsPerCount(double lsb, double pxPerMm, double amplitude)
{
    return lsb * pxPerMm * amplitude;
}

double secondsAcross(double widthPixels, double pxPerMm, double speed)
{
    if (!(pxPerMm > 0.0))
        return 0.0;
    const double seconds = widthPixels / pxPerMm / speed;
    return seconds > 0.0 && std::isfinite(seconds) ? seconds : 0.0;
}

qint64 nearest(double x)
{
    constexpr double limit = double(std::numeric_limits<qint64>::max() / 2);
    if (std::isnan(x))
        return 0;
    return qint64(std::clamp(x + 0.5, -limit, limit));
}

SampleWindow sampleWindow(int rate, double startTime, double seconds)
{
    SampleWindow w;
    if (rate <= 0 || !(seconds > 0.0))
        return w;
    w.first = nearest(rate * startTime);
    w.count = std::max<qint64>(0, nearest(rate * (startTime + seconds)) - w.first);
    return w;
}

int laneHeight(double height, int shown)
{
    return shown > 0 && height > 0.0 ? int(height) / shown : 0;
}

double laneCentre(double height, int shown, int lane)
{
    const int h = laneHeight(height, shown);
    return h * 0.5 + double(h) * lane;
}

void drawTrace(QPainter &painter, const double *samples, int n, double x0, double xStep, double baseline,
               double offset, double scale, QPolygonF &points)
{
    points.resize(n);
    for (int i = 0; i < n; ++i)
        points[i] = QPointF(x0 + i * xStep, baseline - (samples[i] - offset) * scale);
    painter.drawPolyline(points.constData(), n);
}

TraceResult drawWindow(QPainter &painter, const QRectF &rect, double pxPerMm, const TraceWindow &window,
                       const TraceLook &look, std::vector<double> &samples, QPolygonF &points)
{
    TraceResult result;
    TSignal *signal = window.signal;
    if (!signal || signal->sampleCount() <= 0 || signal->rate() <= 0)
        return result;
    const qint64 total = signal->sampleCount();
    const SampleWindow span =
        sampleWindow(signal->rate(), window.startTime, secondsAcross(rect.width(), pxPerMm, window.speed));
    // The recorded samples on paper, the one on the right edge included.
    const qint64 from = std::max<qint64>(span.first, 0);
    const qint64 to = std::min(span.first + span.count, total - 1);
    if (span.count <= 0 || from > to) {
        result.extent = TraceResult::PastEnd;
        return result;
    }
    const double xStep = rect.width() / double(span.count);
    const double x0 = rect.left() + double(from - span.first) * xStep;
    result.extent = total < span.first + span.count ? TraceResult::Partial : TraceResult::Complete;
    result.endX = rect.left() + double(to - span.first) * xStep;

    // The recorded stretches on paper between the missing ones; each
    // missing one's place on paper.
    const std::vector<std::pair<int, int>> pieces = recordedPieces(from, int(to - from + 1), window.missing);
    for (const auto &gap : window.missing) {
        const qint64 gapFrom = std::max(gap.first, from), gapTo = std::min(gap.first + gap.second - 1, to);
        if (gapFrom <= gapTo)
            result.missingX.emplace_back(rect.left() + double(gapFrom - span.first) * xStep,
                                         rect.left() + double(gapTo + 1 - span.first) * xStep);
    }

    const int shown = channellanes::visibleCount(signal, window.visible);
    if (shown == 0)
        return result;
    const int n = int(to - from + 1);
    // Each trace is centred on the mean of the samples across the paper.
    const qint64 meanCount = std::max<qint64>(1, std::min(span.first + span.count, total) - from);
    const auto recordedMean = [&](const std::vector<double> &values) {
        if (window.missing.isEmpty())
            return integerMean(values.data(), meanCount);
        long long sum = 0, count = 0;
        for (const auto &[at, length] : pieces) {
            for (int i = at; i < at + length; ++i)
                sum += static_cast<long long>(values[size_t(i)]);
            count += length;
        }
        return count > 0 ? int(sum / count) : 0;
    };
    const double scale = pixelsPerCount(signal->lsb(), pxPerMm, window.amplitude);
    const int lane = laneHeight(rect.height(), shown);

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(look.round ? QPen(look.colour, look.width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin)
                              : QPen(look.colour, look.width, Qt::SolidLine));
    samples.resize(size_t(n));
    int k = 0;
    const int channels = std::min(signal->channelCount(), int(window.visible.size()));
    for (int c = 0; c < channels; ++c) {
        if (!window.visible[size_t(c)])
            continue;
        signal->readRange(c, int(from), n, samples.data());
        const int mean = recordedMean(samples);
        double baseline = rect.top() + laneCentre(rect.height(), shown, k);
        if (window.keepInLane) {
            const auto [low, high] = std::minmax_element(samples.begin(), samples.end());
            // The pen's half width counts: the line stays inside too.
            const double above = (*high - mean) * scale + look.width / 2.0;
            const double below = (mean - *low) * scale + look.width / 2.0;
            const double laneTop = rect.top() + double(lane) * k, laneBottom = laneTop + lane;
            // A trace taller than its lane overflows it evenly at both ends.
            baseline = above + below <= lane ? std::clamp(baseline, laneTop + above, laneBottom - below)
                                             : laneTop + (lane + above - below) / 2.0;
        }
        for (const auto &[at, length] : pieces)
            drawTrace(painter, samples.data() + at, length, x0 + at * xStep, xStep, baseline, mean, scale, points);
        result.baselines.push_back(baseline);
        ++k;
    }
    painter.restore();
    return result;
}

std::vector<std::pair<int, int>> recordedPieces(qint64 first, int count, const QVector<QPair<qint64, qint64>> &missing)
{
    std::vector<std::pair<int, int>> pieces;
    const qint64 end = first + count;
    qint64 next = first;
    for (const auto &gap : missing) {
        const qint64 gapFrom = std::max(gap.first, first), gapEnd = std::min(gap.first + gap.second, end);
        if (gapFrom >= gapEnd)
            continue;
        if (gapFrom > next)
            pieces.emplace_back(int(next - first), int(gapFrom - next));
        next = std::max(next, gapEnd);
    }
    if (next < end)
        pieces.emplace_back(int(next - first), int(end - next));
    return pieces;
}

void drawBeatMarks(QPainter &painter, const QVector<qint64> &marks, qint64 first, qint64 end, double x0,
                   double xStep, const QRectF &lanes, int shown, double pxPerMm, const QColor &colour)
{
    const int lane = laneHeight(lanes.height(), shown);
    const double half = BeatMarkWidthMm / 2.0 * pxPerMm, height = 1.2 * pxPerMm, gap = 0.5 * pxPerMm;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    for (auto it = std::lower_bound(marks.begin(), marks.end(), first); it != marks.end() && *it < end; ++it) {
        const double x = x0 + double(*it - first) * xStep;
        for (int k = 0; k < shown; ++k) {
            const double top = lanes.top() + double(lane) * k + gap;
            const QPointF triangle[] = {{x - half, top}, {x + half, top}, {x, top + height}};
            painter.drawPolygon(triangle, 3);
        }
    }
    painter.restore();
}

void drawCalibrationPulse(QPainter &painter, const QPointF &foot, double pxPerMm, double amplitude)
{
    const double x = foot.x(), y = foot.y();
    const double up = amplitude * pxPerMm;
    const QPointF pulse[] = {{x, y},
                             {x + 2 * pxPerMm, y},
                             {x + 2 * pxPerMm, y - up},
                             {x + 5 * pxPerMm, y - up},
                             {x + 5 * pxPerMm, y},
                             {x + CalibrationPulseWidthMm * pxPerMm, y}};
    painter.drawPolyline(pulse, 6);
}

void drawNote(QPainter &painter, const QRectF &rect, const QString &text, const QFont &font, const QColor &colour)
{
    painter.save();
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(rect, Qt::AlignCenter, text);
    painter.restore();
}

void drawRecordingEnd(QPainter &painter, const QRectF &rect, double x, const QFont &font, const QColor &colour,
                      const QString &note)
{
    painter.save();
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    painter.setPen(QPen(colour, std::max(1.0, metrics.lineWidth()), Qt::DashLine));
    painter.drawLine(QPointF(x, rect.top()), QPointF(x, rect.bottom()));
    // Right of the end there is only paper: the note never covers trace.
    const QString text = note.isEmpty() ? recordingEndText() : note;
    const double gap = metrics.averageCharWidth();
    if (x + gap + metrics.horizontalAdvance(text) <= rect.right()) {
        painter.setPen(colour);
        painter.drawText(QPointF(x + gap, rect.center().y() + metrics.ascent() / 2.0), text);
    }
    painter.restore();
}

void drawMissing(QPainter &painter, const QRectF &rect, const TraceResult &drawn, const QFont &font,
                 const QColor &colour, const QString &note)
{
    if (drawn.missingX.empty())
        return;
    painter.save();
    painter.setFont(font);
    const QFontMetricsF metrics(font, painter.device());
    const QString text = note.isEmpty() ? missingText() : note;
    QColor shade = colour;
    shade.setAlphaF(0.15);
    for (const auto &[from, to] : drawn.missingX) {
        const QRectF band(QPointF(std::max(from, rect.left()), rect.top()), QPointF(std::min(to, rect.right()), rect.bottom()));
        painter.fillRect(band, shade);
        if (metrics.horizontalAdvance(text) + metrics.averageCharWidth() <= band.width()) {
            painter.setPen(colour);
            painter.drawText(band, Qt::AlignCenter, text);
        }
    }
    painter.restore();
}

QString missingText()
{
    return QCoreApplication::translate("EcgPaper", "ECG missing");
}

NoteTexts stationNoteTexts()
{
    return {noRecordingText(), pastEndText(), recordingEndText(), missingText()};
}

void drawExtent(QPainter &painter, const QRectF &rect, const TraceResult &drawn, const QFont &noteFont,
                const QFont &endFont, const QColor &colour, const NoteTexts &texts)
{
    drawMissing(painter, rect, drawn, noteFont, colour, texts.missing);
    switch (drawn.extent) {
    case TraceResult::NoRecording:
        drawNote(painter, rect, texts.noRecording, noteFont, colour);
        break;
    case TraceResult::PastEnd:
        drawNote(painter, rect, texts.pastEnd, noteFont, colour);
        break;
    case TraceResult::Partial:
        drawRecordingEnd(painter, rect, drawn.endX, endFont, colour, texts.recordingEnd);
        break;
    case TraceResult::Complete:
        break;
    }
}

QString noRecordingText()
{
    return QCoreApplication::translate("EcgPaper", "No ECG recording");
}

QString pastEndText()
{
    return QCoreApplication::translate("EcgPaper", "No ECG at this time");
}

QString recordingEndText()
{
    return QCoreApplication::translate("EcgPaper", "End of recording");
}

} // namespace ecgpaper
