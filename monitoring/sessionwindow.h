#pragma once

#include "monitoring/sessionmanager.h"

#include <QHash>
#include <QMainWindow>
#include <QMap>

#include <memory>

class BlinkClock;
class MonitorDatabase;
class OpenRecords;
class QGridLayout;
class QLabel;

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
    // Storage failures are told on a line per patient and kind at the foot
    // of the window, never in a box: monitoring must stay in reach.
    void showStorageFailure(int patientId, SessionManager::StorageFailure kind, const QString &text);
    void showStorageRecovered(int patientId, SessionManager::StorageFailure kind);
    void updateNotices();
    void collectFinalizeInputs();
    // Stops every monitoring and writes every session; while some cannot be
    // written, the user may retry or close anyway.
    void finishAndSave();
    bool askRetrySave(const QMap<int, QString> &failed);
    // Patients marked absent whose session could not be recorded, with the reason.
    QMap<int, QString> recordAbsences();
    QString patientName(int patientId) const;
    // The name as the alarm line shows it, looked up once per patient.
    QString alarmLineName(int patientId);

    std::unique_ptr<Ui::SessionWindow> ui;
    std::unique_ptr<SessionManager> m_manager;
    // Every banner of the window flashes by it; it outlives the panels.
    std::unique_ptr<BlinkClock> m_blinkClock;
    QGridLayout *m_grid = nullptr;
    QLabel *m_notices = nullptr;
    QMap<QPair<int, int>, QString> m_noticeLines; // (patient id, kind) -> line
    QMap<QPair<int, int>, QString> m_failedAt;    // (patient id, kind) -> time of the failure
    QHash<int, QString> m_alarmNames;
    QWidget *m_alarmBar = nullptr;

};
