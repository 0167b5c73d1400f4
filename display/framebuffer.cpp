#include "display/framebuffer.h"

#include <QScreen>
#include <QWidget>
#include <QtMath>

namespace framebuffer {

QPixmap create(const QSize &logicalSize, qreal devicePixelRatio)
{
    const qreal ratio = devicePixelRatio > 0.0 ? devicePixelRatio : 1.0;
    QPixmap buffer(logicalSize.expandedTo(QSize(1, 1)) * ratio);
    buffer.setDevicePixelRatio(ratio);
    // At a fractional ratio the last device row and column may lie outside
    // every logical rectangle painted later: they start white, not as
    // whatever the memory held.
    buffer.fill(Qt::white);
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

double pixelsPerMm(const QWidget &widget)
{
    const QScreen *screen = widget.screen();
    return pixelsPerMm(screen ? screen->physicalDotsPerInchX() : 0.0, widget.logicalDpiX());
}

double pixelsPerMm(double physicalDpi, double logicalDpi)
{
    const double dpi = physicalDpi >= 30.0 && physicalDpi <= 1000.0 ? physicalDpi : logicalDpi;
    return dpi > 0.0 ? dpi / 25.4 : 0.0;
}

} // namespace framebuffer
