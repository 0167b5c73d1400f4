#include "display/browsegeometry.h"

#include <QtTest>

class TestBrowseGeometry : public QObject
{
    Q_OBJECT

private slots:
    void scrollBar_data();
    void scrollBar();
    void drag_data();
    void drag();
    void samples_data();
    void samples();
    void integerMeanTruncatesTowardZero();
    void labels_data();
    void labels();
    void labelText();
};

void TestBrowseGeometry::scrollBar_data()
{
    QTest::addColumn<bool>("hasSignal");
    QTest::addColumn<double>("duration");
    QTest::addColumn<double>("visible");
    QTest::addColumn<double>("start");
    QTest::addColumn<int>("maximum");
    QTest::addColumn<int>("single");
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("value");
    QTest::addColumn<bool>("enabled");

    // 250 mm at 25 mm/s: a screen is 10 s, a step 1 s.
    QTest::newRow("one minute") << true << 60.0 << 10.0 << 0.0 << 5000 << 100 << 1000 << 0 << true;
    QTest::newRow("12.5 mm/s keeps the start") << true << 60.0 << 20.0 << 12.34 << 4000 << 200 << 2000 << 1234 << true;
    QTest::newRow("shorter than the screen") << true << 8.0 << 10.0 << 0.0 << 0 << 100 << 1000 << 0 << false;
    QTest::newRow("under 10 ms longer") << true << 10.005 << 10.0 << 0.0 << 0 << 100 << 1000 << 0 << false;
    QTest::newRow("one step longer") << true << 10.015 << 10.0 << 0.0 << 1 << 100 << 1000 << 0 << true;
    QTest::newRow("no signal") << false << 60.0 << 10.0 << 0.0 << 0 << 100 << 1000 << 0 << false;
}

void TestBrowseGeometry::scrollBar()
{
    QFETCH(bool, hasSignal);
    QFETCH(double, duration);
    QFETCH(double, visible);
    QFETCH(double, start);
    const browse::ScrollRange r = browse::scrollRange(hasSignal, duration, visible, start);
    QTEST(r.maximum, "maximum");
    QTEST(r.singleStep, "single");
    QTEST(r.pageStep, "page");
    QTEST(r.value, "value");
    QTEST(r.enabled, "enabled");
}

void TestBrowseGeometry::drag_data()
{
    QTest::addColumn<double>("anchor");
    QTest::addColumn<int>("x");
    QTest::addColumn<double>("duration");
    QTest::addColumn<double>("start");

    // 1000 pixels show 10 s.
    QTest::newRow("inside") << 30.0 << 500 << 60.0 << 25.0;
    QTest::newRow("before the start") << 3.0 << 800 << 60.0 << 0.0;
    QTest::newRow("past the last screen") << 58.0 << 0 << 60.0 << 50.0;
    QTest::newRow("recording shorter than the screen") << 5.0 << 0 << 8.0 << 0.0;
}

void TestBrowseGeometry::drag()
{
    QFETCH(double, anchor);
    QFETCH(int, x);
    QFETCH(double, duration);
    const double start = browse::dragStartTime(anchor, x, 1000, 10.0, duration);
    QTEST(start, "start");
    // The time under the mouse stays where the drag grabbed it, unless clamped.
    if (start > 0.0 && start < duration - 10.0)
        QCOMPARE(browse::timeAtPixel(start, x, 1000, 10.0), anchor);
}

void TestBrowseGeometry::samples_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("visible");
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("meanCount");
    QTest::addColumn<int>("recorded"); // of a one-minute recording

    QTest::newRow("first screen") << 0.0 << 10.0 << 0 << 2500 << 2500 << 2500;
    QTest::newRow("95.7 s") << 95.7 << 10.0 << 23925 << 2500 << 2500 << 0;
    QTest::newRow("end of the recording") << 55.0 << 10.0 << 13750 << 2500 << 2500 << 1250;
    QTest::newRow("1920 px at 25 mm/s") << 0.001 << 20.32 << 0 << 5080 << 5080 << 5080;
    // Rounding the ends and rounding the length can differ by one sample.
    QTest::newRow("rounding") << 0.003 << 0.01 << 1 << 2 << 3 << 2;
}

void TestBrowseGeometry::samples()
{
    QFETCH(double, start);
    QFETCH(double, visible);
    const browse::SampleSpan trace = browse::traceSpan(250, start, visible);
    const browse::SampleSpan mean = browse::offsetSpan(250, start, visible);
    QTEST(trace.first, "first");
    QTEST(trace.count, "count");
    QCOMPARE(mean.first, trace.first);
    QTEST(mean.count, "meanCount");
    QTEST(browse::recordedPoints(trace, 250 * 60), "recorded");
    QCOMPARE(browse::traceSpan(0, start, visible).count, 0);
}

void TestBrowseGeometry::integerMeanTruncatesTowardZero()
{
    const double negative[] = {-3.0, -2.0};
    const double positive[] = {1.0, 2.0, 4.0};
    QCOMPARE(browse::integerMean(negative, 2), -2);
    QCOMPARE(browse::integerMean(positive, 3), 2);
    QCOMPARE(browse::integerMean(positive, 0), 0);
}

void TestBrowseGeometry::labels_data()
{
    QTest::addColumn<double>("start");
    QTest::addColumn<double>("visible");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("expected"); // second@x

    // A 40-pixel label covering at most 1 s: every second.
    QTest::newRow("every second") << 0.0 << 3.0 << 1000 << QStringLiteral("0@-20 1@313 2@646 3@980");
    QTest::newRow("up to 1 s") << 0.0 << 2.0 << 80 << QStringLiteral("0@-20 1@20 2@60");
    QTest::newRow("just over 1 s") << 0.0 << 2.0 << 79 << QStringLiteral("0@-20");
    // Covers 4 s: every 5 s, from the first multiple after second 3.
    QTest::newRow("every 5 s") << 3.5 << 20.0 << 200 << QStringLiteral("5@-5 10@45 15@95 20@145");
    QTest::newRow("a multiple at the first second") << 5.0 << 20.0 << 200 << QStringLiteral("5@-20 10@30 15@80 20@130 25@180");
}

void TestBrowseGeometry::labels()
{
    QFETCH(double, start);
    QFETCH(double, visible);
    QFETCH(int, width);
    QStringList found;
    for (const browse::TimeLabel &label : browse::timeLabels(start, visible, width, 40))
        found.append(QStringLiteral("%1@%2").arg(label.second).arg(label.x));
    QTEST(found.join(QLatin1Char(' ')), "expected");
}

void TestBrowseGeometry::labelText()
{
    QCOMPARE(browse::labelText(0), QStringLiteral("00:00"));
    QCOMPARE(browse::labelText(65), QStringLiteral("01:05"));
    QCOMPARE(browse::labelText(3599), QStringLiteral("59:59"));
    // Minutes wrap after 59.
    QCOMPARE(browse::labelText(3725), QStringLiteral("02:05"));
}

QTEST_APPLESS_MAIN(TestBrowseGeometry)
#include "tst_browsegeometry.moc"
