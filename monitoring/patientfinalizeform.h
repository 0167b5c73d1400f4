#pragma once

#include <QTimer>
#include <QWidget>

#include <memory>

class BlinkClock;
class MonitorSession;
class SessionManager;

namespace Ui {
class PatientFinalizeForm;
}

// The place of a patient whose monitoring was stopped: identity, device, and
// the Borg rating, symptoms and conclusion of the session. Restart resumes the
// same session in a new monitor panel.
class PatientFinalizeForm : public QWidget
{
    Q_OBJECT

public:
    PatientFinalizeForm(QWidget *parent, SessionManager *manager, MonitorSession *session, BlinkClock *blinkClock);
    ~PatientFinalizeForm() override;

    // An edit is saved after this pause, or at once when the field is left.
    static constexpr int SaveDelay = 1500;

    MonitorSession *session() const { return m_session; }
    // Copies Borg rating, symptoms and conclusion into the session.
    void collectInputs();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private slots:
    void on_btnRestart_clicked();

private:
    void scheduleSave();
    void saveNow();

    std::unique_ptr<Ui::PatientFinalizeForm> ui;
    SessionManager *m_manager;
    BlinkClock *m_blinkClock;
    MonitorSession *m_session;
    QTimer m_saveTimer;
    bool m_edited = false;
};
