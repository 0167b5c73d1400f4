#pragma once

#include <QWidget>

#include <memory>

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
    PatientFinalizeForm(QWidget *parent, SessionManager *manager, MonitorSession *session);
    ~PatientFinalizeForm() override;

    MonitorSession *session() const { return m_session; }
    // Copies Borg rating, symptoms and conclusion into the session.
    void collectInputs();

private slots:
    void on_btnRestart_clicked();

private:
    std::unique_ptr<Ui::PatientFinalizeForm> ui;
    SessionManager *m_manager;
    MonitorSession *m_session;
};
