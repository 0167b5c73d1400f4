#pragma once

#include <vector>

// Shape measurements of a QRS complex as pure functions on a short window of
// samples, so that each can be checked on hand-made beats. Positions are
// indexes into the window passed in; the rate is 250 samples/s. Callers keep
// every range inside the window.
namespace BeatMorphology {

// Centred five-sample moving average: takes off muscle noise and cancels
// 50 Hz exactly at 250 samples/s. Writes out[from, to), which must lie within
// [2, raw.size() - 2); `out` is at least as long as `raw`.
void smooth(const std::vector<float> &raw, std::vector<float> &out, int from, int to);

// The centre of the QRS inside [from, to]: the centroid of the squared slope.
// A sharp supraventricular spike and a broad ventricular complex are both
// centred where their depolarisation happens.
int qrsCentre(const std::vector<float> &x, int from, int to);

// Twice the peak-to-peak amplitude of x[from, from + n) over its steepest
// two-sample slope, in samples: how long the complex takes to swing through
// its amplitude. A narrow QRS swings fast; a ventricular complex, spreading
// slowly through the muscle, swings slowly. The peak-to-peak amplitude goes
// to `amplitude` when asked for.
float steepWidth(const std::vector<float> &x, int from, int n, float *amplitude = nullptr);

// Pearson correlation of a[aFrom, aFrom + n) with b[bFrom, bFrom + n); 0 when
// either is flat.
float correlation(const std::vector<float> &a, int aFrom, const std::vector<float> &b, int bFrom, int n);

// Root-mean-square deviation of x[from, from + n) from its mean.
float spread(const std::vector<float> &x, int from, int n);

// Largest minus smallest value of x[from, from + n).
float peakToPeak(const std::vector<float> &x, int from, int n);

// Mean of x[from, from + n).
float mean(const std::vector<float> &x, int from, int n);

// Root-mean-square of raw minus smoothed over [from, from + n): muscle and
// electrode noise left after the five-sample average, in counts.
float highFrequencyNoise(const std::vector<float> &raw, const std::vector<float> &smoothed, int from, int n);

} // namespace BeatMorphology
