#include "review/reviewwindow.h"
#include "ui_reviewwindow.h"

#include "patients/patientdialog.h"
#include "patients/patientpicture.h"
#include "patients/waitcursor.h"
#include "reports/reportdialog.h"
#include "review/exportecgdialog.h"
#include "review/reviewprompts.h"
#include "review/reviewsessionspage.h"
#include "review/reviewsummarypage.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/openrecords.h"
#include "storage/patientcourse.h"

#include <QCloseEvent>
#include <QDir>
#include <QTimer>

#include <stdexcept>

ReviewWindow::ReviewWindow(MonitorDatabase &database, OpenRecords &openRecords, const PatientRecord &patient,
                           QWidget *parent)
    : QMainWindow(parent)
    , ui(new Ui::ReviewWindow)
    , m_database(database)
    , m_openRecords(openRecords)
    , m_patientId(patient.id)
    , m_sessionsPage(new ReviewSessionsPage(database, openRecords))
    , m_summaryPage(new ReviewSummaryPage(database, patient))
{
    ui->setupUi(this);
    ui->pages->addWidget(m_sessionsPage);
    ui->pages->addWidget(m_summaryPage);
    ui->pages->setCurrentIndex(0);
    setWindowTitle(patient.displayName());
    m_openRecords.holdReview(m_patientId);

    // Sessions and recordings are read once the window is on screen.
    QTimer::singleShot(0, this, &ReviewWindow::loadCourse);
}

ReviewWindow::~ReviewWindow()
{
    m_sessionsPage->learnPickList();
    m_summaryPage->learnPickList();
    // The pages show the course's sessions and go before it.
    delete m_sessionsPage;
    delete m_summaryPage;
    m_course.reset();
    m_openRecords.releaseReview(m_patientId);
}

void ReviewWindow::loadCourse()
{
    const bool loaded = ReviewPrompts::runShowingErrors(this, [this] {
        WaitCursor wait;
        m_course = std::make_unique<PatientCourse>(m_database, m_patientId);
    });
    if (!loaded)
        return;
    m_summaryPage->setCourse(*m_course);
    m_sessionsPage->setCourse(*m_course);
    if (!m_course->unreadable().isEmpty())
        warnUnreadable();
    else if (m_course->listedCount() == 0)
        ReviewPrompts::show(this, QMessageBox::Information, tr("Information"), tr("Patient does not have any sessions"));
}

void ReviewWindow::warnUnreadable()
{
    const QList<SessionInfo> unreadable = m_course->unreadable();
    QStringList names;
    for (const SessionInfo &row : unreadable)
        names << tr("#%1 of %2").arg(row.sessionNumber).arg(row.startDateTime.toString(QStringLiteral("dd/MM/yyyy")));
    const QString text =
        unreadable.size() == 1
            ? tr("Session %1 could not be read and is not listed.").arg(names.join(QString()))
            : tr("%n sessions could not be read and are not listed: %1.", nullptr, unreadable.size())
                  .arg(names.join(QStringLiteral(", ")));
    ReviewPrompts::show(this, QMessageBox::Warning, tr("Warning"), text);
}

bool ReviewWindow::savePatientFields()
{
    return ReviewPrompts::saveOrAskDiscard(
        this, [this] { m_summaryPage->savePatientFields(); }, [this] { m_summaryPage->restorePatientFields(); });
}

void ReviewWindow::openReportDialog(bool summary)
{
    ReviewPrompts::runShowingErrors(this, [&] {
        // The dialog is modal to this window only and reads the sessions this
        // window keeps open.
        std::unique_ptr<ReportDialog> dialog =
            summary ? std::make_unique<ReportDialog>(this, m_database, *m_course)
                    : std::make_unique<ReportDialog>(this, m_database, m_sessionsPage->currentSession());
        dialog->exec();
    });
}

void ReviewWindow::closeEvent(QCloseEvent *event)
{
    if (!m_sessionsPage->leaveCurrentSession() || !savePatientFields()) {
        event->ignore();
        return;
    }
    event->accept();
}

void ReviewWindow::on_btnSessions_clicked()
{
    ui->pages->setCurrentIndex(0);
    ui->btnExportEcg->setVisible(true);
}

void ReviewWindow::on_btnExportEcg_clicked()
{
    // What is exported is what is stored: the shown session is saved first.
    const MonitorSession *session = m_sessionsPage->currentSession();
    if (!session || !m_sessionsPage->leaveCurrentSession())
        return;
    if (!session->recording()) {
        ReviewPrompts::show(this, QMessageBox::Information, tr("Information"),
                            tr("This session has no ECG recording to export."));
        return;
    }
    PatientRecord patient;
    ReviewPrompts::runShowingErrors(this, [&] {
        if (!m_database.loadPatient(m_patientId, patient))
            throw std::runtime_error(tr("Cannot get patient data").toStdString());
        ExportEcgDialog dialog(this, *session, patient);
        if (dialog.exec() != QDialog::Accepted)
            return;
        QString text = tr("The ECG was exported to %1").arg(QDir::toNativeSeparators(dialog.exportedPath()));
        // Missing ECG is exported as marked stretches: the user hears of them.
        if (dialog.missingSeconds() > 0.0)
            text += QLatin1Char('\n') + tr("For %1 s the session has no ECG; the file marks those stretches \"ECG missing\".")
                                           .arg(dialog.missingSeconds(), 0, 'f', 1);
        ReviewPrompts::show(this, QMessageBox::Information, tr("Information"), text);
    });
}

void ReviewWindow::on_btnSummary_clicked()
{
    if (!m_sessionsPage->leaveCurrentSession()) {
        ui->btnSessions->setChecked(true);
        return;
    }
    ui->pages->setCurrentIndex(1);
    ui->btnExportEcg->setVisible(false);
    m_summaryPage->refresh();
}

void ReviewWindow::on_btnReport_clicked()
{
    if (ui->pages->currentIndex() != 0) {
        if (m_course && !m_course->sessions().isEmpty() && savePatientFields())
            openReportDialog(true);
        return;
    }
    if (m_sessionsPage->currentSession() && m_sessionsPage->leaveCurrentSession())
        openReportDialog(false);
}

void ReviewWindow::on_btnPatientEdit_clicked()
{
    ReviewPrompts::runShowingErrors(this, [this] {
        PatientDialog dialog(this, m_database, m_patientId);
        dialog.setWindowModality(Qt::WindowModal);
        if (dialog.exec() != QDialog::Accepted)
            return;
        const PatientRecord record = dialog.record();
        // A patient the dialog could not load comes back without its id.
        if (record.id != m_patientId)
            return;
        m_database.updatePatient(record);
        storePatientPicture(m_database, m_patientId, dialog.picture());
        setWindowTitle(record.displayName());
    });
}
