#pragma once

#include <QMainWindow>
#include <memory>

class MonitorDatabase;

namespace Ui {
class MainWindow;
}

// The start window: the small window from which the monitoring window, the
// patient review and the configuration are opened. It also creates the one
// database of the process, shortly after it is first shown.
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

    std::unique_ptr<Ui::MainWindow> ui;
    std::unique_ptr<MonitorDatabase> m_database;
};
