#pragma once

#include "review/thistoryplotvalues.h"
#include "storage/sessionhistory.h"

#include <QWidget>

#include <memory>
#include <vector>

class MonitorDatabase;
class PatientCourse;
struct PatientRecord;

namespace Ui {
class ReviewSummaryPage;
}

// The review's summary page: the patient's course over all sessions (five
// history plots and the attendance, with the sessions that could not be
// read named) and the two texts that belong to the patient, the group
// adaptation and the overall conclusion.
class ReviewSummaryPage : public QWidget
{
    Q_OBJECT

public:
    // Shows the adaptation and conclusion of the patient as loaded.
    ReviewSummaryPage(MonitorDatabase &database, const PatientRecord &patient, QWidget *parent = nullptr);
    ~ReviewSummaryPage() override;

    // Sets the plots' axes and the attendance for the course, which must
    // outlive the page.
    void setCourse(const PatientCourse &course);
    // Rebuilds the history from the sessions as they are now.
    void refresh();

    // Stores the adaptation or the conclusion, each only when it was changed,
    // into the patient record as it is stored now. Throws StorageError, "Cannot get
    // patient data" when the patient is gone.
    void savePatientFields();
    // Shows the stored adaptation and conclusion again.
    void restorePatientFields();
    // Adds the adaptation shown to the learned list.
    void learnPickList();

private:
    std::unique_ptr<Ui::ReviewSummaryPage> ui;
    MonitorDatabase &m_database;
    int m_patientId;
    const PatientCourse *m_course = nullptr;
    // The patient's adaptation and conclusion as last stored, and as the
    // fields showed them then (a plain-text field changes line breaks): an
    // edit is what differs from the shown text.
    QString m_storedAdaptation, m_storedConclusion;
    QString m_shownAdaptation, m_shownConclusion;
    SessionHistory m_history;
    std::vector<std::unique_ptr<THistoryPlotValues>> m_historyValues;
    // The largest ST change of each session that was analysed, in mm.
    void showStHistory(const PatientCourse &course);
    QPlotGraphic *m_stPlot = nullptr;
    std::unique_ptr<IPlotValues> m_stValues;
};
