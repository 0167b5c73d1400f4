#pragma once

#include <QPixmap>
#include <QSize>

// Off-screen frame buffers of the painted widgets (live ECG, trend plot). A
// buffer holds as many device pixels as the screen shows for its widget, so
// traces stay sharp on scaled screens, while every drawing coordinate and the
// millimetre arithmetic stay in logical pixels, exactly as at ratio 1.
namespace framebuffer {

// A buffer of logicalSize (at least 1 x 1) at the device pixel ratio.
QPixmap create(const QSize &logicalSize, qreal devicePixelRatio);
// The buffer's size in logical pixels.
QSize logicalSize(const QPixmap &buffer);
// False while the buffer fits a widget of that logical size and ratio.
bool needsRebuild(const QPixmap &buffer, const QSize &logicalSize, qreal devicePixelRatio);
// The buffer's logical width in millimetres: what widthMM() reports for a
// ratio-1 buffer of that logical size (logical width over the logical
// dots per inch).
int widthMM(const QPixmap &buffer);

} // namespace framebuffer
