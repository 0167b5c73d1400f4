#pragma once

#include <QString>

// Arithmetic of the trend plot, free of widgets: value-to-pixel mapping, the
// automatic grid steps and the label texts.
namespace plotscale {

// Pixel of `value` on an axis whose range [min, max] spans the pixels from
// `from` (at min) to `to` (at max): truncation of
// (value - min) * (to - from) / (max - min) + 0.5, plus `from`. Kept in
// double so that far-away points cannot overflow an int; the result is
// always a whole number.
double toPixel(double value, double min, double max, int from, int to);
// The value under pixel `pixel` (inverse mapping, without rounding).
double toValue(double pixel, double min, double max, int from, int to);

// Automatic numeric step for a minimum distance r in axis units: r split
// into mantissa m in [1, 10) and power of ten, m becomes 2, 5 or 10.
// 0 when r is not a positive finite number.
double automaticStep(double r);
// Automatic time step in seconds: the first of 1, 5, 10, 30, 60, 300, 600,
// 1800, 3600 that is at least r; 3600 when none is.
double automaticTimeStep(double r);
// Distance between grid lines: the smallest multiple of `step` whose pixel
// distance is more than `labelSize` pixels. 0 when it cannot be computed.
double gridSpacing(double step, double labelSize, double pixelsPerUnit);
// First grid value at or above min.
double firstGridValue(double min, double spacing);

// A numeric label printed with a printf format meant for one double. A format
// that does not hold exactly one floating-point conversion falls back to "%g"
// rather than reading arguments that were never passed.
QString formatLabel(const QString &format, double value);
bool isSafeDoubleFormat(const QString &format);
// A time label: `seconds` counted from zero (an elapsed time) written with a
// date-time format such as "mm:ss", with "H:" in front from the first hour on
// when the format shows no hours. Read as UTC, so that a local time zone with
// a half-hour offset cannot shift the minutes.
QString timeLabel(double seconds, const QString &format);

// The colour of a gap segment: each of red, green and blue mixed with white,
// (c * a + 255 * (256 - a)) >> 8, alpha opaque.
int mixWithWhite(int component, int a = 128);

} // namespace plotscale
