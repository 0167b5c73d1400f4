#pragma once

#include <vector>

// Shape measurements of a QRS complex as pure functions on a short window of
// samples, so that each can be checked on hand-made beats. Positions are
// indexes into the window passed in, at the station rate. Callers keep
// every range inside the window.
namespace BeatMorphology {

// Centred five-sample moving average of raw samples: takes off muscle noise
// and cancels 50 Hz exactly at 250 samples/s. Writes out[from, to); raw
// must hold from - 2 .. to + 1, and `out` at least `to` values.
void smooth(const int *raw, std::vector<float> &out, int from, int to);

// The centre of the QRS inside [from, to]: the centroid of the squared slope.
// A sharp supraventricular spike and a broad ventricular complex are both
// centred where their depolarisation happens.
int qrsCentre(const std::vector<float> &x, int from, int to);

// Twice the peak-to-peak amplitude of x[0, n) over its steepest
// two-sample slope, in samples: how long the complex takes to swing through
// its amplitude. A narrow QRS swings fast; a ventricular complex, spreading
// slowly through the muscle, swings slowly. The peak-to-peak amplitude goes
// to `amplitude` when asked for.
float steepWidth(const float *x, int n, float *amplitude = nullptr);

// Sum of a[i] * b[i] over [0, n), added in four interleaved partial sums.
float dot(const float *a, const float *b, int n);

// dot(x + lag, t, n) for lag 0 .. LagCount - 1 into dots[lag]: a template
// slid over a beat.
// x must hold n + LagCount - 1 values.
constexpr int LagCount = 7;
void dotsAtLags(const float *x, const float *t, int n, float dots[LagCount]);

// Pearson correlation of a[0, n) with b[0, n); 0 when either is flat.
float correlation(const float *a, const float *b, int n);

// Largest minus smallest value of x[from, from + n).
float peakToPeak(const std::vector<float> &x, int from, int n);

// Mean of x[from, from + n).
float mean(const std::vector<float> &x, int from, int n);

// Sums of x[i] - about and of its square over [0, n), in one pass. Taken
// about a value near the mean, they keep their precision when the trace
// sits far from zero.
void sumsAbout(const float *x, int n, float about, double &sum, double &squares);

// Root-mean-square of raw minus smoothed over [from, from + n): muscle and
// electrode noise left after the five-sample average, in counts.
float highFrequencyNoise(const int *raw, const std::vector<float> &smoothed, int from, int n);

// What comparisons need of a template's QRS window shape[0, n): the window
// minus its mean, written to `centred`; the root of the sum of its squares;
// its steep width and peak-to-peak amplitude as steepWidth() gives them.
struct TemplateMeasures
{
    float norm = 0.0f;
    float steepWidth = 0.0f;
    float amplitude = 0.0f;
};
TemplateMeasures measureTemplate(const float *shape, float *centred, int n);

// Moves shape[0, n) by `rate` of the way toward x[0, n): a running average.
void follow(float *shape, const float *x, int n, float rate);

} // namespace BeatMorphology
