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
    void gridShapes()
    {
        // places, screen width / height, rows, columns
        const double wide = 1920.0 / 1080.0, square = 1280.0 / 1024.0;
        const struct { int places; double ratio; int rows, columns; } cases[] = {
            {1, wide, 2, 1}, {2, wide, 2, 1}, {3, wide, 2, 2}, {4, square, 2, 2}, {5, wide, 2, 3},
            {6, 1.5, 2, 3}, {6, square, 3, 2}, {7, wide, 3, 3}, {20, square, 3, 3}};
        for (const auto &c : cases) {
            const GridShape shape = gridShape(c.places, c.ratio);
            QVERIFY2(shape.rows == c.rows && shape.columns == c.columns, qPrintable(QString::number(c.places)));
        }
    }

    void alarmZones()
    {
        // Heart rate and temperature alarm upwards, SpO2 downwards; a value of
        // 0 or an unset low limit shows no zone.
        const QString none, green = "background-color: lightgreen", yellow = "background-color: yellow",
                            red = "background-color: red";
        const struct { bool rising; double value, low, high; QString style; } cases[] = {
            {true, 0, 100, 120, none},       {true, 150, 0, 120, none},     {true, 100, 100, 120, green},
            {true, 101, 100, 120, yellow},   {true, 120, 100, 120, yellow}, {true, 121, 100, 120, red},
            {true, 38.1, 37, 38, red},       {false, 0, 80, 90, none},      {false, 70, 0, 90, none},
            {false, 90, 80, 90, green},      {false, 89, 80, 90, yellow},   {false, 80, 80, 90, yellow},
            {false, 79, 80, 90, red}};
        for (const auto &c : cases) {
            const AlarmZone zone = c.rising ? risingAlarmZone(c.value, c.low, c.high) : fallingAlarmZone(c.value, c.low, c.high);
            QVERIFY2(alarmStyle(zone) == c.style, qPrintable(QString::number(c.value)));
        }
    }

    void measureFields()
    {
        // text, the number it starts with, the whole text as a number, valid
        const struct { const char *text; double leading, whole; bool valid; } cases[] = {
            {"", 0, 0, true},           {"70.5", 70.5, 70.5, true},    {"70,5", 70, 0, false},
            {" 175cm", 175, 0, false},  {".5", 0.5, 0.5, true},        {"1e2x", 100, 0, false},
            {"-5", -5, -5, false},      {"0", 0, 0, false},            {"abc", 0, 0, false},
            {"1e999", 0, 0, false},     {"nan", 0, 0, false}};
        for (const auto &c : cases) {
            const QString text = QLatin1String(c.text);
            QVERIFY2(leadingNumber(text) == c.leading && measureValue(text) == c.whole && isValidMeasure(text) == c.valid, c.text);
        }
        // Body-mass index from the weight and height texts, with one decimal.
        const char *bmi[][3] = {{"70", "175", "22.9"}, {"70,5", "175", "22.9"}, {"80.5", "160", "31.4"},
                                {"70", "", ""},        {"70", "0", ""},         {"", "175", "0.0"}};
        for (const auto &b : bmi)
            QCOMPARE(bmiText(QLatin1String(b[0]), QLatin1String(b[1])), QLatin1String(b[2]));
    }

    void bloodPressure()
    {
        // A phase 1 to 3, both values at least 11, systolic above diastolic.
        const struct { int phase, systolic, diastolic; bool acceptable; } cases[] = {
            {1, 120, 80, true}, {3, 120, 80, true}, {0, 120, 80, false}, {4, 120, 80, false}, {2, 80, 120, false},
            {2, 90, 90, false}, {2, 12, 11, true},  {2, 120, 10, false}, {2, 10, 5, false}};
        for (const auto &c : cases)
            QCOMPARE(isBloodPressureAcceptable(c.phase, c.systolic, c.diastolic), c.acceptable);
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
        QVERIFY(isBatteryLow(0.1) && isBatteryLow(2.19));
        QCOMPARE(batteryMarkPosition(600, 50, 28), QPoint(540, 28));
        QCOMPARE(linkMarkPosition(QSize(601, 201), QSize(50, 51)), QPoint(275, 75));
    }
};

QTEST_APPLESS_MAIN(TestMonitorRules)
#include "tst_monitorrules.moc"
