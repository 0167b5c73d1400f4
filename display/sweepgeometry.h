#pragma once

// Arithmetic of the sweeping ECG display, kept free of widgets so that it can
// be checked on its own: millimetres to pixels, which sweep the newest sample
// belongs to, where that sweep starts, where the cursor stands and how the
// channel lanes are stacked.
namespace sweep {

// x rounded to the nearest integer the way the display does it:
// truncation of x + 0.5.
int nearest(double x);

// Pixels per millimetre and per centimetre of a paint device that is
// widthPixels wide and widthMM millimetres wide; 0 when the width is unknown.
double pixelsPerMillimetre(int widthPixels, int widthMM);
double pixelsPerCentimetre(int widthPixels, int widthMM);

// Everything one redraw of the traces needs to know.
struct Geometry
{
    bool valid = false;          // false: draw nothing beyond the grid
    double sweepSeconds = 0.0;   // widthMM / speed
    int sweepIndex = 0;          // sweep that holds the newest sample
    int sweepStart = 0;          // first sample of that sweep
    int samplesPerSweep = 0;     // samples across the full width
    double xStep = 0.0;          // pixels between two samples
    int cursorX = 0;             // seam between current and previous sweep
    int previousFrom = 0;        // first old sample drawn right of the cursor
    int previousCount = 0;       // old samples drawn right of the cursor
};

// widthPixels and widthMM describe the frame buffer, speed is in mm/s, rate
// in samples/s and sampleCount the samples held so far. A rate of 0 or a
// sweep shorter than half a sample period gives an invalid geometry.
Geometry compute(int widthPixels, int widthMM, double speed, int rate, int sampleCount);

// Integer lane height and the centre of lane `lane` (0 = top) for `visible`
// channels stacked on a buffer `heightPixels` high.
int laneHeight(int heightPixels, int visible);
double laneCentre(int heightPixels, int visible, int lane);

// Pixels per sample count: the value of one count (lsb, mV) times the
// amplitude (mm/mV) in centimetres times pixels per centimetre.
double verticalScale(double lsb, double pixelsPerCm, double amplitudeMmPerMv);

} // namespace sweep
