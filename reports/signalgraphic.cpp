#include "reports/signalgraphic.h"

#include "dsp/tsignal.h"
#include "reports/textfit.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPolygon>

#include <cmath>
#include <vector>

namespace {

int secondsToSamples(double seconds, int rate)
{
    return int(std::lround(rate * seconds));
}

} // namespace

StripWindow stripWindow(int widthPixels, double pixelsPerMm, double speed, double startTime, int rate)
{
    StripWindow window;
    if (!(pixelsPerMm > 0.0) || !(speed > 0.0) || rate <= 0 || widthPixels <= 0)
        return window;
    const double duration = (widthPixels / pixelsPerMm) / speed;
    window.first = secondsToSamples(startTime, rate);
    window.count = secondsToSamples(duration, rate);
    window.last = secondsToSamples(startTime + duration, rate);
    return window;
}

double devicePixelsPerMmX(const QPaintDevice *device)
{
    return device->physicalDpiX() / 25.4;
}

double devicePixelsPerMmY(const QPaintDevice *device)
{
    return device->physicalDpiY() / 25.4;
}

SignalGraphic::SignalGraphic(QObject *parent)
    : QObject(parent)
{
    m_shown.fill(true);
}

void SignalGraphic::setChannelShown(int channel, bool shown)
{
    if (channel >= 0 && channel < int(m_shown.size()))
        m_shown[size_t(channel)] = shown;
}

int SignalGraphic::shownChannelCount() const
{
    if (!m_signal)
        return 0;
    int count = 0;
    for (int c = 0; c < m_signal->channelCount(); ++c)
        count += m_shown[size_t(c)] ? 1 : 0;
    return count;
}

void SignalGraphic::draw(QPainter &painter, const QRect &rect)
{
    if (rect.width() <= 0 || rect.height() <= 0)
        return;
    const double pxX = devicePixelsPerMmX(painter.device());
    const double pxY = devicePixelsPerMmY(painter.device());
    painter.save();
    drawGrid(painter, rect, pxX, pxY);
    drawTrace(painter, rect, pxX, pxY);
    drawChannelNames(painter, rect, pxX);
    painter.restore();
}

void SignalGraphic::drawGrid(QPainter &painter, const QRect &rect, double pxX, double pxY)
{
    painter.fillRect(rect, Qt::white);
    painter.setPen(QPen(Qt::gray, 0.2 * pxX, Qt::SolidLine));
    const double left = rect.left(), top = rect.top(), right = rect.right(), bottom = rect.bottom();
    std::vector<QPointF> dots;
    for (double x = left; x < right; x += pxX)
        for (double y = top; y < bottom; y += pxY)
            dots.emplace_back(x, y);
    painter.drawPoints(dots.data(), int(dots.size()));
    for (double x = left; x < right; x += 5.0 * pxX)
        painter.drawLine(QPointF(x, top), QPointF(x, bottom));
    for (double y = top; y < bottom; y += 5.0 * pxY)
        painter.drawLine(QPointF(left, y), QPointF(right, y));
}

void SignalGraphic::drawTrace(QPainter &painter, const QRect &rect, double pxX, double pxY)
{
    const int shown = shownChannelCount();
    if (shown == 0)
        return;
    const double pcm = pxY * 10.0;
    const int usable = int(rect.width() - (m_calibrationPulse ? 7.0 * pxX : 0.0));
    const StripWindow window = stripWindow(usable, pxX, m_speed, m_startTime, m_signal->rate());
    // A strip narrower than one sample has no mean to centre on: paper only.
    if (window.count <= 0)
        return;
    const double band = double(rect.height()) / shown;
    const double pixelsPerSample = double(usable) / window.count;
    const double perUnit = (1.0 / std::pow(2.0, m_signal->resolutionBits())) * pcm
        * (m_signal->maximum() - m_signal->minimum()) * (m_amplitude / 10.0);

    painter.setPen(QPen(Qt::black, 0.2 * pxX, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    if (m_leftLine)
        painter.drawLine(QPointF(rect.left(), rect.top()), QPointF(rect.left(), rect.top() + rect.height()));

    const int length = window.last - window.first + 1;
    std::vector<double> samples(size_t(qMax(length, 0)));
    int k = 0;
    for (int c = 0; c < m_signal->channelCount(); ++c) {
        if (!m_shown[size_t(c)])
            continue;
        const double centre = band * (k + 0.5);
        const int mean = m_signal->mean(c, window.first, window.count);
        if (length > 0)
            m_signal->readRange(c, window.first, length, samples.data());
        QPolygon trace;
        trace.reserve(length);
        for (int i = 0; i < length; ++i) {
            const int x = int((i) * pixelsPerSample);
            const int y = int(centre) - int((samples[size_t(i)] - mean) * perUnit);
            trace.append(QPoint(x, y));
        }
        trace.translate(rect.left(), rect.top());
        painter.drawPolyline(trace);

        if (m_calibrationPulse && !trace.isEmpty()) {
            const double x0 = trace.last().x();
            const double y0 = rect.top() + int(centre);
            const double up = m_amplitude / 10.0 * pcm;
            const QPointF pulse[] = {{x0, y0},
                                     {x0 + 2 * pxX, y0},
                                     {x0 + 2 * pxX, y0 - up},
                                     {x0 + 5 * pxX, y0 - up},
                                     {x0 + 5 * pxX, y0},
                                     {x0 + 7 * pxX, y0}};
            painter.drawPolyline(pulse, 6);
        }
        ++k;
    }
}

void SignalGraphic::drawChannelNames(QPainter &painter, const QRect &rect, double pxX)
{
    const int shown = shownChannelCount();
    if (shown == 0)
        return;
    QFont font(printFontFamily(QStringLiteral("Helvetica")));
    font.setPointSizeF(10);
    font.setBold(true);
    painter.setFont(font);
    painter.setPen(Qt::gray);
    const double height = QFontMetricsF(painter.font(), painter.device()).height();
    const double band = double(rect.height()) / shown;
    int k = 0;
    for (int c = 0; c < m_signal->channelCount(); ++c) {
        if (!m_shown[size_t(c)])
            continue;
        const QString name = m_signal->channelName(c);
        if (!name.isEmpty())
            painter.drawText(QPointF(int(rect.left() + 2 * pxX), int(rect.top() + k * band) + height), name);
        ++k;
    }
}
