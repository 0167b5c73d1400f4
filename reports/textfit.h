#pragma once

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

class QPaintDevice;
class QPainter;

// The family a template font is printed with. The templates name the Windows
// dialog font alias, and the drawings ask for Helvetica; both become the free
// sans font compiled into the program, whose widths keep the Spanish labels
// inside their fields and make the reports alike on every machine.
QString printFontFamily(const QString &templateFamily);

// Makes the compiled-in print font known to the application, once; call it
// on the GUI thread before printing. False when the font could not be added.
bool registerPrintFonts();

// A text laid out for one field: the font it is printed with and its lines.
struct FittedText
{
    QFont font;
    QStringList lines;
    bool elided = false;
};

// Smallest size a text is shrunk to before it is cut.
constexpr double MinimumFitPointSize = 6.0;

// Most characters of a text that a box of device pixels could show at the
// smallest size: more are never laid out.
int visibleCharacterBound(const QFont &font, const QSizeF &box, const QPaintDevice *device);

// Fits a text into a box of device pixels on `device`: at the font's size (in
// points) when it fits, else shrunk in half points down to 6 points, else at
// 6 points cut after the last line that fits, with an ellipsis. With wordWrap
// the text breaks at word boundaries (a word wider than the box breaks
// anywhere once shrinking did not help); without it, only at line breaks.
// "\r\n", "\r" and "\n" are line breaks.
FittedText fitText(const QString &text, const QFont &font, const QSizeF &box, bool wordWrap,
                   const QPaintDevice *device);

// Draws fitted lines into the rectangle with the horizontal and vertical
// alignment, clipped to the rectangle. Nothing is filled behind the text, so
// that a label printed over a drawing hides none of it.
void drawFittedText(QPainter &painter, const QRectF &rect, const FittedText &text, Qt::Alignment alignment);
