#pragma once

#include <QColor>

#include <array>

// The five history plots of a patient's course, drawn as lines with markers
// over the session numbers by the review's summary page and by the summary
// report alike: one table, so that the screen and the paper always agree.
namespace HistoryPlots {

struct Plot
{
    const char *label; // series name, translated in the context "HistoryPlots"
    double yMinimum;
    double yMaximum;
    bool phases; // three series (basal, intra-exercise, post-exercise), else one
};

constexpr int Count = 5;
// In the order shown: heart rate, systolic pressure, weight, body-mass index,
// abdominal perimeter.
const std::array<Plot, Count> &plots();

constexpr double XMinimum = 0.5;
constexpr double XStep = 1.0;
// The x axis keeps room for at least 20 sessions, so that a short history is
// not stretched.
double xMaximum(int sessionCount);

// The phases in dark green, dark blue and dark magenta; a single series in black.
QColor seriesColor(const Plot &plot, int series);

} // namespace HistoryPlots
