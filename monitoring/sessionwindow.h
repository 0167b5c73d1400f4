#pragma once

#include <QMainWindow>

#include <memory>

class MonitorDatabase;
class OpenRecords;
class QGridLayout;
class SessionManager;

namespace Ui {
class SessionWindow;
}

// The monitoring window: a grid of patient places sharing one session
// manager. Closing it stops every monitoring and saves every session.
class SessionWindow : public QMainWindow
{
    Q_OBJECT

public:
    SessionWindow(MonitorDatabase &database, OpenRecords &openRecords, QWidget *parent = nullptr);
    ~SessionWindow() override;

    SessionManager *manager() const { return m_manager.get(); }

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void loadSettings();
    void buildGrid();
    void showSaveFailure(const QString &message);
    void showRecordingStopped(int patientId);
    void collectFinalizeInputs();
    // Stops every monitoring and writes every session; while some cannot be
    // written, the user may retry or close anyway.
    void finishAndSave();
    bool askRetrySave(const QMap<int, QString> &failed);
    // Patients marked absent whose session could not be recorded, with the reason.
    QMap<int, QString> recordAbsences();
    QString patientName(int patientId) const;

    std::unique_ptr<Ui::SessionWindow> ui;
    std::unique_ptr<SessionManager> m_manager;
    QGridLayout *m_grid = nullptr;
    bool m_saveFailureShown = false;
};
