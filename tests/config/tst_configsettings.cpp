// Numeric settings that cannot be read as numbers give the defaults, in the
// configuration dialog and the monitoring window alike.

#include "config/configsettings.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

class TestConfigSettings : public QObject
{
    Q_OBJECT

private slots:
    void storedTextReadsAsNumberOrDefault_data();
    void storedTextReadsAsNumberOrDefault();
};

void TestConfigSettings::storedTextReadsAsNumberOrDefault_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<int>("heartRate");
    QTest::addColumn<double>("temperature");
    QTest::newRow("absent") << QVariant() << 100 << 37.0;
    QTest::newRow("number") << QVariant(QStringLiteral(" 105 ")) << 105 << 105.0;
    QTest::newRow("letter O for zero") << QVariant(QStringLiteral("1OO")) << 100 << 37.0;
    QTest::newRow("decimals") << QVariant(QStringLiteral("36.6")) << 36 << 36.6;
    QTest::newRow("decimal comma") << QVariant(QStringLiteral("36,6")) << 100 << 37.0;
    QTest::newRow("empty") << QVariant(QString()) << 100 << 37.0;
    QTest::newRow("infinite") << QVariant(QStringLiteral("inf")) << 100 << 37.0;
    QTest::newRow("beyond int") << QVariant(QStringLiteral("1e12")) << 100 << 1e12;
}

void TestConfigSettings::storedTextReadsAsNumberOrDefault()
{
    QFETCH(QVariant, stored);
    QFETCH(int, heartRate);
    QFETCH(double, temperature);
    QTemporaryDir dir;
    QSettings settings(dir.filePath("station.ini"), QSettings::IniFormat);
    if (stored.isValid()) {
        settings.setValue(QLatin1String(ConfigSettings::HrLow.key), stored);
        settings.setValue(QLatin1String(ConfigSettings::TempLow.key), stored);
    }
    QCOMPARE(ConfigSettings::value(settings, ConfigSettings::HrLow), heartRate);
    QCOMPARE(ConfigSettings::value(settings, ConfigSettings::TempLow), temperature);
}

QTEST_GUILESS_MAIN(TestConfigSettings)
#include "tst_configsettings.moc"
