#pragma once

#include "review/trhrplotvalues.h"
#include "review/trspo2plotvalues.h"
#include "review/trtempplotvalues.h"

#include <QWidget>

#include <memory>

class MonitorDatabase;
class MonitorSession;
class OpenRecords;
class PatientCourse;
class QTreeWidgetItem;
class ReviewEctopy;
class ReviewSt;
class ReviewRhythm;
class ReviewAlarms;
class TStoredFilterChain;

namespace Ui {
class ReviewSessionsPage;
}

// The review's sessions page: one session of the patient's course at a time,
// with its measurements, blood-pressure checkpoints, events, filtered ECG and
// heart-rate trend, which the clinician may correct. Edits stay in the
// widgets until a save point (another session, the summary page, a report,
// closing), where only what the user changed is written to the study file;
// when that is not possible the user keeps or discards the edits. A session
// the monitoring window holds is shown read-only and never written here.
class ReviewSessionsPage : public QWidget
{
    Q_OBJECT

public:
    ReviewSessionsPage(MonitorDatabase &database, const OpenRecords &openRecords, QWidget *parent = nullptr);
    ~ReviewSessionsPage() override;

    // Lists the readable sessions of the course and shows session 1 (or the
    // first one listed). The course must outlive the page.
    void setCourse(PatientCourse &course);
    MonitorSession *currentSession() const { return m_current; }
    // The ventricular ectopy of the session shown (its V beats for the ECG marks).
    ReviewEctopy *ectopy() const { return m_ectopy; }
    ReviewRhythm *rhythm() const { return m_rhythm; }

    // A save point: true when the current session may be left (nothing to
    // save, saved, or the changes discarded), false to stay with it.
    bool leaveCurrentSession();
    // Adds the exercise type shown to the learned list.
    void learnPickList();

private slots:
    void on_cboSession_currentIndexChanged(int index);
    void on_btnPrev_clicked();
    void on_btnNext_clicked();
    void on_tableCheckpoints_cellChanged(int row, int column);
    void on_txtWeight_textEdited(const QString &text);
    void on_txtHeight_textEdited(const QString &text);
    void on_txtAbdomen_textEdited(const QString &text);
    void on_btnAddEvent_clicked();
    void on_btnRemoveEvent_clicked();
    void on_treeEvents_itemDoubleClicked(QTreeWidgetItem *item, int column);
    void on_treeEvents_itemChanged(QTreeWidgetItem *item, int column);
    void on_treeEvents_currentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous);

private:
    void setUpWidgets();
    void showSession(MonitorSession *session);
    void fillSessionFields();
    QTreeWidgetItem *makeEventItem(int offset, const QString &description, bool print) const;
    void attachRecording();
    void configureFilters();
    void updateStepButtons();
    bool isReadOnly() const;
    bool isModified() const;
    // The Borg rating as the spin box shows it (0, "-", when not entered).
    int shownBorg() const;
    bool validateMeasurements();
    void saveCurrentSession();
    // The texts of the fields as they show the stored session; an edit is
    // what differs from them.
    void rememberShownTexts();
    QString cellText(int row, int column) const;

    std::unique_ptr<Ui::ReviewSessionsPage> ui;
    MonitorDatabase &m_database;
    const OpenRecords &m_openRecords;
    PatientCourse *m_course = nullptr;
    MonitorSession *m_current = nullptr;
    // Sessions the monitoring window held when the course was read: their
    // copy here may be stale, so they stay read-only for the page's life.
    QList<int> m_heldSessions;
    std::unique_ptr<TStoredFilterChain> m_chain;
    ReviewAlarms *m_alarms = nullptr;
    bool m_eventsModified = false;

    struct ShownTexts
    {
        QString exerciseType, weight, height, abdomen, symptoms, conclusion;
        QString cells[3][2];
    };
    ShownTexts m_shown;
    // What each checkpoint cell held last, to put back a refused entry.
    QString m_acceptedCells[3][2];

    ReviewEctopy *m_ectopy = nullptr;
    ReviewSt *m_st = nullptr;
    ReviewRhythm *m_rhythm = nullptr;
    TRHRPlotValues m_hrValues;
    TRSpo2PlotValues m_spo2Values;
    TRTempPlotValues m_tempValues;
};
