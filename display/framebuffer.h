#pragma once

#include <QPixmap>
#include <QSize>

class QWidget;

// Off-screen pictures of the painted widgets (the ECG paper, the trend plot)
// and the screen's true scale. A buffer holds as many device pixels as the
// screen shows for its widget, so traces stay sharp on scaled screens, while
// every drawing coordinate and the millimetre arithmetic stay in logical
// pixels, exactly as at ratio 1.
namespace framebuffer {

// A buffer of logicalSize (at least 1 x 1) at the device pixel ratio.
QPixmap create(const QSize &logicalSize, qreal devicePixelRatio);
// The buffer's size in logical pixels.
QSize logicalSize(const QPixmap &buffer);
// False while the buffer fits a widget of that logical size and ratio.
bool needsRebuild(const QPixmap &buffer, const QSize &logicalSize, qreal devicePixelRatio);

// Logical pixels per millimetre of the widget's screen, from the screen's
// physical size, so that paper keeps its scale whatever interface scale the
// desktop chose. A physical resolution outside 30-1000 dots per inch (a
// screen that does not know its size) gives way to the logical one.
double pixelsPerMm(const QWidget &widget);
// The same choice on plain numbers: dots per inch of the physical screen and
// of the interface, both in logical pixels.
double pixelsPerMm(double physicalDpi, double logicalDpi);

} // namespace framebuffer
