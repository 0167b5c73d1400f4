// The configuration dialog against real settings in a temporary folder:
// defaults, values kept or brought into range, the device table and the
// detection command.

#include "../common/messageboxanswerer.h"
#include "../common/testsettings.h"

#include "acquisition/modulediscovery.h"
#include "config/configdialog.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QRadioButton>
#include <QTemporaryDir>
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

QVariant stored(const QString &key)
{
    return QSettings().value(QStringLiteral("Config/") + key);
}

} // namespace

class TestConfigDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;

private slots:
    void initTestCase() { isolateSettings(m_settings.path()); }
    void init() { QSettings().clear(); }

    void defaultsAndStoredValues()
    {
        ConfigDialog().accept();
        QCOMPARE(QSettings().allKeys().size(), 8);
        const QStringList keys = {"MaxPatients", "Alarms/HrLow", "Alarms/HrHigh", "Alarms/Spo2Low", "Alarms/Spo2High",
                                  "Alarms/TempLow", "Alarms/TempHigh"};
        const double defaults[] = {9, 100, 120, 80, 90, 37.0, 38.0};
        for (int i = 0; i < 7; ++i)
            QCOMPARE(stored(keys[i]).toDouble(), defaults[i]);
        QVERIFY(stored(QStringLiteral("Devices")).toStringList().isEmpty());

        // Out of range limits are brought into range; the others are kept,
        // even a low limit above the high one. Only 2, 4, 6 and 9 places exist.
        const struct { const char *key; QVariant value; double saved; } cases[] = {
            {"MaxPatients", 2, 2}, {"MaxPatients", 6, 6}, {"MaxPatients", 5, 9}, {"MaxPatients", "many", 9},
            {"Alarms/HrLow", 300, 250}, {"Alarms/HrLow", 150, 150}, {"Alarms/HrHigh", 12, 40},
            {"Alarms/Spo2Low", 150, 100}, {"Alarms/Spo2High", 95, 95}, {"Alarms/TempLow", 36.6, 36.6},
            {"Alarms/TempHigh", 29.0, 30.0}};
        for (const auto &c : cases) {
            QSettings().setValue(QStringLiteral("Config/") + c.key, c.value);
            ConfigDialog dialog;
            for (QRadioButton *choice : dialog.findChildren<QRadioButton *>())
                QCOMPARE(choice->isChecked(), choice->objectName() == "rbtMaxPatients" + stored("MaxPatients").toString());
            dialog.accept();
            QCOMPARE(stored(c.key).toDouble(), c.saved);
        }
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
        // Cancelled, nothing is stored.
        ConfigDialog cancelled;
        click(cancelled, "btnAdd");
        cancelled.reject();
        QCOMPARE(stored("Devices").toStringList().size(), 4);
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
            QCOMPARE(cancel.texts, QStringList{"Make sure that all modules have been paired and are turned on.\nPress <OK> to continue."});
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
