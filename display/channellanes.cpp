#include "display/channellanes.h"

#include "dsp/tsignal.h"

#include <QFontMetrics>
#include <QPainter>

namespace channellanes {

int visibleCount(const TSignal *signal, const Visibility &visible)
{
    if (!signal)
        return 0;
    int count = 0;
    const int channels = qMin(signal->channelCount(), int(visible.size()));
    for (int c = 0; c < channels; ++c)
        count += visible[c] ? 1 : 0;
    return count;
}

void drawNames(QPainter &painter, const TSignal *signal, const Visibility &visible, int frameHeight,
               const QColor &colour)
{
    const int shown = visibleCount(signal, visible);
    if (shown == 0)
        return;
    const QFont font(QStringLiteral("Helvetica"), 12, QFont::Bold, false);
    painter.setFont(font);
    painter.setPen(colour);
    const int fontHeight = QFontMetrics(font).height();
    const double laneHeight = double(frameHeight) / shown;
    double laneTop = 0.0;
    const int channels = qMin(signal->channelCount(), int(visible.size()));
    for (int c = 0; c < channels; ++c) {
        if (!visible[c])
            continue;
        const QString name = signal->channelName(c);
        if (!name.isEmpty())
            painter.drawText(4, int(laneTop) + fontHeight, name);
        laneTop += laneHeight;
    }
}

} // namespace channellanes
