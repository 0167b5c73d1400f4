#include "display/stbeatpaper.h"

#include "display/ecgpaper.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace stbeatpaper {

namespace {

const QColor TraceColour(0, 0, 0);
const QColor IsoelectricColour(0, 110, 200);
const QColor JColour(200, 0, 0);
const QColor PointColour(0, 140, 60);

} // namespace

QSizeF sizeMm(int count)
{
    if (count <= 0)
        return QSizeF();
    return QSizeF(count * BeatWidthMm + (count - 1) * GapMm, CaptionMm + BeatHeightMm);
}

double sampleXMm(const TStMedianBeat &beat, int i)
{
    // The beat's window is placed so that its QRS sits a little left of the
    // box's middle and its ST segment and T wave follow.
    const double centreMm = BeatWidthMm * 0.4;
    return centreMm + double(i - beat.centre) / StMeasure::Rate * SpeedMmPerS;
}

double levelYMm(double microvolts)
{
    return BaselineFromTopMm - microvolts / 1000.0 * GainMmPerMv;
}

void draw(QPainter &painter, const QPointF &topLeft, double pxPerMm, const QVector<Picture> &pictures,
          const QFont &font)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setFont(font);
    const ecgpaper::PaperLook look = ecgpaper::printedPaper(pxPerMm);
    for (int k = 0; k < pictures.size(); ++k) {
        const Picture &picture = pictures[k];
        const double left = topLeft.x() + k * (BeatWidthMm + GapMm) * pxPerMm;
        const QRectF caption(left, topLeft.y(), BeatWidthMm * pxPerMm, CaptionMm * pxPerMm);
        painter.setPen(Qt::black);
        painter.drawText(caption, Qt::AlignLeft | Qt::AlignBottom | Qt::TextWordWrap, picture.caption);
        const QRectF box(left, caption.bottom(), BeatWidthMm * pxPerMm, BeatHeightMm * pxPerMm);
        ecgpaper::drawPaper(painter, box, pxPerMm, look);
        const TStMedianBeat &beat = picture.beat;
        if (!beat.valid()) {
            painter.setPen(Qt::darkGray);
            painter.drawText(box, Qt::AlignCenter | Qt::TextWordWrap,
                             QCoreApplication::translate("StBeatPaper", "No beat measured"));
            continue;
        }
        auto at = [&](double xMm, double yMm) {
            return QPointF(box.left() + xMm * pxPerMm, box.top() + yMm * pxPerMm);
        };
        painter.save();
        painter.setClipRect(box);
        // The trace.
        QPainterPath path;
        bool started = false;
        for (int i = 0; i < int(beat.samples.size()); ++i) {
            const double x = sampleXMm(beat, i);
            if (x < 0.0 || x > BeatWidthMm)
                continue;
            const QPointF p = at(x, levelYMm(beat.samples[size_t(i)]));
            if (started) {
                path.lineTo(p);
            } else {
                path.moveTo(p);
                started = true;
            }
        }
        painter.setPen(QPen(TraceColour, 0.25 * pxPerMm));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        // The isoelectric level over its segment, extended dashed to the
        // measurement point so that the ST deviation shows as a gap.
        const double isoY = levelYMm(0.0);
        painter.setPen(QPen(IsoelectricColour, 0.35 * pxPerMm));
        painter.drawLine(at(sampleXMm(beat, beat.isoelectricFrom), isoY), at(sampleXMm(beat, beat.isoelectricTo), isoY));
        painter.setPen(QPen(IsoelectricColour, 0.15 * pxPerMm, Qt::DashLine));
        painter.drawLine(at(sampleXMm(beat, beat.isoelectricTo), isoY), at(sampleXMm(beat, beat.point) + 2.0, isoY));
        // The J point and the measurement point: short vertical marks.
        const auto mark = [&](int i, const QColor &colour) {
            const double x = sampleXMm(beat, i);
            const double y = levelYMm(beat.samples[size_t(std::clamp(i, 0, int(beat.samples.size()) - 1))]);
            painter.setPen(QPen(colour, 0.3 * pxPerMm));
            painter.drawLine(at(x, y - 3.0), at(x, y + 3.0));
        };
        mark(beat.j, JColour);
        mark(beat.point, PointColour);
        painter.restore();
        // Names of the marks: J and ST under their marks, PR above the
        // isoelectric segment.
        const QFontMetricsF metrics(painter.font());
        const auto label = [&](const QString &text, double xMm, double yMm, const QColor &colour) {
            painter.setPen(colour);
            const QPointF p = at(xMm, yMm);
            painter.drawText(QPointF(p.x() - metrics.horizontalAdvance(text) / 2.0, p.y()), text);
        };
        const auto levelAt = [&](int i) {
            return levelYMm(beat.samples[size_t(std::clamp(i, 0, int(beat.samples.size()) - 1))]);
        };
        const double below = 3.5 + metrics.ascent() / pxPerMm;
        label(QStringLiteral("J"), sampleXMm(beat, beat.j) - 1.0, levelAt(beat.j) + below, JColour);
        label(QStringLiteral("ST"), sampleXMm(beat, beat.point) + 1.5, levelAt(beat.point) + below, PointColour);
        label(QStringLiteral("PR"), sampleXMm(beat, (beat.isoelectricFrom + beat.isoelectricTo) / 2), isoY - 1.5,
              IsoelectricColour);
    }
    painter.restore();
}

} // namespace stbeatpaper
