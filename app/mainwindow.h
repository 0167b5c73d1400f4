#pragma once

#include "storage/openrecords.h"

#include <QMainWindow>
#include <memory>

class MonitorDatabase;

namespace Ui {
class MainWindow;
}

// The start window: the small window from which the monitoring window, the
// patient review and the configuration are opened. It owns what the station's
// windows share and hands it to them: the one database of the process,
// created shortly after the window is first shown, and the record of what the
// windows hold open.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    MonitorDatabase *database() const { return m_database.get(); }

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_btnStartSession_clicked();
    void on_btnOpen_clicked();
    void on_btnConfig_clicked();
    void on_btnExit_clicked();

private:
    void initialize();
    // A line at the foot naming the stored alarm settings that are out of range.
    void showCorrectedAlarmSettings();
    void openReview(int patientId);

    std::unique_ptr<Ui::MainWindow> ui;
    std::unique_ptr<MonitorDatabase> m_database;
    OpenRecords m_openRecords;
};
