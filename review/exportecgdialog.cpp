#include "review/exportecgdialog.h"
#include "ui_exportecgdialog.h"

#include "storage/patientrecord.h"
#include "storage/edfexport.h"
#include "storage/monitorsession.h"
#include "storage/safefilename.h"
#include "storage/storedtime.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStandardPaths>

#include <exception>

namespace {

const char *const FolderKey = "ExportEcgDialog/Folder";

} // namespace

ExportEcgDialog::ExportEcgDialog(QWidget *parent, const MonitorSession &session, const PatientRecord &patient)
    : QDialog(parent)
    , ui(std::make_unique<Ui::ExportEcgDialog>())
    , m_session(session)
    , m_patient(patient)
{
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowModality(Qt::WindowModal);
    ui->buttonBox->button(QDialogButtonBox::Ok)->setText(tr("Export"));
    QString folder = QSettings().value(QLatin1String(FolderKey)).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QFileInfo(folder).isDir())
        folder = QDir::homePath();
    ui->txtFile->setText(QDir::toNativeSeparators(proposedPath(folder, session, patient, false)));
}

ExportEcgDialog::~ExportEcgDialog() = default;

QString ExportEcgDialog::proposedPath(const QString &folder, const MonitorSession &session,
                                      const PatientRecord &patient, bool anonymize)
{
    const QString stamp = StoredTime::toText(session.startDateTime);
    const QString name = anonymize ? QStringLiteral("ECG-%1.edf").arg(stamp)
                                   : QStringLiteral("%1-%2-%3.edf")
                                         .arg(safeFileNamePart(patient.lastName), safeFileNamePart(patient.firstName), stamp);
    return QDir(folder).filePath(name);
}

void ExportEcgDialog::on_btnBrowse_clicked()
{
    const QString path = QFileDialog::getSaveFileName(this, tr("Export ECG"), QDir::fromNativeSeparators(ui->txtFile->text()),
                                                      tr("EDF+ files (*.edf)"));
    if (!path.isEmpty())
        ui->txtFile->setText(QDir::toNativeSeparators(path));
}

void ExportEcgDialog::on_chkAnonymize_toggled(bool checked)
{
    // An anonymized file must not carry the name in its file name either:
    // the proposal follows the box unless the user chose another name.
    const QFileInfo current(QDir::fromNativeSeparators(ui->txtFile->text()));
    const QString folder = current.absolutePath();
    if (current.filePath() == proposedPath(folder, m_session, m_patient, !checked))
        ui->txtFile->setText(QDir::toNativeSeparators(proposedPath(folder, m_session, m_patient, checked)));
}

void ExportEcgDialog::accept()
{
    QString path = QDir::fromNativeSeparators(ui->txtFile->text().trimmed());
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QLatin1String(".edf");
    if (QFileInfo::exists(path)
        && QMessageBox::question(this, tr("Export ECG"), tr("%1 already exists. Replace it?").arg(QDir::toNativeSeparators(path)),
                                 QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
               != QMessageBox::Yes)
        return;

    EdfExportOptions options;
    options.anonymize = ui->chkAnonymize->isChecked();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QString failure;
    try {
        m_missingSeconds = exportSessionEdf(m_session, m_patient, path, options).missingSeconds;
    } catch (const std::exception &e) {
        failure = QString::fromUtf8(e.what());
    }
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty()) {
        QMessageBox::critical(this, tr("Export ECG"),
                              tr("The ECG could not be written to %1: %2").arg(QDir::toNativeSeparators(path), failure));
        return;
    }
    m_exportedPath = path;
    QSettings().setValue(QLatin1String(FolderKey), QFileInfo(path).absolutePath());
    QDialog::accept();
}
