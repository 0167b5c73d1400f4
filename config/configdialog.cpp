#include "config/configdialog.h"
#include "ui_configdialog.h"

#include "acquisition/modulediscovery.h"
#include "alarms/alarmsettings.h"
#include "config/configsettings.h"

#include <algorithm>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSettings>
#include <QTimer>

#include <cmath>

namespace {

using namespace ConfigSettings;

const char *const keyMaxPatients = MaxPatients.key;
const char *const keyHrLow = HrLow.key;
const char *const keyHrHigh = HrHigh.key;
const char *const keySpo2Low = Spo2Low.key;
const char *const keySpo2High = Spo2High.key;
const char *const keyTempLow = TempLow.key;
const char *const keyTempHigh = TempHigh.key;
const char *const keyDevices = Devices;

} // namespace

ConfigDialog::ConfigDialog(QWidget *parent)
    : QDialog(parent), ui(new Ui::ConfigDialog)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // Only the heart-rate limits are offered; the other limits keep their
    // stored values, which are loaded and written back unchanged.
    ui->spo2AlarmFrame->hide();
    ui->tempAlarmFrame->hide();
    ui->listCategory->setCurrentRow(0);
    ui->pages->setCurrentIndex(0);
    ui->treeDevices->setColumnWidth(0, 100);
    loadSettings();
}

ConfigDialog::~ConfigDialog()
{
    // A detection still waiting for its timer must not leave the wait cursor on.
    if (m_detecting)
        QApplication::restoreOverrideCursor();
}

void ConfigDialog::loadSettings()
{
    QSettings settings;
    switch (value(settings, MaxPatients)) {
    case 2: ui->rbtMaxPatients2->setChecked(true); break;
    case 4: ui->rbtMaxPatients4->setChecked(true); break;
    case 6: ui->rbtMaxPatients6->setChecked(true); break;
    case 9: ui->rbtMaxPatients9->setChecked(true); break;
    default: break;   // an unknown count shows no choice
    }

    // The fields bring out-of-range values into their ranges.
    ui->hrAlarmLow->setValue(value(settings, HrLow));
    ui->hrAlarmHigh->setValue(value(settings, HrHigh));
    ui->spo2AlarmLow->setValue(value(settings, Spo2Low));
    ui->spo2AlarmHigh->setValue(value(settings, Spo2High));
    ui->tempAlarmLow->setValue(value(settings, TempLow));
    ui->tempAlarmHigh->setValue(value(settings, TempHigh));
    loadAlarmSystem(settings);

    QList<DeviceEntry> rows;
    const QStringList entries = settings.value(keyDevices, QStringList()).toStringList();
    for (const QString &entry : entries) {
        DeviceEntry device;
        if (parseDeviceEntry(entry, device))
            rows.append(device);
    }
    setDeviceRows(rows);
}

void ConfigDialog::saveSettings() const
{
    QSettings settings;
    int maxPatients = 9;
    if (ui->rbtMaxPatients2->isChecked())
        maxPatients = 2;
    else if (ui->rbtMaxPatients4->isChecked())
        maxPatients = 4;
    else if (ui->rbtMaxPatients6->isChecked())
        maxPatients = 6;
    settings.setValue(keyMaxPatients, maxPatients);

    settings.setValue(keyHrLow, ui->hrAlarmLow->value());
    settings.setValue(keyHrHigh, ui->hrAlarmHigh->value());
    settings.setValue(keySpo2Low, ui->spo2AlarmLow->value());
    settings.setValue(keySpo2High, ui->spo2AlarmHigh->value());
    settings.setValue(keyTempLow, ui->tempAlarmLow->value());
    settings.setValue(keyTempHigh, ui->tempAlarmHigh->value());
    saveAlarmSystem(settings);

    // Rows are stored as the user left them, placeholders and duplicates too.
    QStringList entries;
    const QList<DeviceEntry> rows = deviceRows();
    for (const DeviceEntry &row : rows)
        entries.append(formatDeviceEntry(row.name, row.port));
    settings.setValue(keyDevices, entries);
}

QList<DeviceEntry> ConfigDialog::deviceRows() const
{
    QList<DeviceEntry> rows;
    for (int i = 0; i < ui->treeDevices->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *item = ui->treeDevices->topLevelItem(i);
        rows.append(DeviceEntry{item->text(0), item->text(1)});
    }
    return rows;
}

void ConfigDialog::setDeviceRows(const QList<DeviceEntry> &rows)
{
    ui->treeDevices->clear();
    for (const DeviceEntry &row : rows)
        addDeviceRow(row.name, row.port);
}

void ConfigDialog::addDeviceRow(const QString &name, const QString &port)
{
    auto *item = new QTreeWidgetItem(ui->treeDevices, QStringList{name, port});
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEditable | Qt::ItemIsEnabled);
}

void ConfigDialog::on_listCategory_currentRowChanged(int currentRow)
{
    ui->pages->setCurrentIndex(currentRow);
    ui->pages->setFocus();
}

void ConfigDialog::on_btnAdd_clicked()
{
    addDeviceRow(QStringLiteral("NVR999"), QStringLiteral("COM99"));
    QTreeWidgetItem *item = ui->treeDevices->topLevelItem(ui->treeDevices->topLevelItemCount() - 1);
    ui->treeDevices->setCurrentItem(item, 0);
    ui->treeDevices->editItem(item, 0);
}

void ConfigDialog::on_btnRemove_clicked()
{
    QTreeWidgetItem *item = ui->treeDevices->currentItem();
    if (item)
        delete ui->treeDevices->takeTopLevelItem(ui->treeDevices->indexOfTopLevelItem(item));
}

void ConfigDialog::on_btnDetect_clicked()
{
    if (m_detecting)
        return;
    QMessageBox question(QMessageBox::Information, tr("Information"),
                         tr("Make sure that all modules have been paired and are turned on.\n"
                            "Press <OK> to continue."),
                         QMessageBox::Ok | QMessageBox::Cancel, this);
    question.setTextFormat(Qt::PlainText);
    if (question.exec() != QMessageBox::Ok)
        return;

    m_detecting = true;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto *progress = new QProgressDialog(tr("Please wait..."), QString(), 0, 1, this);
    progress->setObjectName(QStringLiteral("detectProgress"));
    progress->setCancelButton(nullptr);
    progress->setMinimumDuration(0);
    progress->show();
    // The probes block the event loop; the progress dialog is painted first.
    QTimer::singleShot(10, this, [this, progress]() {
        const int count = mergeDetectedModules();
        QApplication::restoreOverrideCursor();
        m_detecting = false;
        progress->hide();
        progress->deleteLater();
        QMessageBox::information(this, tr("Information"),
                                 count > 0 ? tr("%1 modules found.").arg(count) : tr("No modules found."));
    });
}

int ConfigDialog::mergeDetectedModules()
{
    const DiscoveryResult detected = discoverModules();
    setDeviceRows(mergeDevices(deviceRows(), detected));
    // Every answering port counts, even when two share a module name.
    return detected.size();
}

void ConfigDialog::on_ConfigDialog_accepted()
{
    saveSettings();
}

void ConfigDialog::loadAlarmSystem(const QSettings &settings)
{
    const AlarmSettings alarms = AlarmSettings::load(settings);
    ui->numHrLower->setValue(alarms.hrLower);
    ui->numPvcLimit->setValue(alarms.pvcLimit);
    ui->numAsystoleDelay->setValue(alarms.asystoleDelay);
    ui->numHrDelay->setValue(alarms.hrDelay);
    ui->numAudioPause->setValue(alarms.audioPauseMinutes);
    ui->chkLowPrioritySound->setChecked(alarms.lowPrioritySound);
    ui->numStLimit->setValue(alarms.stLimit / 10.0);
    ui->numStDelay->setValue(alarms.stDelay);
    ui->numStPoint->setValue(alarms.stPointMs);
    ui->numAfDelay->setValue(alarms.afDelay);
}

void ConfigDialog::saveAlarmSystem(QSettings &settings) const
{
    AlarmSettings alarms;
    alarms.hrLower = ui->numHrLower->value();
    alarms.pvcLimit = ui->numPvcLimit->value();
    alarms.asystoleDelay = ui->numAsystoleDelay->value();
    alarms.hrDelay = ui->numHrDelay->value();
    alarms.audioPauseMinutes = ui->numAudioPause->value();
    alarms.lowPrioritySound = ui->chkLowPrioritySound->isChecked();
    alarms.stLimit = int(std::lround(ui->numStLimit->value() * 10.0));
    alarms.stDelay = ui->numStDelay->value();
    alarms.stPointMs = ui->numStPoint->value();
    // Between off and the shortest delay, the shortest delay.
    const int afDelay = ui->numAfDelay->value();
    alarms.afDelay = afDelay == 0 ? 0 : std::max(afDelay, ConfigSettings::AfDelayRange.minimum);
    alarms.save(settings);
}
