#pragma once

// Arithmetic of the sweeping ECG display, kept free of widgets so that it can
// be checked on its own: which sweep the newest sample belongs to, where that
// sweep starts, where the cursor stands, where every sample of the current
// and the previous sweep is drawn, and which part of the display changes when
// samples arrive.
namespace sweep {

// Everything one paint of the traces needs to know.
struct Geometry
{
    bool valid = false;          // false: draw nothing beyond the paper
    double sweepSeconds = 0.0;   // paper width over the speed
    int sweepIndex = 0;          // sweep that holds the newest sample
    int sweepStart = 0;          // first sample of that sweep
    int samplesPerSweep = 0;     // samples across the full width
    double xStep = 0.0;          // pixels between two samples
    int cursorX = 0;             // seam between current and previous sweep
    int previousFrom = 0;        // first old sample drawn right of the cursor
    int previousCount = 0;       // old samples drawn right of the cursor
    int sampleCount = 0;         // samples held when computed

    // x of sample i of the current sweep, and of sample j of the previous
    // one (old samples keep the position they had in their own sweep).
    double currentX(int i) const { return (i - sweepStart) * xStep; }
    double previousX(int j) const { return (j - sweepStart + samplesPerSweep) * xStep; }
};

// widthPixels and pxPerMm describe the display, speed is in mm/s, rate in
// samples/s and sampleCount the samples held so far. A rate of 0 or a sweep
// shorter than half a sample period gives an invalid geometry.
Geometry compute(int widthPixels, double pxPerMm, double speed, int rate, int sampleCount);

// A run of samples [first, first + count) of one sweep.
struct Run
{
    int first = 0;
    int count = 0;
};
// The samples of the current and of the previous sweep whose trace may touch
// the pixel columns from x0 to x1 (one sample more on each side, so that
// lines entering the columns are drawn whole).
Run currentRun(const Geometry &g, double x0, double x1);
Run previousRun(const Geometry &g, double x0, double x1);

// Pixel columns [from, to) whose picture changes from `before` to `after`
// within one sweep: from the old cursor to the new, widened by the reach of
// a trace line. Empty (from == to) when nothing changed. Both geometries must
// be valid and of the same sweep.
struct Columns
{
    int from = 0;
    int to = 0;
};
Columns changedColumns(const Geometry &before, const Geometry &after);

} // namespace sweep
