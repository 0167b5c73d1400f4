#pragma once

#include <QDialog>

class MonitorDatabase;
class OpenRecords;
class QTreeWidgetItem;

namespace Ui {
class PatientSelectDialog;
}

// Finds a registered patient by name, picks one, or deletes patients with
// their session files. The list is loaded once the dialog is on screen.
// Patients being monitored or open for review cannot be deleted: their
// windows would go on writing files that are gone.
class PatientSelectDialog : public QDialog
{
    Q_OBJECT

public:
    PatientSelectDialog(QWidget *parent, MonitorDatabase &database, const OpenRecords &openRecords);
    ~PatientSelectDialog() override;

    // The accepted patient's id; -1 until the dialog is accepted.
    int selectedPatientId() const { return m_selectedId; }

    // True when every blank-separated word of the filter occurs in the name,
    // ignoring letter case. An empty filter matches every name.
    static bool matchesFilter(const QString &name, const QString &filter);

public slots:
    void accept() override;

private slots:
    void on_txtFilter_textChanged(const QString &text);
    void on_treePatients_currentItemChanged(QTreeWidgetItem *current, QTreeWidgetItem *previous);
    void on_treePatients_itemSelectionChanged();
    void on_treePatients_itemDoubleClicked(QTreeWidgetItem *item, int column);
    void on_btnDelete_clicked();
    void on_actionDelete_triggered();

private:
    void loadPatients();
    void deleteSelected();
    void showError(const QString &text);

    Ui::PatientSelectDialog *ui;
    MonitorDatabase &m_database;
    const OpenRecords &m_openRecords;
    int m_selectedId = -1;
};
