#include "display/sweepgeometry.h"

#include <QtTest>

class TestSweepGeometry : public QObject
{
    Q_OBJECT

private slots:
    void paperScale();
    void sweep_data();
    void sweep();
    void degenerate_data();
    void degenerate();
    void lanes();
    void oneMillivoltIsAmplitudeMillimetres();
};

void TestSweepGeometry::paperScale()
{
    QCOMPARE(sweep::pixelsPerCentimetre(945, 250), 37.8);
    // Not rounded to whole centimetres: 600 px over 158 mm.
    QVERIFY(qAbs(sweep::pixelsPerMillimetre(600, 158) - 600.0 / 158.0) < 1e-12);
    QCOMPARE(sweep::pixelsPerMillimetre(600, 0), 0.0);
}

void TestSweepGeometry::sweep_data()
{
    QTest::addColumn<double>("speed");
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("perSweep");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<int>("previousFrom");
    QTest::addColumn<int>("previousCount");

    // A 945-pixel buffer 250 mm wide, 250 samples/s.
    QTest::newRow("no samples") << 25.0 << 0 << 10.0 << 0 << 0 << 2500 << 0 << 0 << 0;
    QTest::newRow("first sweep") << 25.0 << 1000 << 10.0 << 0 << 0 << 2500 << 378 << 0 << 0;
    QTest::newRow("boundary keeps whole old sweep") << 25.0 << 2500 << 10.0 << 1 << 2500 << 2500 << 0 << 0 << 2500;
    QTest::newRow("into second sweep") << 25.0 << 3000 << 10.0 << 1 << 2500 << 2500 << 189 << 500 << 2000;
    QTest::newRow("12.5 mm/s") << 12.5 << 6000 << 20.0 << 1 << 5000 << 5000 << 189 << 1000 << 4000;
    QTest::newRow("50 mm/s") << 50.0 << 1300 << 5.0 << 1 << 1250 << 1250 << 37 << 50 << 1200;
}

void TestSweepGeometry::sweep()
{
    QFETCH(double, speed);
    QFETCH(int, count);
    const sweep::Geometry g = sweep::compute(945, 250, speed, 250, count);
    QVERIFY(g.valid);
    QTEST(g.sweepSeconds, "seconds");
    QTEST(g.sweepIndex, "index");
    QTEST(g.sweepStart, "start");
    QTEST(g.samplesPerSweep, "perSweep");
    QTEST(g.cursorX, "cursor");
    QTEST(g.previousFrom, "previousFrom");
    QTEST(g.previousCount, "previousCount");
    QCOMPARE(g.xStep, 945.0 / g.samplesPerSweep);
}

void TestSweepGeometry::degenerate_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("widthMM");
    QTest::addColumn<double>("speed");
    QTest::addColumn<int>("rate");

    QTest::newRow("rate 0") << 945 << 250 << 25.0 << 0;
    QTest::newRow("speed 0") << 945 << 250 << 0.0 << 250;
    QTest::newRow("no physical width") << 945 << 0 << 25.0 << 250;
    // 1 mm at 100 m/s: a sweep of 0.0025 samples.
    QTest::newRow("sweep under half a sample") << 4 << 1 << 100000.0 << 250;
}

void TestSweepGeometry::degenerate()
{
    QFETCH(int, width);
    QFETCH(int, widthMM);
    QFETCH(double, speed);
    QFETCH(int, rate);
    QVERIFY(!sweep::compute(width, widthMM, speed, rate, 1000).valid);
}

void TestSweepGeometry::lanes()
{
    QCOMPARE(sweep::laneCentre(301, 2, 1), 225.0);
    QCOMPARE(sweep::laneCentre(250, 1, 0), 125.0);
    QCOMPARE(sweep::laneHeight(301, 0), 0);
}

void TestSweepGeometry::oneMillivoltIsAmplitudeMillimetres()
{
    // Station samples: -6..6 mV over 9 bits, 10 mm/mV.
    const double lsb = 12.0 / 512.0;
    const double scale = sweep::verticalScale(lsb, sweep::pixelsPerCentimetre(945, 250), 10.0);
    const double countsPerMillivolt = 1.0 / lsb;
    QVERIFY(qAbs(countsPerMillivolt * scale - 10 * 3.78) < 1e-9);
    QVERIFY(qAbs(countsPerMillivolt * sweep::verticalScale(lsb, 37.8, 20.0) - 20 * 3.78) < 1e-9);
}

QTEST_APPLESS_MAIN(TestSweepGeometry)
#include "tst_sweepgeometry.moc"
