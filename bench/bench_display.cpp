// Cost of the live and trend displays: one sweep-display refresh of a 600 x 250
// panel 30 s into a 250 samples/s ECG (the newly swept strip) and one whole
// paint of it, and one trend-plot redraw of 30 min of heart rate. Nine
// patients refresh every 50 ms, 180 refreshes a second in all.

#include "benchmark.h"

#include "display/qplotgraphic.h"
#include "display/qsignalmonitordisplay.h"
#include "dsp/tlivesignal.h"
#include "dsp/tsyntheticecg.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cmath>
#include <vector>

namespace {

class HeartRateValues : public QPlotGraphic::IPlotValues
{
public:
    std::vector<double> rates;
    int seriesCount() override { return 1; }
    int pointCount(int) override { return int(rates.size()); }
    double x(int, int point) override { return point; }
    double y(int, int point) override { return rates[size_t(point)]; }
    QColor color(int) override { return Qt::black; }
    QString name(int) override { return QStringLiteral("HR"); }
};

// Runs `redraw` for about a second of wall time; returns (wall, cpu)
// microseconds per call.
template<typename F>
std::pair<double, double> timePerCall(F redraw)
{
    for (int i = 0; i < 20; ++i)
        redraw(i);
    QElapsedTimer wall;
    const double cpu0 = Benchmarks::processCpuSeconds();
    wall.start();
    int calls = 0;
    while (wall.elapsed() < 1500 || calls < 50)
        redraw(calls++);
    const double cpu = Benchmarks::processCpuSeconds() - cpu0;
    return {wall.nsecsElapsed() / 1000.0 / calls, cpu * 1e6 / calls};
}

void runMonitorDisplayBench()
{
    const int rate = 250;
    std::vector<double> course(60, 75.0);
    const std::vector<qint16> ecg = TSyntheticEcg().generate(course);

    TLiveSignal signal(rate, rate * 100, 1, rate);
    signal.setRange(-6.0, 6.0);
    signal.setResolutionBits(9);
    signal.setChannelName(0, QStringLiteral("V5"));
    int fed = 0;
    auto feed = [&](int n) {
        const qint16 *channels[1] = {ecg.data() + fed};
        signal.appendChannels(channels, n);
        fed += n;
    };
    feed(30 * rate);

    QSignalMonitorDisplay display;
    display.resize(600, 250);
    display.show();
    QApplication::processEvents();
    display.setSignal(&signal);

    // 12 or 13 new samples per 50 ms, as the panel sees them.
    const auto t = timePerCall([&](int i) {
        if (fed + 13 >= int(ecg.size()))
            fed = 0;
        feed(i % 2 ? 12 : 13);
        display.refresh();
    });
    Benchmarks::report(QStringLiteral("display.monitor.redraw"), t.first, QStringLiteral("us/redraw"));
    Benchmarks::report(QStringLiteral("display.monitor.redraw-cpu"), t.second, QStringLiteral("us/redraw"));
    // Share of one core for nine patients at 20 redraws a second each.
    Benchmarks::report(QStringLiteral("display.monitor.nine-patients"), t.second * 9 * 20 / 1e4,
                       QStringLiteral("%core"));

    // The whole display painted again, as at the start of every sweep.
    const auto whole = timePerCall([&](int) { display.repaint(); });
    Benchmarks::report(QStringLiteral("display.monitor.whole-cpu"), whole.second, QStringLiteral("us/paint"));
}

void runPlotBench()
{
    HeartRateValues values;
    for (int s = 0; s < 30 * 60; ++s)
        values.rates.push_back(90 + 30 * std::sin(s / 200.0) + (s % 7));

    QPlotGraphic plot;
    plot.resize(330, 120);
    plot.setXRange(0, 30 * 60);
    plot.setYRange(40, 200);
    plot.setTimeFormat(QStringLiteral("mm:ss"));
    plot.show();
    QApplication::processEvents();
    plot.setValues(&values);

    const auto t = timePerCall([&](int) { plot.refresh(); });
    Benchmarks::report(QStringLiteral("display.plot.redraw-30min"), t.first, QStringLiteral("us/redraw"));
    Benchmarks::report(QStringLiteral("display.plot.redraw-30min-cpu"), t.second, QStringLiteral("us/redraw"));
}

const bool registeredMonitor = Benchmarks::add(QStringLiteral("display.monitor"), runMonitorDisplayBench);
const bool registeredPlot = Benchmarks::add(QStringLiteral("display.plot"), runPlotBench);

} // namespace
