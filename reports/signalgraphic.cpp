#include "reports/signalgraphic.h"

#include "display/ecgpaper.h"
#include "display/papercolours.h"
#include "dsp/tsignal.h"
#include "reports/textfit.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

using papercolours::Role;

QColor colour(Role role)
{
    return papercolours::colour(papercolours::Medium::Printed, role);
}

} // namespace

double devicePixelsPerMmX(const QPaintDevice *device)
{
    return device->physicalDpiX() / 25.4;
}

double devicePixelsPerMmY(const QPaintDevice *device)
{
    return device->physicalDpiY() / 25.4;
}

QString sessionOffsetText(double seconds)
{
    const bool before = seconds < 0.0;
    const qint64 s = qint64(std::floor(std::min(std::fabs(seconds), 1e12)));
    const QString text = s < 3600 ? QString::asprintf("%02lld:%02lld", s / 60, s % 60)
                                  : QString::asprintf("%lld:%02lld:%02lld", s / 3600, s / 60 % 60, s % 60);
    return (before ? QStringLiteral("-") : QStringLiteral("+")) + text;
}

SignalGraphic::SignalGraphic(QObject *parent)
    : QObject(parent)
{
}

QString SignalGraphic::caption() const
{
    QStringList parts;
    for (int c = 0; m_signal && c < m_signal->channelCount(); ++c)
        if (!m_signal->channelName(c).isEmpty())
            parts << m_signal->channelName(c);
    if (m_sessionStart.isValid() && std::fabs(m_startTime) < 1e9)
        parts << m_sessionStart.addMSecs(qint64(std::floor(m_startTime)) * 1000).toString(QStringLiteral("HH:mm:ss"));
    parts << sessionOffsetText(m_startTime);
    parts << tr("%1 mm/s  %2 mm/mV").arg(m_speed).arg(m_amplitude);
    return parts.join(QStringLiteral("   "));
}

void SignalGraphic::draw(QPainter &painter, const QRect &rect)
{
    if (rect.isEmpty())
        return;
    const double pxPerMm = devicePixelsPerMmX(painter.device());
    const double pen = 0.2 * pxPerMm;
    const QRectF paper(rect);
    painter.save();
    ecgpaper::drawPaper(painter, paper, pxPerMm, ecgpaper::printedPaper(pxPerMm));

    // The caption's line along the top, the pulse at the left, the trace in
    // what is left.
    const double band = std::min(CaptionHeightMm * pxPerMm, paper.height() / 2.0);
    const double pulse = m_calibrationPulse ? ecgpaper::CalibrationPulseWidthMm * pxPerMm : 0.0;
    const QRectF lane(paper.left() + pulse, paper.top() + band, paper.width() - pulse, paper.height() - band);
    ecgpaper::TraceWindow window;
    window.signal = m_signal;
    window.startTime = m_startTime;
    window.speed = m_speed;
    window.amplitude = m_amplitude;
    window.visible.fill(true);
    window.keepInLane = true;
    window.missing = m_missing;
    std::vector<double> samples;
    QPolygonF points;
    const ecgpaper::TraceResult drawn =
        ecgpaper::drawWindow(painter, lane, pxPerMm, window, {colour(Role::Trace), pen, true}, samples, points);

    painter.setPen(QPen(colour(Role::Trace), pen, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (m_leftLine)
        painter.drawLine(QPointF(paper.left(), paper.top()), QPointF(paper.left(), paper.bottom()));
    if (m_calibrationPulse) {
        std::vector<double> baselines = drawn.baselines;
        if (baselines.empty())
            baselines.push_back(lane.center().y());
        for (double y : baselines)
            ecgpaper::drawCalibrationPulse(painter, QPointF(paper.left(), y), pxPerMm, m_amplitude);
    }

    // Notes in 9-point bold, the end mark and the caption in 8 points.
    QFont noteFont(printFontFamily(QStringLiteral("Helvetica")));
    noteFont.setPointSizeF(9);
    noteFont.setBold(true);
    QFont font = noteFont;
    font.setPointSizeF(8);
    font.setBold(false);
    // The reports are printed in Spanish, whatever the station's language.
    static const ecgpaper::NoteTexts spanish{QStringLiteral("Sin registro de ECG"),
                                             QStringLiteral("Sin ECG en este momento"),
                                             QStringLiteral("Fin del registro"), QStringLiteral("ECG ausente")};
    ecgpaper::drawExtent(painter, lane, drawn, noteFont, font, colour(Role::Note), spanish);

    const QFont &captionFont = font;
    painter.setFont(captionFont);
    painter.setPen(colour(Role::Label));
    const QFontMetricsF metrics(captionFont, painter.device());
    const double baseline = paper.top() + (band + metrics.ascent() - metrics.descent()) / 2.0;
    painter.drawText(QPointF(paper.left() + 2 * pxPerMm, baseline), caption());
    painter.restore();
}
