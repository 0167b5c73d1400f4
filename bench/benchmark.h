#pragma once

#include <QString>

#include <functional>

// A benchmark registers itself from its own source file:
//   static const bool registered = Benchmarks::add("dsp.detector", runDetectorBench);
// and reports each figure with Benchmarks::report().
namespace Benchmarks {

bool add(const QString &name, const std::function<void()> &run);
// Prints "<name> <value> <unit>" on one line.
void report(const QString &name, double value, const QString &unit);
// Seconds of CPU used by this process so far (user + system).
double processCpuSeconds();
// How long a timed run lasts: CARDIOLANE_BENCH_SECONDS when set (at least
// `least`), else `byDefault`.
int runSeconds(int byDefault, int least = 1);
// Points the program's settings at `folder` and its standard paths at test
// locations, so that a benchmark never touches the user's settings or data.
void isolateSettings(const QString &folder);

} // namespace Benchmarks
