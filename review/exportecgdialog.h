#pragma once

#include <QDialog>
#include <QString>

#include <memory>

namespace Ui {
class ExportEcgDialog;
}

class MonitorSession;
struct PatientRecord;

// Writes one session's ECG, trends and annotations as an EDF+ file that other
// ECG programs read. Proposes a file name made safe from the patient and the
// session's start (with "Anonymize" a name without the patient's), remembers
// the folder last used, and says whether the file was written and, if not,
// why; a file that was there stays as it was when the export fails.
class ExportEcgDialog : public QDialog
{
    Q_OBJECT

public:
    ExportEcgDialog(QWidget *parent, const MonitorSession &session, const PatientRecord &patient);
    ~ExportEcgDialog() override;

    // The file name proposed for a session in `folder`.
    static QString proposedPath(const QString &folder, const MonitorSession &session, const PatientRecord &patient,
                                bool anonymize);
    // The file the last export wrote; empty before one succeeded.
    QString exportedPath() const { return m_exportedPath; }
    // Seconds of the exported file marked as holding no ECG.
    double missingSeconds() const { return m_missingSeconds; }

public slots:
    void accept() override;

private slots:
    void on_btnBrowse_clicked();
    void on_chkAnonymize_toggled(bool checked);

private:
    std::unique_ptr<Ui::ExportEcgDialog> ui;
    const MonitorSession &m_session;
    const PatientRecord &m_patient;
    QString m_exportedPath;
    double m_missingSeconds = 0.0;
};
