// The configuration dialog against real settings in a temporary folder:
// defaults, round trips, values out of range, device entries, the device
// table commands and the detection command's boxes.

#include "../common/messageboxanswerer.h"

#include "config/configdialog.h"
#include "acquisition/modulediscovery.h"

#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {

template<typename T>
T *child(const QWidget &dialog, const char *name)
{
    T *widget = dialog.findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("no child %s", name);
    return widget;
}

QStringList tableRows(const ConfigDialog &dialog)
{
    QStringList rows;
    const auto *tree = child<QTreeWidget>(dialog, "treeDevices");
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        rows.append(tree->topLevelItem(i)->text(0) + QLatin1Char('|') + tree->topLevelItem(i)->text(1));
    return rows;
}

} // namespace

class TestConfigDialog : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void firstRunWritesDefaults();
    void maxPatientsRoundTrip_data();
    void maxPatientsRoundTrip();
    void outOfRangeValuesAreClamped();
    void hiddenLimitsAreWrittenBackUnchanged();
    void deviceEntriesAreParsed();
    void addTwiceStoresTwoPlaceholders();
    void cancelStoresNothing();
    void removeDeletesCurrentRow();
    void detectCancelledDoesNothing();
    void detectWithoutModulesKeepsTable();

private:
    QTemporaryDir m_settingsDir;
};

void TestConfigDialog::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(m_settingsDir.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settingsDir.path());
    QCoreApplication::setOrganizationName(QStringLiteral("Norvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Cardiolane"));
}

void TestConfigDialog::init()
{
    QSettings settings;
    QVERIFY(settings.fileName().startsWith(m_settingsDir.path()));
    settings.clear();
}

void TestConfigDialog::firstRunWritesDefaults()
{
    ConfigDialog dialog;
    QCOMPARE(child<QSpinBox>(dialog, "hrAlarmLow")->value(), 100);
    dialog.accept();

    QSettings settings;
    QCOMPARE(settings.allKeys().size(), 8);
    QCOMPARE(settings.value("Config/MaxPatients").toInt(), 9);
    QCOMPARE(settings.value("Config/Alarms/HrLow").toInt(), 100);
    QCOMPARE(settings.value("Config/Alarms/HrHigh").toInt(), 120);
    QCOMPARE(settings.value("Config/Alarms/Spo2Low").toInt(), 80);
    QCOMPARE(settings.value("Config/Alarms/Spo2High").toInt(), 90);
    QCOMPARE(settings.value("Config/Alarms/TempLow").toDouble(), 37.0);
    QCOMPARE(settings.value("Config/Alarms/TempHigh").toDouble(), 38.0);
    QVERIFY(settings.value("Config/Devices").toStringList().isEmpty());
}

void TestConfigDialog::maxPatientsRoundTrip_data()
{
    QTest::addColumn<QVariant>("stored");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<int>("saved");
    QTest::newRow("2") << QVariant(2) << "rbtMaxPatients2" << 2;
    QTest::newRow("6") << QVariant(6) << "rbtMaxPatients6" << 6;
    QTest::newRow("9") << QVariant(9) << "rbtMaxPatients9" << 9;
    QTest::newRow("5 shows no choice") << QVariant(5) << QString() << 9;
    QTest::newRow("unreadable text reads as 9") << QVariant("many") << "rbtMaxPatients9" << 9;
}

void TestConfigDialog::maxPatientsRoundTrip()
{
    QFETCH(QVariant, stored);
    QFETCH(QString, checked);
    QFETCH(int, saved);
    QSettings().setValue("Config/MaxPatients", stored);

    ConfigDialog dialog;
    for (const char *name : {"rbtMaxPatients2", "rbtMaxPatients4", "rbtMaxPatients6", "rbtMaxPatients9"})
        QCOMPARE(child<QRadioButton>(dialog, name)->isChecked(), checked == QLatin1String(name));
    dialog.accept();
    QCOMPARE(QSettings().value("Config/MaxPatients").toInt(), saved);
}

void TestConfigDialog::outOfRangeValuesAreClamped()
{
    {
        QSettings settings;
        settings.setValue("Config/Alarms/HrLow", 300);
        settings.setValue("Config/Alarms/HrHigh", 12);
        settings.setValue("Config/Alarms/Spo2Low", 150);
        settings.setValue("Config/Alarms/TempHigh", 29.0);
    }
    ConfigDialog dialog;
    dialog.accept();

    QSettings settings;
    QCOMPARE(settings.value("Config/Alarms/HrLow").toInt(), 250);
    QCOMPARE(settings.value("Config/Alarms/HrHigh").toInt(), 40);
    QCOMPARE(settings.value("Config/Alarms/Spo2Low").toInt(), 100);
    QCOMPARE(settings.value("Config/Alarms/TempHigh").toDouble(), 30.0);
}

void TestConfigDialog::hiddenLimitsAreWrittenBackUnchanged()
{
    {
        QSettings settings;
        settings.setValue("Config/Alarms/Spo2Low", 85);
        settings.setValue("Config/Alarms/Spo2High", 95);
        settings.setValue("Config/Alarms/TempLow", 36.6);
        settings.setValue("Config/Alarms/TempHigh", 38.4);
        // Low above high is kept as it is.
        settings.setValue("Config/Alarms/HrLow", 150);
        settings.setValue("Config/Alarms/HrHigh", 110);
    }
    ConfigDialog dialog;
    dialog.accept();
    QSettings settings;
    QCOMPARE(settings.value("Config/Alarms/Spo2Low").toInt(), 85);
    QCOMPARE(settings.value("Config/Alarms/Spo2High").toInt(), 95);
    QCOMPARE(settings.value("Config/Alarms/TempLow").toDouble(), 36.6);
    QCOMPARE(settings.value("Config/Alarms/TempHigh").toDouble(), 38.4);
    QCOMPARE(settings.value("Config/Alarms/HrLow").toInt(), 150);
    QCOMPARE(settings.value("Config/Alarms/HrHigh").toInt(), 110);
}

void TestConfigDialog::deviceEntriesAreParsed()
{
    QSettings().setValue("Config/Devices",
                         QStringList{"NVR2=COM10", "A=B=COM4", "no separator", "=COM5", "NVR7=", "NVR1=COM3",
                                     "NVR1=COM3"});
    ConfigDialog dialog;
    // Stored order is kept; entries without a name or a port are left out.
    QCOMPARE(tableRows(dialog),
             (QStringList{"NVR2|COM10", "A=B|COM4", "NVR1|COM3", "NVR1|COM3"}));
    dialog.accept();
    QCOMPARE(QSettings().value("Config/Devices").toStringList(),
             (QStringList{"NVR2=COM10", "A=B=COM4", "NVR1=COM3", "NVR1=COM3"}));
}

void TestConfigDialog::addTwiceStoresTwoPlaceholders()
{
    ConfigDialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    child<QListWidget>(dialog, "listCategory")->setCurrentRow(1);
    child<QAbstractButton>(dialog, "btnAdd")->click();
    // The new row's name cell is open for editing.
    QVERIFY(child<QTreeWidget>(dialog, "treeDevices")->findChild<QLineEdit *>());
    child<QAbstractButton>(dialog, "btnAdd")->click();
    QCOMPARE(tableRows(dialog), (QStringList{"NVR999|COM99", "NVR999|COM99"}));
    dialog.accept();
    QCOMPARE(QSettings().value("Config/Devices").toStringList(),
             (QStringList{"NVR999=COM99", "NVR999=COM99"}));
}

void TestConfigDialog::cancelStoresNothing()
{
    ConfigDialog dialog;
    child<QAbstractButton>(dialog, "btnAdd")->click();
    child<QRadioButton>(dialog, "rbtMaxPatients4")->setChecked(true);
    dialog.reject();
    QVERIFY(QSettings().allKeys().isEmpty());
}

void TestConfigDialog::removeDeletesCurrentRow()
{
    QSettings().setValue("Config/Devices", QStringList{"NVR1=COM3", "NVR2=COM4", "NVR3=COM5"});
    ConfigDialog dialog;
    auto *tree = child<QTreeWidget>(dialog, "treeDevices");
    auto *remove = child<QAbstractButton>(dialog, "btnRemove");
    tree->setCurrentItem(nullptr);
    remove->click();
    QCOMPARE(tableRows(dialog).size(), 3);
    tree->setCurrentItem(tree->topLevelItem(1));
    remove->click();
    QCOMPARE(tableRows(dialog), (QStringList{"NVR1|COM3", "NVR3|COM5"}));
}

void TestConfigDialog::detectCancelledDoesNothing()
{
    QSettings().setValue("Config/Devices", QStringList{"NVR999=COM99"});
    ConfigDialog dialog;
    dialog.show();
    MessageBoxAnswerer answerer(QMessageBox::Cancel);
    child<QAbstractButton>(dialog, "btnDetect")->click();
    QCOMPARE(answerer.texts,
             QStringList{"Make sure that all modules have been paired and are turned on.\nPress <OK> to continue."});
    QTest::qWait(100);
    QCOMPARE(answerer.texts.size(), 1);
    QCOMPARE(tableRows(dialog), QStringList{"NVR999|COM99"});
}

void TestConfigDialog::detectWithoutModulesKeepsTable()
{
    if (!candidateModulePorts().isEmpty())
        QSKIP("this machine offers module ports to probe");
    QSettings().setValue("Config/Devices", QStringList{"NVR999=COM99", "NVR1=COM3"});
    ConfigDialog dialog;
    dialog.show();
    MessageBoxAnswerer answerer(QMessageBox::Ok);
    child<QAbstractButton>(dialog, "btnDetect")->click();
    QTRY_COMPARE(answerer.texts.size(), 2);
    QCOMPARE(answerer.texts.at(1), QStringLiteral("No modules found."));
    QCOMPARE(answerer.busy, (QList<bool>{false, false}));
    // Modules that were not found stay listed, now in name order.
    QCOMPARE(tableRows(dialog), (QStringList{"NVR1|COM3", "NVR999|COM99"}));
    // Detection alone stores nothing.
    QCOMPARE(QSettings().value("Config/Devices").toStringList(), (QStringList{"NVR999=COM99", "NVR1=COM3"}));
}

QTEST_MAIN(TestConfigDialog)
#include "tst_configdialog.moc"
