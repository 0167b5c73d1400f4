#pragma once

#include "display/channellanes.h"

#include <QColor>
#include <QFont>
#include <QPair>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QVector>

#include <vector>

class QPainter;
class TSignal;

// The ECG paper shared by the live display, the browse display and the
// printed strips: the grid (a line every 5 mm, 1-mm dots or lines between),
// the trace at a paper speed in mm/s and a gain in mm/mV, the 1-mV
// calibration pulse and the notes written on the paper. Everything is sized
// from the pixels per millimetre of the device painted on, so a screen and a
// PDF page show the same paper.
namespace ecgpaper {

// How the paper looks on a device.
struct PaperLook
{
    enum Grid { Dotted, Ruled };
    Grid grid = Dotted;
    QColor background = Qt::white;
    QColor lines;         // 5-mm lines, and the 1-mm dots of a dotted grid
    QColor minorLines;    // 1-mm lines of a ruled grid
    double width = 1.0;   // pen of a dotted grid (dots and lines), pixels
    double minorWidth = 0.75; // ruled grid, pixels
    double majorWidth = 1.25;
    bool antialiased = false;
};

// The paper of the screens: dotted (browse) or ruled (live), 1-pixel pens.
PaperLook screenPaper(PaperLook::Grid grid, const QColor &lines);
// The printed paper: grey, every pen 0.2 mm.
PaperLook printedPaper(double pxPerMm);

// Background and grid over rect, lines starting at its top-left corner:
// every 5 mm a line, every other millimetre a dot (dotted) or a thinner line
// (ruled). Nothing but the background without a positive scale.
void drawPaper(QPainter &painter, const QRectF &rect, double pxPerMm, const PaperLook &look);

// Pixels per sample count: one count (lsb, in mV) at `amplitude` mm/mV.
double pixelsPerCount(double lsb, double pxPerMm, double amplitude);
// Seconds of paper across `widthPixels` at `speed` mm/s; 0 when that is not
// a positive finite number.
double secondsAcross(double widthPixels, double pxPerMm, double speed);
// x rounded the way every display rounds a sample position: truncation of
// x + 0.5, in 64 bits so that far positions cannot overflow.
qint64 nearest(double x);

// The samples a window of paper shows: from `first` over `count` samples
// (sample first + count lands on the right edge).
struct SampleWindow
{
    qint64 first = 0;
    qint64 count = 0;
};
// Window starting `startTime` seconds into a signal of `rate` samples per
// second, `seconds` wide.
SampleWindow sampleWindow(int rate, double startTime, double seconds);

// Integer height of each of `shown` lanes stacked in `height` pixels, and
// the centre of lane `lane` (0 = top) from the top.
int laneHeight(double height, int shown);
double laneCentre(double height, int shown, int lane);

// The trace pen.
struct TraceLook
{
    QColor colour = Qt::black;
    double width = 1.0;
    bool round = false; // round caps and joins (printed strips)
};

// What a window of a recording is drawn with.
struct TraceWindow
{
    TSignal *signal = nullptr;
    double startTime = 0.0; // seconds at the left edge
    double speed = 25.0;    // mm/s
    double amplitude = 10.0; // mm/mV
    channellanes::Visibility visible{};
    // Moves each trace up or down inside its lane when its highest or lowest
    // sample would leave it, or centres its extent on a lane it cannot fit
    // (printed strips, whose lanes are short); otherwise each trace is
    // centred on its mean.
    bool keepInLane = false;
    // Stretches of the signal without ECG (first sample, sample count), in
    // order: no trace is drawn across them.
    QVector<QPair<qint64, qint64>> missing;
};

// Where a drawn window ended.
struct TraceResult
{
    enum Extent {
        NoRecording, // no signal, or a signal without samples
        PastEnd,     // the window starts after the last sample
        Partial,     // the recording ends inside the window
        Complete     // samples across the whole window
    };
    Extent extent = NoRecording;
    double endX = 0.0;               // x where the recording ends (Partial)
    std::vector<double> baselines;   // y of each shown lane's mean, top lane first
    std::vector<std::pair<double, double>> missingX; // x from and to of each missing stretch on paper
};

// Draws the shown channels of a window of the signal into rect, each in its
// lane and centred on the mean of its samples on paper. Only recorded
// samples are drawn: the trace stops where the recording ends. `samples` and
// `points` are scratch space the caller may keep between calls.
TraceResult drawWindow(QPainter &painter, const QRectF &rect, double pxPerMm, const TraceWindow &window,
                       const TraceLook &look, std::vector<double> &samples, QPolygonF &points);

// n samples as one polyline from x0 on, xStep apart, around baseline y:
// positive values go up by `scale` pixels per count above `offset`.
void drawTrace(QPainter &painter, const double *samples, int n, double x0, double xStep, double baseline,
               double offset, double scale, QPolygonF &points);

// The pieces of samples [first, first + count) outside the missing
// stretches (first sample, count; in order), as (offset from first, length).
std::vector<std::pair<int, int>> recordedPieces(qint64 first, int count, const QVector<QPair<qint64, qint64>> &missing);

// Beat marks: a filled triangle, point down, BeatMarkWidthMm wide, its base
// half a millimetre under the top of each of `shown` lanes stacked in
// `lanes`. Marks go to the samples of `marks` (sorted) in [first, end), sample
// i at x0 + (i - first) * xStep.
constexpr double BeatMarkWidthMm = 1.5;
void drawBeatMarks(QPainter &painter, const QVector<qint64> &marks, qint64 first, qint64 end, double x0,
                   double xStep, const QRectF &lanes, int shown, double pxPerMm, const QColor &colour);

// A 1-mV calibration pulse whose foot starts at `foot`: 2 mm flat, up by
// 1 mV at `amplitude` mm/mV, 3 mm flat, down again, 2 mm flat (7 mm wide).
void drawCalibrationPulse(QPainter &painter, const QPointF &foot, double pxPerMm, double amplitude);
constexpr double CalibrationPulseWidthMm = 7.0;

// A note on the paper: the text centred in rect, in `font`.
void drawNote(QPainter &painter, const QRectF &rect, const QString &text, const QFont &font, const QColor &colour);
// The mark where a recording ends inside a window: a dashed vertical line
// at x over the rect's height and the note "End of recording" right of it,
// where there is only paper (no note when it does not fit there whole).
// `note` replaces the note's wording (a report in its own language).
void drawRecordingEnd(QPainter &painter, const QRectF &rect, double x, const QFont &font, const QColor &colour,
                      const QString &note = QString());

// The stretches of a window without ECG: each shaded over the rect's height
// and, where it is wide enough, marked "ECG missing".
void drawMissing(QPainter &painter, const QRectF &rect, const TraceResult &drawn, const QFont &font,
                 const QColor &colour, const QString &note = QString());

// The four notes' wording: by default the station's language; a report
// printed in another language brings its own.
struct NoteTexts
{
    QString noRecording, pastEnd, recordingEnd, missing;
};
NoteTexts stationNoteTexts();
// What the paper says of where a drawn window lies in its recording, the
// same on screen and in reports: its missing stretches (drawMissing), then
// "No ECG recording" or "No ECG at this time"
// in `noteFont` across rect, or the end mark (its note in `endFont`) where
// the recording ends inside the window; nothing for a complete window.
void drawExtent(QPainter &painter, const QRectF &rect, const TraceResult &drawn, const QFont &noteFont,
                const QFont &endFont, const QColor &colour, const NoteTexts &texts = stationNoteTexts());

// The texts written on the paper.
QString noRecordingText();  // "No ECG recording"
QString pastEndText();      // "No ECG at this time"
QString recordingEndText(); // "End of recording"
QString missingText();      // "ECG missing"

} // namespace ecgpaper
