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

    void sweeps_data()
    {
        // A 945-pixel buffer 250 mm wide, 250 samples/s: speed, samples held,
        // then sweep seconds, index, start, samples per sweep, cursor, and the
        // old samples right of it (from, count).
        QTest::addColumn<double>("speed");
        QTest::addColumn<int>("count");
        QTest::addColumn<QVector<double>>("expected");
        using V = QVector<double>;
        QTest::newRow("no samples") << 25.0 << 0 << V{10, 0, 0, 2500, 0, 0, 0};
        QTest::newRow("first sweep") << 25.0 << 1000 << V{10, 0, 0, 2500, 378, 0, 0};
        QTest::newRow("boundary keeps the whole old sweep") << 25.0 << 2500 << V{10, 1, 2500, 2500, 0, 0, 2500};
        QTest::newRow("into the second sweep") << 25.0 << 3000 << V{10, 1, 2500, 2500, 189, 500, 2000};
        QTest::newRow("12.5 mm/s") << 12.5 << 6000 << V{20, 1, 5000, 5000, 189, 1000, 4000};
        QTest::newRow("50 mm/s") << 50.0 << 1300 << V{5, 1, 1250, 1250, 37, 50, 1200};
        QTest::newRow("third sweep") << 50.0 << 2600 << V{5, 2, 2500, 1250, 75, 1350, 1150};
    }

    void sweeps()
    {
        QFETCH(double, speed);
        QFETCH(int, count);
        QFETCH(QVector<double>, expected);
        const sweep::Geometry g = sweep::compute(945, 250, speed, 250, count);
        QVERIFY(g.valid);
        QCOMPARE(QVector<double>({g.sweepSeconds, double(g.sweepIndex), double(g.sweepStart), double(g.samplesPerSweep),
                                  double(g.cursorX), double(g.previousFrom), double(g.previousCount)}),
                 expected);
        QCOMPARE(g.xStep, 945.0 / g.samplesPerSweep);
        // Nothing to draw: no rate, no speed, no physical width, or a sweep
        // under half a sample (1 mm at 100 m/s).
        QVERIFY(!sweep::compute(945, 250, speed, 0, count).valid);
        QVERIFY(!sweep::compute(945, 250, 0.0, 250, count).valid);
        QVERIFY(!sweep::compute(945, 0, speed, 250, count).valid);
        QVERIFY(!sweep::compute(0, 250, speed, 250, count).valid);
        QVERIFY(!sweep::compute(945, 250, speed, 250, -1).valid);
        QVERIFY(!sweep::compute(4, 1, 100000.0, 250, count).valid);
        QVERIFY(sweep::compute(4, 1, 500.0, 250, count).valid);
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

    void steps_data()
    {
        QTest::addColumn<double>("r");
        QTest::addColumn<double>("numeric");
        QTest::addColumn<double>("time");
        QTest::newRow("one") << 1.0 << 2.0 << 1.0;
        QTest::newRow("two") << 2.0 << 2.0 << 5.0;
        QTest::newRow("2.5") << 2.5 << 5.0 << 5.0;
        QTest::newRow("seven") << 7.0 << 10.0 << 10.0;
        QTest::newRow("0.03") << 0.03 << 0.05 << 1.0;
        QTest::newRow("22.5 s") << 22.5 << 50.0 << 30.0;
        QTest::newRow("61 s") << 61.0 << 100.0 << 300.0;
        QTest::newRow("1000 s") << 1000.0 << 2000.0 << 1800.0;
        QTest::newRow("beyond an hour") << 5000.0 << 5000.0 << 3600.0;
        QTest::newRow("nothing") << 0.0 << 0.0 << 1.0;
    }

    void steps()
    {
        QFETCH(double, r);
        QFETCH(double, numeric);
        QFETCH(double, time);
        QVERIFY(qFuzzyCompare(plotscale::automaticStep(r) + 1, numeric + 1));
        QCOMPARE(plotscale::automaticTimeStep(r), time);
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
