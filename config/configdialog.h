#pragma once

#include <QDialog>
#include <memory>

class QSettings;
struct DeviceEntry;

namespace Ui {
class ConfigDialog;
}

// The station's configuration: how many patients a monitoring window shows,
// the known acquisition modules with their serial ports, and the alarm limits.
// Reads the "Config" settings when built and writes them all when accepted.
class ConfigDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ConfigDialog(QWidget *parent = nullptr);
    ~ConfigDialog() override;

private slots:
    void on_listCategory_currentRowChanged(int currentRow);
    void on_btnAdd_clicked();
    void on_btnRemove_clicked();
    void on_btnDetect_clicked();
    void on_ConfigDialog_accepted();

private:
    void loadSettings();
    void saveSettings() const;
    // The alarm system's delays, lower limit and sounds.
    void loadAlarmSystem(const QSettings &settings);
    void saveAlarmSystem(QSettings &settings) const;
    QList<DeviceEntry> deviceRows() const;
    void setDeviceRows(const QList<DeviceEntry> &rows);
    void addDeviceRow(const QString &name, const QString &port);
    int mergeDetectedModules();

    std::unique_ptr<Ui::ConfigDialog> ui;
    bool m_detecting = false;
};
