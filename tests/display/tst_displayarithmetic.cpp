// The arithmetic of the live ECG display and of the trend plot, without a
// widget: millimetres to pixels, sweeps and their cursor, lanes, pixel
// mapping, grid steps and label texts.

#include "display/plotscale.h"
#include "display/sweepgeometry.h"

#include <QtTest>

#include <ctime>

class TestDisplayArithmetic : public QObject
{
    Q_OBJECT

private slots:
    void paperScale()
    {
        QCOMPARE(sweep::pixelsPerCentimetre(945, 250), 37.8);
        // Not rounded to whole centimetres: 600 px over 158 mm.
        QVERIFY(qAbs(sweep::pixelsPerMillimetre(600, 158) - 600.0 / 158.0) < 1e-12);
        QCOMPARE(sweep::pixelsPerMillimetre(600, 0) + sweep::pixelsPerCentimetre(0, 250), 0.0);
        // Station samples (-6..6 mV over 9 bits) at 10 and 20 mm/mV.
        const double countsPerMillivolt = 512.0 / 12.0;
        QVERIFY(qAbs(countsPerMillivolt * sweep::verticalScale(12.0 / 512.0, 37.8, 10.0) - 37.8) < 1e-9);
        QVERIFY(qAbs(countsPerMillivolt * sweep::verticalScale(12.0 / 512.0, 37.8, 20.0) - 75.6) < 1e-9);
        QCOMPARE(sweep::laneCentre(301, 2, 1), 225.0);
        QCOMPARE(sweep::laneCentre(250, 1, 0), 125.0);
        QCOMPARE(sweep::laneHeight(301, 0), 0);
        QCOMPARE(sweep::nearest(2.5), 3);
    }

    void sweeps()
    {
        // A 945-pixel buffer 250 mm wide, 250 samples/s: speed, samples held,
        // then sweep seconds, index, start, samples per sweep, cursor, and the
        // old samples right of it (from, count).
        const struct { double speed; int count; QVector<double> expected; } cases[] = {
            {25, 0, {10, 0, 0, 2500, 0, 0, 0}},         {25, 1000, {10, 0, 0, 2500, 378, 0, 0}},
            {25, 2500, {10, 1, 2500, 2500, 0, 0, 2500}}, {25, 3000, {10, 1, 2500, 2500, 189, 500, 2000}},
            {12.5, 6000, {20, 1, 5000, 5000, 189, 1000, 4000}}, {50, 1300, {5, 1, 1250, 1250, 37, 50, 1200}},
            {50, 2600, {5, 2, 2500, 1250, 75, 1350, 1150}}};
        for (const auto &c : cases) {
            const sweep::Geometry g = sweep::compute(945, 250, c.speed, 250, c.count);
            QVERIFY(g.valid);
            QCOMPARE(QVector<double>({g.sweepSeconds, double(g.sweepIndex), double(g.sweepStart), double(g.samplesPerSweep),
                                      double(g.cursorX), double(g.previousFrom), double(g.previousCount)}),
                     c.expected);
            QCOMPARE(g.xStep, 945.0 / g.samplesPerSweep);
        }
        // Nothing to draw: no rate, no speed, no physical width, no samples, or
        // a sweep under half a sample (1 mm at 100 m/s).
        QVERIFY(!sweep::compute(945, 250, 25, 0, 10).valid && !sweep::compute(945, 250, 0.0, 250, 10).valid);
        QVERIFY(!sweep::compute(945, 0, 25, 250, 10).valid && !sweep::compute(0, 250, 25, 250, 10).valid);
        QVERIFY(!sweep::compute(945, 250, 25, 250, -1).valid && !sweep::compute(4, 1, 100000.0, 250, 10).valid);
        QVERIFY(sweep::compute(4, 1, 500.0, 250, 10).valid);
    }

    void pixelMapping()
    {
        QCOMPARE(plotscale::toPixel(150, 0, 300, 30, 330), 180.0);
        QCOMPARE(plotscale::toPixel(0.4, 0, 300, 30, 330), 30.0);
        QCOMPARE(plotscale::toPixel(0.6, 0, 300, 30, 330), 31.0);
        // Upward: truncation toward zero rounds half a pixel down.
        QCOMPARE(plotscale::toPixel(2, 0, 10, 100, 0), 81.0);
        // Far outside the range a whole number still, without int overflow.
        QCOMPARE(plotscale::toPixel(1e30, 0, 1, 0, 100), std::trunc(1e32 + 0.5));
        QCOMPARE(plotscale::toValue(180, 0, 300, 30, 330), 150.0);
        QCOMPARE(plotscale::toValue(81, 0, 10, 100, 0), 1.9);
        QCOMPARE(plotscale::toValue(5, 7, 10, 3, 3), 7.0);
    }

    void steps()
    {
        // distance, numeric step (2, 5 or 10 times a power of ten), time step
        const double cases[][3] = {{1, 2, 1},        {2, 2, 5},         {2.5, 5, 5},    {7, 10, 10},
                                   {0.03, 0.05, 1},  {22.5, 50, 30},    {61, 100, 300}, {1000, 2000, 1800},
                                   {5000, 5000, 3600}, {0, 0, 1}};
        for (const auto &c : cases) {
            QVERIFY(qFuzzyCompare(plotscale::automaticStep(c[0]) + 1, c[1] + 1));
            QCOMPARE(plotscale::automaticTimeStep(c[0]), c[2]);
        }
        QCOMPARE(plotscale::automaticStep(-1.0) + plotscale::automaticStep(qInf()), 0.0);
        // Grid lines never closer than a label: the next multiple of the step beyond it.
        QCOMPARE(plotscale::gridSpacing(30, 45, 2.0), 30.0);
        QCOMPARE(plotscale::gridSpacing(30, 60, 2.0), 60.0);
        QCOMPARE(plotscale::gridSpacing(1, 45, 1.0), 46.0);
        QCOMPARE(plotscale::gridSpacing(0, 45, 1.0) + plotscale::gridSpacing(1, 45, 0.0), 0.0);
        QCOMPARE(plotscale::firstGridValue(-7, 5), -5.0);
        QCOMPARE(plotscale::firstGridValue(10, 5), 10.0);
        QCOMPARE(plotscale::firstGridValue(11, 5), 15.0);
    }

    void labels()
    {
        QCOMPARE(plotscale::formatLabel(QStringLiteral("%.1f kg"), 70.0), QStringLiteral("70.0 kg"));
        QCOMPARE(plotscale::formatLabel(QStringLiteral("%3.0f%%"), 98.0), QStringLiteral(" 98%"));
        QCOMPARE(plotscale::formatLabel(QStringLiteral("%+lf"), 2.5), QStringLiteral("+2.500000"));
        // Formats that would read a missing or wrong argument fall back to %g.
        for (const char *unsafe : {"%s", "%g %g", "%*g", "%d", "no conversion", "%"})
            QCOMPARE(plotscale::formatLabel(QLatin1String(unsafe), 2.5), QStringLiteral("2.5"));
        QCOMPARE(plotscale::mixWithWhite(0), 127);
        QCOMPARE(plotscale::mixWithWhite(255, 256), 255);
        // Elapsed times keep their minutes in a zone with a half-hour offset.
        const QByteArray zone = qgetenv("TZ");
        const bool hadZone = qEnvironmentVariableIsSet("TZ");
        qputenv("TZ", "IST-5:30");
        tzset();
        const QString label = plotscale::timeLabel(90.0, QStringLiteral("mm:ss"));
        const QString hourLabel = plotscale::timeLabel(3725.4, QStringLiteral("H:mm:ss"));
        hadZone ? qputenv("TZ", zone) : qunsetenv("TZ");
        tzset();
        QCOMPARE(label, QStringLiteral("01:30"));
        QCOMPARE(hourLabel, QStringLiteral("1:02:05"));
    }
};

QTEST_APPLESS_MAIN(TestDisplayArithmetic)
#include "tst_displayarithmetic.moc"
