#pragma once

#include <QString>
#include <QVector>

// Arithmetic of the ECG browse display, kept free of widgets so that it can
// be checked on its own: which start times are valid, how the scroll bar (in
// 10-ms units) follows the start time, where a drag puts the start and where
// the time labels stand. Widths are the display's logical width in pixels.
namespace browse {

// The start time nearest to `start` that keeps the screen a window of the
// recording: within [0, max(0, duration - visible)]. A recording shorter
// than the screen is shown from its beginning.
double clampStart(double start, double duration, double visible);

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
// The start time that puts `anchor` under pixel x, kept valid (clampStart).
double dragStartTime(double anchor, int x, int widthPixels, double visible, double duration);

// Seconds between time labels when one label's width covers
// `secondsPerLabel` seconds: 1, 5, 10, 30 or 60.
int labelStep(double secondsPerLabel);

struct TimeLabel
{
    qint64 second = 0; // whole second of the recording
    int centre = 0;    // x the text is centred on
};
// Every whole second on screen that is a multiple of the label step.
QVector<TimeLabel> timeLabels(double startTime, double visible, int widthPixels, int labelWidth);
// "mm:ss" within the first hour, "h:mm:ss" from then on.
QString labelText(qint64 second);

} // namespace browse
