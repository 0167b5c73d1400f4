#pragma once

#include <QDialog>

#include <functional>

class QTreeWidgetItem;

namespace Ui {
class PatientSelectDialog;
}

// Finds a registered patient by name, picks one, or deletes patients with
// their session files. The list is loaded once the dialog is on screen.
class PatientSelectDialog : public QDialog
{
    Q_OBJECT

public:
    explicit PatientSelectDialog(QWidget *parent = nullptr);
    ~PatientSelectDialog() override;

    // The accepted patient's id; -1 until the dialog is accepted.
    int selectedPatientId() const { return m_selectedId; }

    // Patients for which this returns true are being monitored and cannot be
    // deleted from here: deleting them would remove the files of a running
    // session.
    void setMonitoredPatientCheck(std::function<bool(int patientId)> isMonitored);

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
    int m_selectedId = -1;
    std::function<bool(int)> m_isMonitored;
};
