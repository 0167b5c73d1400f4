#pragma once

#include <QString>
#include <QVector>

// Arithmetic of the ECG browse display, kept free of widgets so that it can
// be checked on its own: how many seconds one screen shows, how the scroll
// bar (in 10-ms units) follows the start time, where a drag puts the start,
// which samples are on screen and where the "mm:ss" time labels stand.
// Widths are the frame buffer's logical width in pixels and its physical
// width in millimetres.
namespace browse {

// Seconds across the screen, widthMM / speed; 0 when that is not a positive
// finite number.
double visibleSeconds(int widthMM, double speed);

// The scroll bar for a recording of `duration` seconds with `visible`
// seconds on screen from `startTime` on, in units of 10 ms.
struct ScrollRange
{
    int maximum = 0;
    int singleStep = 0; // a tenth of a screen
    int pageStep = 0;   // one screen
    int value = 0;
    bool enabled = false;
};
ScrollRange scrollRange(bool hasSignal, double duration, double visible, double startTime);

// Seconds of recording under pixel x.
double timeAtPixel(double startTime, int x, int widthPixels, double visible);
// The start time that puts `anchor` under pixel x, clamped to
// [0, max(0, duration - visible)].
double dragStartTime(double anchor, int x, int widthPixels, double visible, double duration);

// A run of samples: the first index and how many.
struct SampleSpan
{
    int first = 0;
    int count = 0;
};
// Samples of the trace: from nearest(rate * start) up to
// nearest(rate * (start + visible)), exclusive.
SampleSpan traceSpan(int rate, double startTime, double visible);
// How many points of the trace lie inside a recording of `sampleCount`
// samples: past its end nothing is drawn.
int recordedPoints(const SampleSpan &trace, int sampleCount);
// Samples whose mean centres the trace: nearest(rate * start) on,
// nearest(rate * visible) of them.
SampleSpan offsetSpan(int rate, double startTime, double visible);
// Mean of whole sample values as the integer sum divided by the count
// (truncated toward zero); 0 for no samples.
int integerMean(const double *values, int count);

// Seconds between time labels when one label's width covers
// `secondsPerLabel` seconds: 1, 5, 10, 30 or 60.
int labelStep(double secondsPerLabel);

struct TimeLabel
{
    int second = 0; // whole second of the recording
    int x = 0;      // left edge of the text
};
// Every whole second on screen that is a multiple of the label step, with
// the text centred on its position.
QVector<TimeLabel> timeLabels(double startTime, double visible, int widthPixels, int labelWidth);
// "mm:ss"; the minutes wrap after 59.
QString labelText(int second);

} // namespace browse
