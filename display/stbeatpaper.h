#pragma once

#include "dsp/tstanalyser.h"

#include <QFont>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QVector>

class QPainter;

// Median beats on millimetre paper at 25 mm/s and 10 mm/mV, each with its
// isoelectric segment, J point and ST measurement point marked and a caption
// above it: the picture a cardiologist asks for of the ST segment. The
// review page and the session report draw it with the same code.
namespace stbeatpaper {

struct Picture
{
    QString caption;
    TStMedianBeat beat;
};

constexpr double SpeedMmPerS = 25.0;
constexpr double GainMmPerMv = 10.0;
constexpr double BeatWidthMm = 25.0;     // a beat's box: 1 s of paper
constexpr double BeatHeightMm = 35.0;    // -1.5 .. +2 mV
constexpr double CaptionMm = 8.0;        // two lines of caption above the paper
constexpr double GapMm = 3.0;

// The size of `count` pictures side by side, captions included.
QSizeF sizeMm(int count);

// Where on the paper the beat's baseline (0 mV) lies, from the box's top:
// 2 mV of room above it.
constexpr double BaselineFromTopMm = 20.0;

// Draws the pictures side by side from `topLeft` (pixels) at `pxPerMm`.
// A picture without a beat says so on empty paper.
void draw(QPainter &painter, const QPointF &topLeft, double pxPerMm, const QVector<Picture> &pictures,
          const QFont &font);

// x of sample i of a beat, in millimetres from the box's left edge, and y of
// a level in microvolts from the box's top: the arithmetic of the picture.
double sampleXMm(const TStMedianBeat &beat, int i);
double levelYMm(double microvolts);

} // namespace stbeatpaper
