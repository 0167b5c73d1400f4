#include "review/reviewrules.h"

#include <QtTest>

class TestReviewRules : public QObject
{
    Q_OBJECT

private slots:
    void checkpointCells_data();
    void checkpointCells();
};

void TestReviewRules::checkpointCells_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("pressure");
    QTest::addColumn<int>("heartRate");

    QTest::newRow("plain") << QStringLiteral("120/80") << QStringLiteral("120/80") << 0;
    QTest::newRow("unit and leading zeros") << QStringLiteral("BP 0120/080 mmHg") << QStringLiteral("120/80") << 0;
    // The slash must touch both numbers.
    QTest::newRow("spaces round the slash") << QStringLiteral("120 / 80") << QStringLiteral("0/0") << 0;
    QTest::newRow("letters") << QStringLiteral("abc") << QStringLiteral("0/0") << 0;
    QTest::newRow("a number") << QStringLiteral("95") << QStringLiteral("0/0") << 95;
    QTest::newRow("number with letters") << QStringLiteral("95 bpm") << QStringLiteral("0/0") << 0;
}

void TestReviewRules::checkpointCells()
{
    QFETCH(QString, typed);
    QTEST(ReviewRules::pressureCell(typed), "pressure");
    QTEST(ReviewRules::heartRateCell(typed), "heartRate");
}

QTEST_APPLESS_MAIN(TestReviewRules)
#include "tst_reviewrules.moc"
