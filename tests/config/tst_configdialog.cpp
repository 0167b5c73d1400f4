// The configuration dialog against real settings in a temporary folder:
// defaults, values kept or brought into range, the device table and the
// detection command.

#include "../common/messageboxanswerer.h"
#include "../common/testsettings.h"

#include "acquisition/modulediscovery.h"
#include "config/configdialog.h"

#include <QAbstractButton>
#include <QTemporaryDir>
#include <QLineEdit>
#include <QRadioButton>
#include <QTreeWidget>
#include <QtTest>

namespace {

QStringList tableRows(const ConfigDialog &dialog)
{
    QStringList rows;
    const auto *tree = dialog.findChild<QTreeWidget *>(QStringLiteral("treeDevices"));
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        rows.append(tree->topLevelItem(i)->text(0) + QLatin1Char('=') + tree->topLevelItem(i)->text(1));
    return rows;
}

void click(const ConfigDialog &dialog, const char *button)
{
    dialog.findChild<QAbstractButton *>(QLatin1String(button))->click();
}

QVariant stored(const char *key)
{
    return QSettings().value(QStringLiteral("Config/") + QLatin1String(key));
}

} // namespace

class TestConfigDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;

private slots:
    void initTestCase() { isolateSettings(m_settings.path()); }
    void init() { QSettings().clear(); }

    void firstRunWritesDefaults()
    {
        ConfigDialog().accept();
        QCOMPARE(QSettings().allKeys().size(), 8);
        const char *keys[] = {"MaxPatients", "Alarms/HrLow", "Alarms/HrHigh", "Alarms/Spo2Low", "Alarms/Spo2High",
                              "Alarms/TempLow", "Alarms/TempHigh"};
        const double values[] = {9, 100, 120, 80, 90, 37.0, 38.0};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(stored(keys[i]).toDouble(), values[i]);
        QVERIFY(stored("Devices").toStringList().isEmpty());
    }

    void storedValuesComeBack_data()
    {
        // Out of range limits are brought into range; others are kept as
        // they are, even a low limit above the high one.
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QVariant>("saved");
        QTest::newRow("2 places") << "MaxPatients" << QVariant(2) << QVariant(2);
        QTest::newRow("6 places") << "MaxPatients" << QVariant(6) << QVariant(6);
        QTest::newRow("5 places is no choice") << "MaxPatients" << QVariant(5) << QVariant(9);
        QTest::newRow("unreadable places") << "MaxPatients" << QVariant("many") << QVariant(9);
        QTest::newRow("HR low above range") << "Alarms/HrLow" << QVariant(300) << QVariant(250);
        QTest::newRow("HR low above high") << "Alarms/HrLow" << QVariant(150) << QVariant(150);
        QTest::newRow("HR high below range") << "Alarms/HrHigh" << QVariant(12) << QVariant(40);
        QTest::newRow("SpO2 low above range") << "Alarms/Spo2Low" << QVariant(150) << QVariant(100);
        QTest::newRow("SpO2 high") << "Alarms/Spo2High" << QVariant(95) << QVariant(95);
        QTest::newRow("temperature low") << "Alarms/TempLow" << QVariant(36.6) << QVariant(36.6);
        QTest::newRow("temperature high below range") << "Alarms/TempHigh" << QVariant(29.0) << QVariant(30.0);
    }

    void storedValuesComeBack()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        QFETCH(QVariant, saved);
        QSettings().setValue(QStringLiteral("Config/") + key, value);
        ConfigDialog dialog;
        if (key == QLatin1String("MaxPatients")) {
            for (QRadioButton *choice : dialog.findChildren<QRadioButton *>())
                QCOMPARE(choice->isChecked(), choice->objectName() == "rbtMaxPatients" + value.toString());
        }
        dialog.accept();
        QCOMPARE(stored(qPrintable(key)).toDouble(), saved.toDouble());
    }

    void deviceTable()
    {
        // Stored order is kept; entries without a name or a port are left out.
        QSettings().setValue(QStringLiteral("Config/Devices"),
                             QStringList{"NVR2=COM10", "A=B=COM4", "no separator", "=COM5", "NVR7=", "NVR1=COM3"});
        ConfigDialog dialog;
        dialog.show();
        QCOMPARE(tableRows(dialog), (QStringList{"NVR2=COM10", "A=B=COM4", "NVR1=COM3"}));
        auto *tree = dialog.findChild<QTreeWidget *>(QStringLiteral("treeDevices"));
        tree->setCurrentItem(tree->topLevelItem(1));
        click(dialog, "btnRemove");
        tree->setCurrentItem(nullptr);
        click(dialog, "btnRemove");
        // Add puts a placeholder row up for editing.
        click(dialog, "btnAdd");
        QVERIFY(tree->findChild<QLineEdit *>());
        click(dialog, "btnAdd");
        dialog.accept();
        QCOMPARE(stored("Devices").toStringList(), (QStringList{"NVR2=COM10", "NVR1=COM3", "NVR999=COM99", "NVR999=COM99"}));

        ConfigDialog cancelled;
        click(cancelled, "btnAdd");
        cancelled.findChild<QRadioButton *>(QStringLiteral("rbtMaxPatients4"))->setChecked(true);
        cancelled.reject();
        QCOMPARE(stored("Devices").toStringList().size(), 4);
        QCOMPARE(stored("MaxPatients").toInt(), 9);
    }

    void detection()
    {
        QSettings().setValue(QStringLiteral("Config/Devices"), QStringList{"NVR999=COM99", "NVR1=COM3"});
        ConfigDialog dialog;
        dialog.show();
        {
            MessageBoxAnswerer cancel(QMessageBox::Cancel);
            click(dialog, "btnDetect");
            QTest::qWait(100);
            QCOMPARE(cancel.texts,
                     QStringList{"Make sure that all modules have been paired and are turned on.\nPress <OK> to continue."});
        }
        if (!candidateModulePorts().isEmpty())
            QSKIP("this machine offers module ports to probe");
        MessageBoxAnswerer ok(QMessageBox::Ok);
        click(dialog, "btnDetect");
        QTRY_COMPARE(ok.texts.size(), 2);
        QCOMPARE(ok.texts.at(1), QStringLiteral("No modules found."));
        QCOMPARE(ok.busy, (QList<bool>{false, false}));
        // Modules not found stay listed, in name order; nothing is stored yet.
        QCOMPARE(tableRows(dialog), (QStringList{"NVR1=COM3", "NVR999=COM99"}));
        QCOMPARE(stored("Devices").toStringList(), (QStringList{"NVR999=COM99", "NVR1=COM3"}));
    }
};

QTEST_MAIN(TestConfigDialog)
#include "tst_configdialog.moc"
