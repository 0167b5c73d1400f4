#include "display/framebuffer.h"

#include <QtMath>

namespace framebuffer {

QPixmap create(const QSize &logicalSize, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0.0 ? devicePixelRatio : 1.0;
    QPixmap buffer(logicalSize.expandedTo(QSize(1, 1)) * ratio);
    buffer.setDevicePixelRatio(ratio);
    return buffer;
}

QSize logicalSize(const QPixmap &buffer)
{
    return (QSizeF(buffer.size()) / buffer.devicePixelRatioF()).toSize();
}

bool needsRebuild(const QPixmap &buffer, const QSize &logicalSize, qreal devicePixelRatio)
{
    return framebuffer::logicalSize(buffer) != logicalSize.expandedTo(QSize(1, 1))
        || !qFuzzyCompare(buffer.devicePixelRatioF(), devicePixelRatio);
}

int widthMM(const QPixmap &buffer)
{
    const int dpi = buffer.logicalDpiX();
    if (dpi <= 0)
        return 0;
    return qRound(logicalSize(buffer).width() * 25.4 / dpi);
}

} // namespace framebuffer
