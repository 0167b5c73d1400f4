#pragma once

#include <QMainWindow>

#include <memory>

class MonitorDatabase;
class OpenRecords;
class PatientCourse;
class ReviewSessionsPage;
class ReviewSummaryPage;
struct PatientRecord;

namespace Ui {
class ReviewWindow;
}

// Goes back over the finished sessions of one patient: a sessions page (one
// session at a time, correctable) and a summary page (the course over all
// sessions and the patient's adaptation and conclusion), with the patient
// dialog and the reports. The patient is opened for review while the window
// lives, so it is neither opened twice nor deleted meanwhile. Storage errors
// are shown and never end the station.
class ReviewWindow : public QMainWindow
{
    Q_OBJECT

public:
    // `patient` is the record as loaded just now: the window never shows,
    // and so never saves, patient fields it did not read.
    ReviewWindow(MonitorDatabase &database, OpenRecords &openRecords, const PatientRecord &patient,
                 QWidget *parent = nullptr);
    ~ReviewWindow() override;

    int patientId() const { return m_patientId; }

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_btnSessions_clicked();
    void on_btnSummary_clicked();
    void on_btnReport_clicked();
    void on_btnPatientEdit_clicked();

private:
    void loadCourse();
    void warnUnreadable();
    bool savePatientFields();
    void openReportDialog(bool summary);

    std::unique_ptr<Ui::ReviewWindow> ui;
    MonitorDatabase &m_database;
    OpenRecords &m_openRecords;
    int m_patientId;
    // Read once the window is on screen; the pages show its sessions.
    std::unique_ptr<PatientCourse> m_course;
    ReviewSessionsPage *m_sessionsPage;
    ReviewSummaryPage *m_summaryPage;
};
