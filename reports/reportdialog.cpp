#include "reports/reportdialog.h"
#include "ui_reportdialog.h"

#include "reports/reporterror.h"
#include "reports/reportjob.h"
#include "reports/reportvalues.h"
#include "reports/sessionreport.h"
#include "reports/summaryreport.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"

#include <QDir>
#include <QFileDialog>
#include <QImage>
#include <QPixmap>
#include <QSettings>
#include <QTimer>

namespace {

const QString LogoKey = QStringLiteral("ReportDialog/HeaderLogoFilename");
const QString TitleKey = QStringLiteral("ReportDialog/HeaderTitle");
const QString InfoKey = QStringLiteral("ReportDialog/HeaderInfo");

} // namespace

ReportDialog::ReportDialog(QWidget *parent, MonitorDatabase &database, const MonitorSession *session)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ReportDialog>())
    , m_database(database)
    , m_session(session)
{
    setUpForm();
}

ReportDialog::ReportDialog(QWidget *parent, MonitorDatabase &database, int patientId,
                           const QList<const MonitorSession *> &sessions)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ReportDialog>())
    , m_database(database)
    , m_patientId(patientId)
    , m_sessions(sessions)
{
    setUpForm();
}

ReportDialog::~ReportDialog() = default;

void ReportDialog::setUpForm()
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // Modal to the window that opened it only: the monitoring window goes on.
    setWindowModality(Qt::WindowModal);
    ui->listCategory->setCurrentRow(0);
    ui->pages->setCurrentIndex(0);
    ui->frameReport->hide();
    ui->btnCreate->setFocus();

    const QSettings settings;
    setLogo(settings.value(LogoKey).toString());
    ui->txtHeaderTitle->setText(settings.value(TitleKey).toString());
    ui->txtHeaderInfo->setPlainText(settings.value(InfoKey).toString());
}

void ReportDialog::setLogo(const QString &fileName)
{
    m_logoFileName = fileName;
    const QImage image = fileName.isEmpty() ? QImage() : QImage(fileName);
    if (image.isNull()) {
        ui->logoImage->setText(tr("[none]"));
        if (!fileName.isEmpty())
            // Deferred, so that the warning shows over the visible dialog even
            // when the file name comes from the settings.
            QTimer::singleShot(1, this, [this, fileName]() {
                showMessage(QMessageBox::Warning, tr("Warning"),
                            tr("Logo image could not be loaded from file: %1").arg(fileName));
            });
        return;
    }
    ui->logoImage->setPixmap(QPixmap::fromImage(
        image.scaled(ui->logoImage->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void ReportDialog::saveSettings()
{
    QSettings settings;
    settings.setValue(LogoKey, m_logoFileName);
    settings.setValue(TitleKey, ui->txtHeaderTitle->text());
    settings.setValue(InfoKey, ui->txtHeaderInfo->toPlainText());
}

void ReportDialog::on_listCategory_currentRowChanged(int row)
{
    if (row < 0 || row >= ui->pages->count())
        return;
    ui->pages->setCurrentIndex(row);
    ui->pages->currentWidget()->setFocus();
}

void ReportDialog::on_btnSelectLogo_clicked()
{
    const QString fileName =
        QFileDialog::getOpenFileName(this, tr("Open Image"), QString(), tr("Image Files (*.png *.jpg *.bmp)"));
    if (!fileName.isNull())
        setLogo(fileName);
}

void ReportDialog::on_btnRemoveLogo_clicked()
{
    m_logoFileName.clear();
    ui->logoImage->setText(tr("[none]"));
}

std::unique_ptr<ReportProducer> ReportDialog::createProducer(QString &fileName)
{
    MonitorDatabase *database = &m_database;
    PatientRecord patient;
    if (m_session) {
        auto report = std::make_unique<SessionReport>(*database, *m_session);
        database->loadPatient(m_session->patientId, patient);
        fileName = reportvalues::sessionReportFileName(patient.lastName, patient.firstName,
                                                       m_session->startDateTime);
        return report;
    }
    auto report = std::make_unique<SummaryReport>(*database, m_patientId, m_sessions);
    database->loadPatient(m_patientId, patient);
    const QDate last = m_sessions.isEmpty() ? QDate() : m_sessions.last()->startDateTime.date();
    fileName = reportvalues::summaryReportFileName(patient.lastName, patient.firstName, last);
    return report;
}

void ReportDialog::on_btnCreate_clicked()
{
    if (m_job && m_job->isRunning())
        return;
    const QString root = m_database.rootPath();
    QDir rootDir(root);
    if (root.isEmpty() || (!rootDir.exists(QStringLiteral("reports")) && !rootDir.mkdir(QStringLiteral("reports")))
        || !QFileInfo(rootDir.filePath(QStringLiteral("reports"))).isDir()) {
        showMessage(QMessageBox::Critical, tr("Error"), tr("Cannot create reports folder"));
        saveSettings();
        done(QDialog::Rejected);
        return;
    }

    QString fileName;
    std::unique_ptr<ReportProducer> producer;
    try {
        producer = createProducer(fileName);
    } catch (const std::exception &e) {
        showMessage(QMessageBox::Critical, tr("Error"), QString::fromUtf8(e.what()));
        saveSettings();
        done(QDialog::Rejected);
        return;
    }
    producer->setHeader(m_logoFileName, ui->txtHeaderTitle->text(), ui->txtHeaderInfo->toPlainText());
    m_reportPath = rootDir.filePath(QStringLiteral("reports/") + fileName);

    m_job = std::make_unique<ReportJob>();
    connect(m_job.get(), &ReportJob::progress, this, &ReportDialog::showProgress);
    connect(m_job.get(), &ReportJob::finished, this, &ReportDialog::reportFinished);
    setBusy(true);
    m_job->start(std::move(producer), m_reportPath);
}

void ReportDialog::showProgress(int page, int total)
{
    ui->barReport->setRange(0, total);
    ui->barReport->setValue(page);
    ui->lblReport->setText(tr("Page %1 of %2").arg(page).arg(total));
}

void ReportDialog::reportFinished(const ReportJobResult &result)
{
    setBusy(false);
    saveSettings();
    if (!result.ok) {
        showMessage(QMessageBox::Critical, tr("Error"), result.error);
        done(QDialog::Rejected);
        return;
    }
    if (!ReportEngine::openWithDesktop(m_reportPath))
        showMessage(QMessageBox::Information, tr("Information"),
                    tr("The report was saved to %1").arg(QDir::toNativeSeparators(m_reportPath)));
    done(QDialog::Accepted);
}

void ReportDialog::setBusy(bool busy)
{
    ui->frameReport->setVisible(busy);
    if (busy) {
        ui->barReport->setRange(0, 0);
        ui->lblReport->setText(tr("Preparing..."));
        setCursor(Qt::BusyCursor);
    } else {
        unsetCursor();
    }
    // "Close" stays usable: it stops the report.
    ui->listCategory->setEnabled(!busy);
    ui->pages->setEnabled(!busy);
    ui->btnCreate->setEnabled(!busy);
}

void ReportDialog::reject()
{
    if (m_job && !ui->frameReport->isHidden()) {
        // The print stops at its next sheet; its end is not reported, since
        // the user asked for it. The header counts as used.
        m_job->cancel();
        m_job->wait();
        m_job.reset();
        setBusy(false);
        saveSettings();
    }
    QDialog::reject();
}

void ReportDialog::showMessage(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon, title, text, QMessageBox::Ok, this);
    box.setWindowModality(Qt::WindowModal);
    box.exec();
}
