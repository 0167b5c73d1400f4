#pragma once

#include "patients/reviewedpatients.h"
#include "review/thistoryplotvalues.h"
#include "review/trhrplotvalues.h"
#include "review/trspo2plotvalues.h"
#include "review/trtempplotvalues.h"
#include "storage/sessionhistory.h"

#include <QList>
#include <QMainWindow>
#include <QMap>
#include <QMessageBox>
#include <QSet>

#include <functional>
#include <memory>
#include <vector>

class MonitorDatabase;
class MonitorSession;
class QTreeWidgetItem;
class TStoredFilterChain;

namespace Ui {
class ReviewWindow;
}

// Goes back over the finished sessions of one patient. The sessions page
// shows one session at a time (measurements, blood-pressure checkpoints,
// events, the filtered ECG and the heart-rate trend) and lets the clinician
// correct them; the summary page shows the course over all sessions and the
// patient's adaptation and conclusion. Edits stay in the widgets until a save
// point (another session, the summary page, a report, closing), where they
// are written to the session's study file, or, when that is not possible,
// kept or discarded as the user chooses. Storage errors are shown and never
// end the station. A session still held by the monitoring window is shown
// read-only and never written from here.
class ReviewWindow : public QMainWindow
{
    Q_OBJECT

public:
    ReviewWindow(QWidget *parent, int patientId);
    ~ReviewWindow() override;

    int patientId() const { return m_patientId; }

protected:
    void closeEvent(QCloseEvent *event) override;

private slots:
    void on_btnSpeed12_clicked();
    void on_btnSpeed25_clicked();
    void on_btnSpeed50_clicked();
    void on_btnAmp5_clicked();
    void on_btnAmp10_clicked();
    void on_btnAmp20_clicked();
    void on_btnFilterNotch_clicked();
    void on_btnFilterLowpass_clicked();
    void on_btnFilterBaseline_clicked();
    void on_cboSession_currentIndexChanged(int index);
    void on_btnPrev_clicked();
    void on_btnNext_clicked();
    void on_btnPatientEdit_clicked();
    void on_tableCheckpoints_cellChanged(int row, int column);
    void on_txtWeight_textEdited(const QString &text);
    void on_txtHeight_textEdited(const QString &text);
    void on_btnSessions_clicked();
    void on_btnSummary_clicked();
    void on_txtAbdomen_textEdited(const QString &text);
    void on_btnReport_clicked();
    void on_btnAddEvent_clicked();
    void on_btnRemoveEvent_clicked();
    void on_treeEvents_itemDoubleClicked(QTreeWidgetItem *item, int column);
    void on_treeEvents_itemChanged(QTreeWidgetItem *item, int column);
    void on_treeEvents_currentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous);

private:
    void setUpWidgets();
    void loadSessions();
    void showSession(MonitorSession *session);
    void fillSessionFields();
    void fillEvents();
    QTreeWidgetItem *makeEventItem(int offset, const QString &description, bool print) const;
    void attachRecording();
    void configureFilters();
    void setSessionReadOnly(bool readOnly);
    bool isReadOnly() const;
    bool isModified() const;
    // The Borg rating as the spin box shows it (0, "-", when not entered).
    int shownBorg(const MonitorSession &session) const;
    bool validateMeasurements();
    void updateBmi();

    // A save point: true when the user may leave the current session (nothing
    // to save, saved, or the changes discarded), false to stay with it.
    bool leaveCurrentSession();
    void saveCurrentSession();
    void savePatientFields();
    void restorePatientFields();
    // Runs `save`; when it fails, shows the error and lets the user discard
    // the changes (runs `discard`, true) or keep them (false).
    bool saveOrAskDiscard(const std::function<void()> &save, const std::function<void()> &discard);
    // Runs `action`; a failure is shown in the "Error" box. True on success.
    bool runShowingErrors(const std::function<void()> &action);
    int showMessage(QMessageBox::Icon icon, const QString &title, const QString &text,
                    QMessageBox::StandardButtons buttons = QMessageBox::Ok,
                    const QString &details = QString());

    void buildHistoryPlots(int sessionCount);
    void fillSummary();
    void learnPickLists();
    void openReportDialog(bool summary);
    QList<const MonitorSession *> sessionList() const;
    MonitorDatabase &database() const;

    std::unique_ptr<Ui::ReviewWindow> ui;
    int m_patientId;
    // The patient cannot be deleted, nor opened in another review, meanwhile.
    reviewedpatients::Hold m_hold;
    std::vector<std::unique_ptr<MonitorSession>> m_sessions;
    QMap<int, MonitorSession *> m_sessionsByNumber;
    // Sessions the monitoring window held when they were read: their copy
    // here may be stale, so they stay read-only for the window's life.
    QSet<int> m_heldSessions;
    MonitorSession *m_current = nullptr;
    // Declared after the sessions: it reads the current session's recording
    // and so must go first.
    std::unique_ptr<TStoredFilterChain> m_chain;
    bool m_checkpointsModified = false;
    bool m_eventsModified = false;
    // The patient's adaptation and conclusion as last stored.
    QString m_storedAdaptation;
    QString m_storedConclusion;

    TRHRPlotValues m_hrValues;
    TRSpo2PlotValues m_spo2Values;
    TRTempPlotValues m_tempValues;
    SessionHistory m_history;
    std::vector<std::unique_ptr<THistoryPlotValues>> m_historyValues;
};
