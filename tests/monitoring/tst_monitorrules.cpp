#include "monitoring/monitorrules.h"

#include <QtTest>

using namespace MonitorRules;

class TestMonitorRules : public QObject
{
    Q_OBJECT

private slots:
    void gridShape_data();
    void gridShape();
    void heartRateZones_data();
    void heartRateZones();
    void spo2Zones_data();
    void spo2Zones();
    void measureFields_data();
    void measureFields();
    void bmi_data();
    void bmi();
    void age();
    void eventLines();
    void batteryAndLink();
};

void TestMonitorRules::gridShape_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    const double wide = 1920.0 / 1080.0;
    const double square = 1280.0 / 1024.0;
    QTest::newRow("1 still two cells") << 1 << wide << 2 << 1;
    QTest::newRow("3") << 3 << wide << 2 << 2;
    QTest::newRow("5 wide") << 5 << wide << 2 << 3;
    QTest::newRow("6 at 1.5") << 6 << 1.5 << 2 << 3;
    QTest::newRow("6 square") << 6 << square << 3 << 2;
    QTest::newRow("5 square") << 5 << square << 3 << 2;
    QTest::newRow("7") << 7 << wide << 3 << 3;
    QTest::newRow("20") << 20 << wide << 3 << 3;
}

void TestMonitorRules::gridShape()
{
    QFETCH(int, count);
    QFETCH(double, ratio);
    QFETCH(int, rows);
    QFETCH(int, columns);
    const GridShape shape = MonitorRules::gridShape(count, ratio);
    QCOMPARE(shape.rows, rows);
    QCOMPARE(shape.columns, columns);
}

void TestMonitorRules::heartRateZones_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("low");
    QTest::addColumn<double>("high");
    QTest::addColumn<QString>("style");
    const QString none, green = QStringLiteral("background-color: lightgreen"),
                        yellow = QStringLiteral("background-color: yellow"),
                        red = QStringLiteral("background-color: red");
    QTest::newRow("no reading") << 0.0 << 100.0 << 120.0 << none;
    QTest::newRow("low limit unset") << 150.0 << 0.0 << 120.0 << none;
    QTest::newRow("at low") << 100.0 << 100.0 << 120.0 << green;
    QTest::newRow("above low") << 101.0 << 100.0 << 120.0 << yellow;
    QTest::newRow("at high") << 120.0 << 100.0 << 120.0 << yellow;
    QTest::newRow("above high") << 121.0 << 100.0 << 120.0 << red;
    QTest::newRow("temperature above high") << 38.1 << 37.0 << 38.0 << red;
}

void TestMonitorRules::heartRateZones()
{
    QFETCH(double, value);
    QFETCH(double, low);
    QFETCH(double, high);
    QFETCH(QString, style);
    QCOMPARE(alarmStyle(risingAlarmZone(value, low, high)), style);
}

void TestMonitorRules::spo2Zones_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("zone");
    QTest::newRow("no reading") << 0.0 << int(AlarmZone::None);
    QTest::newRow("at high") << 90.0 << int(AlarmZone::Normal);
    QTest::newRow("below high") << 89.0 << int(AlarmZone::Warning);
    QTest::newRow("at low") << 80.0 << int(AlarmZone::Warning);
    QTest::newRow("below low") << 79.0 << int(AlarmZone::Alarm);
}

void TestMonitorRules::spo2Zones()
{
    QFETCH(double, value);
    QFETCH(int, zone);
    QCOMPARE(int(fallingAlarmZone(value, 80.0, 90.0)), zone);
    QCOMPARE(int(fallingAlarmZone(value, 0.0, 90.0)), int(AlarmZone::None));
}

void TestMonitorRules::measureFields_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("leading");
    QTest::addColumn<double>("whole");
    QTest::addColumn<bool>("valid");
    QTest::newRow("empty") << "" << 0.0 << 0.0 << true;
    QTest::newRow("decimal point") << "70.5" << 70.5 << 70.5 << true;
    QTest::newRow("decimal comma") << "70,5" << 70.0 << 0.0 << false;
    QTest::newRow("unit after") << "175cm" << 175.0 << 0.0 << false;
    QTest::newRow("leading point") << ".5" << 0.5 << 0.5 << true;
    QTest::newRow("zero") << "0" << 0.0 << 0.0 << false;
    QTest::newRow("letters") << "abc" << 0.0 << 0.0 << false;
    QTest::newRow("not a number") << "nan" << 0.0 << 0.0 << false;
}

void TestMonitorRules::measureFields()
{
    QFETCH(QString, text);
    QFETCH(double, leading);
    QFETCH(double, whole);
    QFETCH(bool, valid);
    QCOMPARE(leadingNumber(text), leading);
    QCOMPARE(measureValue(text), whole);
    QCOMPARE(isValidMeasure(text), valid);
}

void TestMonitorRules::bmi_data()
{
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("height");
    QTest::addColumn<QString>("bmi");
    QTest::newRow("70/175") << "70" << "175" << "22.9";
    QTest::newRow("comma weight reads 70") << "70,5" << "175" << "22.9";
    QTest::newRow("no height") << "70" << "" << "";
    QTest::newRow("zero height") << "70" << "0" << "";
    QTest::newRow("no weight") << "" << "175" << "0.0";
}

void TestMonitorRules::bmi()
{
    QFETCH(QString, weight);
    QFETCH(QString, height);
    QFETCH(QString, bmi);
    QCOMPARE(bmiText(weight, height), bmi);
}

void TestMonitorRules::age()
{
    // Whole calendar years, without month or day correction.
    QCOMPARE(ageText(QDate(1960, 12, 31), QDate(2026, 1, 1)), QStringLiteral("66"));
    QCOMPARE(ageText(QDate(), QDate(2026, 1, 1)), QString());
}

void TestMonitorRules::eventLines()
{
    const QDateTime start(QDate(2026, 3, 4), QTime(9, 58, 30));
    QCOMPARE(eventLine(start, 0, QStringLiteral("Start monitoring")),
             QStringLiteral("09:58 Start monitoring"));
    QCOMPARE(eventLine(start, 95, QStringLiteral("Basal BP 120/80")),
             QStringLiteral("10:00 Basal BP 120/80"));
}

void TestMonitorRules::batteryAndLink()
{
    // No reading (0 V) is not a low battery.
    for (double volts : {-1.0, 0.0, 2.2, 3.0})
        QVERIFY(!isBatteryLow(volts));
    for (double volts : {0.1, 2.1})
        QVERIFY(isBatteryLow(volts));
    QCOMPARE(batteryMarkPosition(600, 50, 28), QPoint(540, 28));
    QCOMPARE(linkMarkPosition(QSize(601, 201), QSize(50, 51)), QPoint(275, 75));
}

QTEST_APPLESS_MAIN(TestMonitorRules)
#include "tst_monitorrules.moc"
