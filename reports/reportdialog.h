#pragma once

#include <QDialog>
#include <QList>
#include <QMessageBox>
#include <QString>

#include <memory>

namespace Ui {
class ReportDialog;
}
class MonitorDatabase;
class MonitorSession;
class ReportJob;
class ReportProducer;
struct ReportJobResult;

// Creates the PDF report of one session or of a patient's whole course into
// the "reports" folder of the storage root, with a header (logo, title and
// additional text) kept in the settings between uses, and opens it. The
// report is made on another thread while a progress bar runs; the dialog and
// its messages are modal to their parent window only, so that the
// monitoring window stays usable meanwhile. Closing the dialog (Escape,
// "Close") while the report is made stops it; an earlier report of the same
// name then stays as it was.
class ReportDialog : public QDialog
{
    Q_OBJECT

public:
    // The session report of `session`.
    ReportDialog(QWidget *parent, MonitorDatabase &database, const MonitorSession *session);
    // The summary report of a patient; `sessions` are all the patient's
    // sessions in ascending session number (not empty).
    ReportDialog(QWidget *parent, MonitorDatabase &database, int patientId,
                 const QList<const MonitorSession *> &sessions);
    ~ReportDialog() override;

    QString logoFileName() const { return m_logoFileName; }
    // The file the last report went to; empty before one was made.
    QString reportPath() const { return m_reportPath; }

public slots:
    // Stops a report being made, then closes.
    void reject() override;

private slots:
    void on_listCategory_currentRowChanged(int row);
    void on_btnCreate_clicked();
    void on_btnSelectLogo_clicked();
    void on_btnRemoveLogo_clicked();

private:
    void setUpForm();
    void setLogo(const QString &fileName);
    void saveSettings();
    std::unique_ptr<ReportProducer> createProducer(QString &fileName);
    void showProgress(int page, int total);
    void reportFinished(const ReportJobResult &result);
    void setBusy(bool busy);
    void showMessage(QMessageBox::Icon icon, const QString &title, const QString &text);

    std::unique_ptr<Ui::ReportDialog> ui;
    MonitorDatabase &m_database;
    const MonitorSession *m_session = nullptr;
    int m_patientId = 0;
    QList<const MonitorSession *> m_sessions;
    QString m_logoFileName;
    QString m_reportPath;
    std::unique_ptr<ReportJob> m_job;
};
