#include "dsp/tstanalyser.h"

#include <algorithm>
#include <cmath>


namespace StMeasure {

namespace {

// A slope of this share of the QRS's steepest belongs to the QRS; the QRS
// has ended where the slope stays below EndShare for three samples and the
// trace moves less than SettleShare of the steepest slope per sample over
// the next SettleSpan samples (so the bottom of an S wave, flat for an
// instant before the trace climbs back, is not taken for the J point), and
// begins where the slope rises above OnsetShare.
constexpr float SteepShare = 0.2f;
constexpr float EndShare = 0.15f;
constexpr float SettleShare = 0.08f;
constexpr int SettleSpan = 4;
constexpr float OnsetShare = 0.10f;

constexpr int SteepReach = 15;     // the steepest slope is looked for within +-60 ms of the centre
constexpr int EndReach = 40;       // the last steep slope lies within 160 ms after the centre
constexpr int JReach = 50;         // and the J point within 200 ms
constexpr int OnsetReach = 30;
constexpr int OnsetGap = 4;        // the R peak or a Q wave's bottom is flat for less than 16 ms
constexpr int OnsetLimit = 40;
constexpr int IsoelectricReach = 15;

} // namespace

bool delineate(const float *x, int size, int centre, Fiducials &out)
{
    if (centre - OnsetLimit - 3 < 0 || centre + JReach + 3 >= size)
        return false;
    // Slope of the lightly smoothed beat, two samples wide.
    float d[OnsetLimit + JReach + 1];
    auto smooth = [&](int i) { return x[i - 1] + 2.0f * x[i] + x[i + 1]; };
    for (int k = -OnsetLimit; k <= JReach; ++k) {
        const int i = centre + k;
        d[k + OnsetLimit] = std::abs(smooth(i + 1) - smooth(i - 1)) * 0.25f;
    }
    auto slope = [&](int k) { return d[k + OnsetLimit]; };
    float steepest = 0.0f;
    for (int k = -SteepReach; k <= SteepReach; ++k)
        steepest = std::max(steepest, slope(k));
    if (steepest <= 0.0f)
        return false;

    int last = 0;
    for (int k = EndReach; k >= 0; --k)
        if (slope(k) >= SteepShare * steepest) {
            last = k;
            break;
        }
    int j = JReach;
    for (int k = last; k <= JReach - 2; ++k)
        if (slope(k) < EndShare * steepest && slope(k + 1) < EndShare * steepest && slope(k + 2) < EndShare * steepest
            && std::abs(x[centre + k + SettleSpan] - x[centre + k]) < SettleShare * steepest * SettleSpan / 2.0f) {
            j = k;
            break;
        }
    // The QRS's first steep slope: back from the steepest, over the brief
    // flat of a Q wave's bottom but not over a longer level stretch, which
    // belongs before the QRS (a P wave and its PR segment, however deep).
    int first = -SteepReach;
    for (int k = -SteepReach; k <= SteepReach; ++k)
        if (slope(k) > slope(first))
            first = k;
    for (int k = first; k >= -OnsetReach && k >= first - OnsetGap; --k)
        if (slope(k) >= SteepShare * steepest)
            first = k;
    int onset = -OnsetLimit;
    for (int k = first; k >= -OnsetLimit; --k)
        if (slope(k) < OnsetShare * steepest) {
            onset = k;
            break;
        }
    out.j = centre + j;
    out.onset = centre + onset;
    // The PR segment's level from its flattest 16 ms within 60 ms before the
    // onset, preferring the nearest: a slow Q descent or the end of the P
    // wave would tilt a window placed blindly.
    float flattest = 0.0f;
    out.isoelectric = out.onset - 3;
    for (int at = out.onset - 3; at >= out.onset - IsoelectricReach && at - 3 > 0; --at) {
        float change = 0.0f;
        for (int i = at - 3; i < at; ++i)
            change += std::abs(x[i + 1] - x[i]);
        if (at == out.onset - 3 || change < flattest * 0.8f) {
            flattest = change;
            out.isoelectric = at;
        }
    }
    return true;
}

double baselineAt(const Knot *k, int count, double t)
{
    if (count <= 0)
        return 0.0;
    if (count == 1 || k[count - 1].position <= k[0].position)
        return k[0].level;
    if (count == 2 || k[1].position <= k[0].position || k[2].position <= k[1].position) {
        const Knot &a = k[count == 2 ? 0 : 1];
        const Knot &b = k[count - 1];
        if (b.position <= a.position)
            return b.level;
        return a.level + (b.level - a.level) * (t - a.position) / (b.position - a.position);
    }
    // Lagrange parabola through the three knots.
    double sum = 0.0;
    for (int i = 0; i < 3; ++i) {
        double w = k[i].level;
        for (int m = 0; m < 3; ++m)
            if (m != i)
                w *= (t - k[m].position) / (k[i].position - k[m].position);
        sum += w;
    }
    return sum;
}

double isoelectricLevel(const int *x, int at)
{
    return (x[at - 3] + x[at - 2] + x[at - 1] + x[at]) / 4.0;
}

double stLevel(const int *x, int point, const Knot *knots, int count)
{
    double sum = 0.0;
    for (int i = point - 2; i <= point + 2; ++i)
        sum += x[i];
    return sum / 5.0 - baselineAt(knots, count, point);
}

} // namespace StMeasure

using namespace StMeasure;

namespace {

constexpr double MicrovoltsPerSum = MicrovoltsPerCount / 5.0;   // the ring holds sums of five
constexpr double NoiseLimitUv = 40.0;   // mean second difference outside the QRS
constexpr int AlignReach = 3;
constexpr int MinimumClean = 3;   // clean beats before the median beat's J point is trusted
constexpr int KnotGap = 500;        // knots more than 2 s apart do not make one baseline
constexpr int DefaultIsoelectric = Before - 23;
constexpr int DefaultJ = Before + 15;

} // namespace

TStAnalyser::TStAnalyser(int pointMs) : m_pointMs(std::clamp(pointMs, 40, 80))
{
}

// The lag (within +-3 samples) at which the beat's QRS best matches the
// median beat, so that jitter of the beat detector's centre does not blur
// the median beat or move the J point.
int TStAnalyser::alignmentLag(const int *x) const
{
    if (m_cleanBeats < 2)
        return 0;
    const int from = m_fiducials.onset - 4, to = m_fiducials.j + 4;
    double best = -1e300;
    int bestLag = 0;
    for (int lag = -AlignReach; lag <= AlignReach; ++lag) {
        double sx = 0.0, sxx = 0.0, sxt = 0.0;
        const int n = to - from;
        for (int i = from; i < to; ++i) {
            const double v = x[i + lag];
            sx += v;
            sxx += v * v;
            sxt += v * m_median[std::size_t(i)];
        }
        // Correlation up to a positive factor common to every lag.
        const double var = sxx - sx * sx / n;
        double st = 0.0;
        for (int i = from; i < to; ++i)
            st += m_median[std::size_t(i)];
        const double cov = sxt - sx * st / n;
        const double score = var > 0.0 ? cov / std::sqrt(var) : -1e300;
        if (score > best) {
            best = score;
            bestLag = lag;
        }
    }
    return bestLag;
}

// A beat is too noisy to measure when the trace outside its QRS jitters
// (muscle tremor, electrode motion) more than a clean ECG ever does.
bool TStAnalyser::noisy(const int *x, int onset, int j) const
{
    double sum = 0.0;
    int n = 0;
    for (int i = onset - 20; i < onset - 1; ++i, ++n)
        sum += std::abs(x[i] - 2 * x[i - 1] + x[i - 2]);
    for (int i = j + 3; i < j + 3 + 20 + m_pointMs * Rate / 1000; ++i, ++n)
        sum += std::abs(x[i] - 2 * x[i - 1] + x[i - 2]);
    return n > 0 && sum / n * MicrovoltsPerSum > NoiseLimitUv;
}

bool TStAnalyser::addDecision(const TBeatDecision &decision, TStBeat &beat)
{
    if (decision.label == BeatLabel::Ventricular)
        return false;
    const int pointOffset = m_pointMs * Rate / 1000;
    const int centre = decision.centre;
    // The beat with room for alignment on either side.
    if (!held(centre - Before - AlignReach, centre + After + AlignReach))
        return false;
    int window[Length + 2 * AlignReach];
    for (int i = 0; i < Length + 2 * AlignReach; ++i)
        window[i] = sampleAt(centre - Before - AlignReach + i);
    const int lag = alignmentLag(window + AlignReach);
    const int r = centre + lag;
    const int *x = window + AlignReach + lag;   // x[Before] is the aligned centre

    const int onset = m_delineated ? m_fiducials.onset : DefaultIsoelectric + 3;
    const int iso = m_delineated ? m_fiducials.isoelectric : DefaultIsoelectric;
    const int j = m_delineated ? m_fiducials.j : DefaultJ;
    if (j + pointOffset + 2 >= Length || std::min(onset, iso) - 22 < 0)
        return false;
    const bool quiet = !noisy(x, onset, j);

    // The median beat, each beat taken against its own isoelectric level.
    if (quiet) {
        const double level = isoelectricLevel(x, iso);
        float beat[Length];
        for (int i = 0; i < Length; ++i)
            beat[i] = float(x[i] - level);
        addToMedian(beat);
        Fiducials f;
        if (delineate(m_median.data(), Length, Before, f) && f.isoelectric - 3 >= 0 && f.j + 80 * Rate / 1000 + 2 < Length) {
            m_fiducials = f;
            m_delineated = true;
        }
    }
    if (!m_delineated || m_cleanBeats < MinimumClean)
        return false;

    const int jAt = r - Before + m_fiducials.j;
    const int isoAt = r - Before + m_fiducials.isoelectric;
    const Knot own{isoAt - 1.5, isoelectricLevel(x, m_fiducials.isoelectric)};
    Knot knots[3];
    int count = 0;
    if (m_hasPreviousKnot && own.position - m_previousKnot.position < KnotGap)
        knots[count++] = m_previousKnot;
    knots[count++] = own;
    m_previousKnot = own;
    m_hasPreviousKnot = true;
    if (!quiet)
        return false;
    // The next beat's PR segment, when its samples are in.
    if (decision.nextRr > 0 && decision.nextRr < KnotGap) {
        const int nextIso = isoAt + decision.nextRr;
        if (held(nextIso - 3, nextIso)) {
            const double level = (sampleAt(nextIso - 3) + sampleAt(nextIso - 2) + sampleAt(nextIso - 1)
                                  + sampleAt(nextIso)) / 4.0;
            knots[count++] = Knot{nextIso - 1.5, level};
        }
    }
    for (int i = 0; i < count; ++i)
        knots[i].position -= r - Before;   // as indexes of x
    beat.r = r;
    beat.j = jAt;
    beat.point = jAt + pointOffset;
    beat.stUv = stLevel(x, m_fiducials.j + pointOffset, knots, count) * MicrovoltsPerSum;
    const auto qrs = std::minmax_element(m_median.begin() + m_fiducials.onset, m_median.begin() + m_fiducials.j + 1);
    beat.qrsUv = double(*qrs.second - *qrs.first) * MicrovoltsPerSum;
    beat.qrsMs = (m_fiducials.j - m_fiducials.onset) * 1000 / Rate;
    m_lastStUv = beat.stUv;
    return true;
}

// The median, sample by sample, of the clean beats held: unlike an average,
// one odd beat (an aberrant or noisy one that slipped through) cannot move
// the QRS end or the ST level. Each sample's values are kept in order, so a
// new beat costs one removal and one insertion per sample.
void TStAnalyser::addToMedian(const float *beat)
{
    const bool full = m_cleanBeats >= MedianBeats;
    std::array<float, Length> &slot = m_recent[std::size_t(m_cleanBeats % MedianBeats)];
    const int held = std::min(m_cleanBeats, MedianBeats);
    for (int i = 0; i < Length; ++i) {
        float *column = m_sorted[std::size_t(i)].data();
        int size = held;
        if (full) {
            const int at = int(std::find(column, column + size, slot[std::size_t(i)]) - column);
            std::copy(column + at + 1, column + size, column + at);
            --size;
        }
        const float v = beat[i];
        int q = size;
        for (; q > 0 && column[q - 1] > v; --q)
            column[q] = column[q - 1];
        column[q] = v;
        ++size;
        m_median[std::size_t(i)] = size % 2 ? column[size / 2] : (column[size / 2 - 1] + column[size / 2]) / 2.0f;
        slot[std::size_t(i)] = v;
    }
    ++m_cleanBeats;
}

TStMedianBeat TStAnalyser::medianBeat() const
{
    TStMedianBeat m;
    if (!m_delineated)
        return m;
    m.samples.resize(Length);
    for (int i = 0; i < Length; ++i)
        m.samples[std::size_t(i)] = float(m_median[std::size_t(i)] * MicrovoltsPerSum);
    m.centre = Before;
    m.onset = m_fiducials.onset;
    m.isoelectricFrom = m_fiducials.isoelectric - 3;
    m.isoelectricTo = m_fiducials.isoelectric;
    m.j = m_fiducials.j;
    m.point = m_fiducials.j + m_pointMs * Rate / 1000;
    double sum = 0.0;
    for (int i = m.point - 2; i <= m.point + 2; ++i)
        sum += m.samples[std::size_t(i)];
    m.stUv = sum / 5.0;
    return m;
}
