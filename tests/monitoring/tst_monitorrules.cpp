// The rules and arithmetic of the monitoring panels, where they are
// computed: grid shapes, alarm zones and colours, measurement fields, BMI,
// blood-pressure readings and the indicator positions.

#include "monitoring/monitorrules.h"

#include <QtTest>

using namespace MonitorRules;

class TestMonitorRules : public QObject
{
    Q_OBJECT

private slots:
    void gridShape_data()
    {
        QTest::addColumn<int>("places");
        QTest::addColumn<double>("ratio");
        QTest::addColumn<int>("rows");
        QTest::addColumn<int>("columns");
        const double wide = 1920.0 / 1080.0, square = 1280.0 / 1024.0;
        QTest::newRow("1 still two cells") << 1 << wide << 2 << 1;
        QTest::newRow("2") << 2 << wide << 2 << 1;
        QTest::newRow("3") << 3 << wide << 2 << 2;
        QTest::newRow("4") << 4 << square << 2 << 2;
        QTest::newRow("5 wide") << 5 << wide << 2 << 3;
        QTest::newRow("6 at 1.5") << 6 << 1.5 << 2 << 3;
        QTest::newRow("6 square") << 6 << square << 3 << 2;
        QTest::newRow("7") << 7 << wide << 3 << 3;
        QTest::newRow("20") << 20 << square << 3 << 3;
    }

    void gridShape()
    {
        QFETCH(int, places);
        QFETCH(double, ratio);
        const GridShape shape = MonitorRules::gridShape(places, ratio);
        QTEST(shape.rows, "rows");
        QTEST(shape.columns, "columns");
    }

    void alarmZones_data()
    {
        // Heart rate and temperature alarm upwards, SpO2 downwards; a value of
        // 0 or an unset low limit shows no zone.
        QTest::addColumn<bool>("rising");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        QTest::addColumn<QString>("style");
        const QString none, green = "background-color: lightgreen", yellow = "background-color: yellow",
                            red = "background-color: red";
        QTest::newRow("HR no reading") << true << 0.0 << 100.0 << 120.0 << none;
        QTest::newRow("HR low unset") << true << 150.0 << 0.0 << 120.0 << none;
        QTest::newRow("HR at low") << true << 100.0 << 100.0 << 120.0 << green;
        QTest::newRow("HR above low") << true << 101.0 << 100.0 << 120.0 << yellow;
        QTest::newRow("HR at high") << true << 120.0 << 100.0 << 120.0 << yellow;
        QTest::newRow("HR above high") << true << 121.0 << 100.0 << 120.0 << red;
        QTest::newRow("temperature above high") << true << 38.1 << 37.0 << 38.0 << red;
        QTest::newRow("SpO2 no reading") << false << 0.0 << 80.0 << 90.0 << none;
        QTest::newRow("SpO2 low unset") << false << 70.0 << 0.0 << 90.0 << none;
        QTest::newRow("SpO2 at high") << false << 90.0 << 80.0 << 90.0 << green;
        QTest::newRow("SpO2 below high") << false << 89.0 << 80.0 << 90.0 << yellow;
        QTest::newRow("SpO2 at low") << false << 80.0 << 80.0 << 90.0 << yellow;
        QTest::newRow("SpO2 below low") << false << 79.0 << 80.0 << 90.0 << red;
    }

    void alarmZones()
    {
        QFETCH(bool, rising);
        QFETCH(double, value);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(QString, style);
        QCOMPARE(alarmStyle(rising ? risingAlarmZone(value, low, high) : fallingAlarmZone(value, low, high)), style);
    }

    void measureFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("leading");
        QTest::addColumn<double>("whole");
        QTest::addColumn<bool>("valid");
        QTest::newRow("empty") << "" << 0.0 << 0.0 << true;
        QTest::newRow("decimal point") << "70.5" << 70.5 << 70.5 << true;
        QTest::newRow("decimal comma") << "70,5" << 70.0 << 0.0 << false;
        QTest::newRow("unit after, blank before") << " 175cm" << 175.0 << 0.0 << false;
        QTest::newRow("leading point") << ".5" << 0.5 << 0.5 << true;
        QTest::newRow("exponent") << "1e2x" << 100.0 << 0.0 << false;
        QTest::newRow("negative") << "-5" << -5.0 << -5.0 << false;
        QTest::newRow("zero") << "0" << 0.0 << 0.0 << false;
        QTest::newRow("letters") << "abc" << 0.0 << 0.0 << false;
        QTest::newRow("infinite") << "1e999" << 0.0 << 0.0 << false;
        QTest::newRow("not a number") << "nan" << 0.0 << 0.0 << false;
    }

    void measureFields()
    {
        QFETCH(QString, text);
        QTEST(leadingNumber(text), "leading");
        QTEST(measureValue(text), "whole");
        QTEST(isValidMeasure(text), "valid");
    }

    void bodyMassIndex_data()
    {
        QTest::addColumn<QString>("weight");
        QTest::addColumn<QString>("height");
        QTest::addColumn<QString>("bmi");
        QTest::newRow("70 kg, 175 cm") << "70" << "175" << "22.9";
        QTest::newRow("comma weight reads 70") << "70,5" << "175" << "22.9";
        QTest::newRow("80.5 kg, 160 cm") << "80.5" << "160" << "31.4";
        QTest::newRow("no height") << "70" << "" << "";
        QTest::newRow("zero height") << "70" << "0" << "";
        QTest::newRow("no weight") << "" << "175" << "0.0";
    }

    void bodyMassIndex()
    {
        QFETCH(QString, weight);
        QFETCH(QString, height);
        QTEST(bmiText(weight, height), "bmi");
    }

    void bloodPressure_data()
    {
        QTest::addColumn<int>("phase");
        QTest::addColumn<int>("systolic");
        QTest::addColumn<int>("diastolic");
        QTest::addColumn<bool>("acceptable");
        QTest::newRow("120/80 basal") << 1 << 120 << 80 << true;
        QTest::newRow("post-exercise") << 3 << 120 << 80 << true;
        QTest::newRow("no phase") << 0 << 120 << 80 << false;
        QTest::newRow("after post") << 4 << 120 << 80 << false;
        QTest::newRow("80/120") << 2 << 80 << 120 << false;
        QTest::newRow("equal") << 2 << 90 << 90 << false;
        QTest::newRow("12/11 smallest") << 2 << 12 << 11 << true;
        QTest::newRow("diastolic 10") << 2 << 120 << 10 << false;
        QTest::newRow("systolic 10") << 2 << 10 << 5 << false;
    }

    void bloodPressure()
    {
        QFETCH(int, phase);
        QFETCH(int, systolic);
        QFETCH(int, diastolic);
        QTEST(isBloodPressureAcceptable(phase, systolic, diastolic), "acceptable");
        // Two systolic digits from 36 up are taken as complete.
        QVERIFY(!isSystolicComplete(35) && isSystolicComplete(36) && isSystolicComplete(120));
    }

    void textsAndIndicators()
    {
        // Whole calendar years, without month or day correction.
        QCOMPARE(ageText(QDate(1960, 12, 31), QDate(2026, 1, 1)), QStringLiteral("66"));
        QCOMPARE(ageText(QDate(), QDate(2026, 1, 1)), QString());
        const QDateTime start(QDate(2026, 3, 4), QTime(9, 58, 30));
        QCOMPARE(eventLine(start, 0, QStringLiteral("Start monitoring")), QStringLiteral("09:58 Start monitoring"));
        QCOMPARE(eventLine(start, 95, QStringLiteral("Basal BP 120/80")), QStringLiteral("10:00 Basal BP 120/80"));
        // No reading (0 V) is not a low battery.
        for (double volts : {-1.0, 0.0, 2.2, 3.0})
            QVERIFY(!isBatteryLow(volts));
        for (double volts : {0.1, 2.19})
            QVERIFY(isBatteryLow(volts));
        QCOMPARE(batteryMarkPosition(600, 50, 28), QPoint(540, 28));
        QCOMPARE(linkMarkPosition(QSize(601, 201), QSize(50, 51)), QPoint(275, 75));
    }
};

QTEST_APPLESS_MAIN(TestMonitorRules)
#include "tst_monitorrules.moc"
