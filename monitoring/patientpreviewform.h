#pragma once

#include "storage/sessiondata.h"

#include <QWidget>

#include <functional>
#include <memory>

class BlinkClock;
class SessionManager;

namespace Ui {
class PatientPreviewForm;
}

// The place of a patient before monitoring: choose or register the patient,
// mark presence, enter the session's measurements, choose the device and
// start. An absent patient's session is recorded when the panel goes away.
class PatientPreviewForm : public QWidget
{
    Q_OBJECT

public:
    // The window's blink clock goes on to the monitor panel that follows.
    PatientPreviewForm(QWidget *parent, SessionManager *manager, BlinkClock *blinkClock);
    ~PatientPreviewForm() override;

    // Chooses a patient as the selection dialog would (session number from
    // the database). Refused with a warning (false) when the patient is
    // already in another place of the window.
    bool choosePatient(int patientId);
    const SessionData &sessionData() const { return m_data; }
    // Records the session of a patient marked absent, once: true when done or
    // when there is nothing to record, false with the reason otherwise. The
    // window calls it as it closes; the panel's destruction tries it last.
    bool recordAbsence(QString &error);

private slots:
    void on_btnSelect_clicked();
    void on_btnNew_clicked();
    void on_btnEdit_clicked();
    void on_btnStart_clicked();
    void on_rbtPresent_toggled(bool checked);
    void on_rbtAbsent_toggled(bool checked);
    void on_cboDevice_currentTextChanged(const QString &text);

private:
    void resetSessionData();
    void refresh();
    void updateBmi();
    void validate();
    void setSessionFieldsEnabled(bool enabled);
    void warn(const QString &text);
    // Runs storage work; false (after the "Error" box) when it failed.
    bool tryStorage(const std::function<void()> &work);
    bool isInAnotherPlace(int patientId) const;

    std::unique_ptr<Ui::PatientPreviewForm> ui;
    SessionManager *m_manager;
    BlinkClock *m_blinkClock;
    SessionData m_data;
    bool m_absenceRecorded = false;
};
