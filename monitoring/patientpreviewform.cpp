#include "monitoring/patientpreviewform.h"
#include "ui_patientpreviewform.h"

#include "monitoring/panelhost.h"
#include "monitoring/patientmonitorform.h"
#include "monitoring/sessionmanager.h"
#include "patients/patientdialog.h"
#include "patients/patientpicture.h"
#include "patients/patientselectdialog.h"
#include "patients/picklist.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/recordrules.h"
#include "storage/storageerror.h"

#include <QImage>
#include <QMessageBox>
#include <QPixmap>
#include <QShortcut>

#include <exception>

namespace {

const char ExerciseTypeListKey[] = "ExerciseTypeList";
const char SimulatedDevice[] = "sim";

} // namespace

PatientPreviewForm::PatientPreviewForm(QWidget *parent, SessionManager *manager, BlinkClock *blinkClock)
    : QWidget(parent), ui(new Ui::PatientPreviewForm), m_manager(manager), m_blinkClock(blinkClock)
{
    ui->setupUi(this);

    ui->cboExerciseType->addItems(PickList::entries(ExerciseTypeListKey));
    ui->cboExerciseType->setCurrentIndex(-1);
    ui->cboExerciseType->setCurrentText(QString());

    ui->cboDevice->addItem(QString());
    ui->cboDevice->addItem(QString::fromLatin1(SimulatedDevice));
    ui->cboDevice->addItems(m_manager->deviceNames());

    ui->btnEdit->setEnabled(false);
    ui->framePatientInfo->hide();
    ui->frameSessionInfo->hide();
    ui->frameDeviceControl->hide();
    ui->lblSimulationWarning->hide();

    // "0" starts monitoring of the place that has the keyboard focus. A button
    // shortcut would be window-wide, and with several places showing their
    // start button it would be ambiguous and never fire.
    auto *startKey = new QShortcut(QKeySequence(Qt::Key_0), this);
    startKey->setContext(Qt::WidgetWithChildrenShortcut);
    connect(startKey, &QShortcut::activated, this, [this]() {
        if (ui->btnStart->isVisible() && ui->btnStart->isEnabled())
            ui->btnStart->animateClick();
    });

    for (QLineEdit *field : {ui->txtWeight, ui->txtHeight, ui->txtAbdomen})
        connect(field, &QLineEdit::textChanged, this, &PatientPreviewForm::validate);
    for (QLineEdit *field : {ui->txtWeight, ui->txtHeight})
        connect(field, &QLineEdit::textChanged, this, &PatientPreviewForm::updateBmi);
}

PatientPreviewForm::~PatientPreviewForm()
{
    PickList::learn(ExerciseTypeListKey, ui->cboExerciseType->currentText());
    QString error;
    if (!recordAbsence(error))
        qWarning("Absence of patient %d not recorded: %s", m_data.patientId, qPrintable(error));
}

bool PatientPreviewForm::recordAbsence(QString &error)
{
    if (m_data.presence || m_absenceRecorded)
        return true;
    m_data.startDateTime = QDateTime::currentDateTime();
    // A storage failure must not escape: the window asks whether to retry,
    // and the destructor must not take every other patient's session with it.
    try {
        m_manager->database().startSession(m_data);
    } catch (const std::exception &failure) {
        error = QString::fromUtf8(failure.what());
        return false;
    }
    m_absenceRecorded = true;
    return true;
}

void PatientPreviewForm::resetSessionData()
{
    m_data = SessionData();
    // Measurements belong to one patient: choosing another must not carry
    // the previous patient's figures into the new session.
    for (QLineEdit *field : {ui->txtWeight, ui->txtHeight, ui->txtAbdomen})
        field->clear();
}

bool PatientPreviewForm::isInAnotherPlace(int patientId) const
{
    if (m_manager->hasPatient(patientId))
        return true;
    for (const PatientPreviewForm *place : window()->findChildren<PatientPreviewForm *>()) {
        if (place != this && place->m_data.patientId == patientId)
            return true;
    }
    return false;
}

bool PatientPreviewForm::choosePatient(int patientId)
{
    // One visit, one session: the same patient in two places would end up
    // monitored in one and recorded absent in the other.
    if (isInAnotherPlace(patientId)) {
        warn(tr("This patient is already in another place of this monitoring window."));
        return false;
    }
    int sessionNumber = 0;
    if (!tryStorage([&] { sessionNumber = m_manager->database().nextSessionNumber(patientId); }))
        return false;
    resetSessionData();
    m_data.patientId = patientId;
    m_data.sessionNumber = sessionNumber;
    refresh();
    ui->btnEdit->setEnabled(true);
    ui->frameDeviceControl->show();
    return true;
}

void PatientPreviewForm::on_btnSelect_clicked()
{
    PatientSelectDialog dialog(this, m_manager->database(), m_manager->openRecords());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedPatientId() <= 0)
        return;
    choosePatient(dialog.selectedPatientId());
}

void PatientPreviewForm::on_btnNew_clicked()
{
    MonitorDatabase &db = m_manager->database();
    PatientDialog dialog(this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    PatientRecord record = dialog.record();
    if (!tryStorage([&] { db.insertPatient(record); }))
        return;
    resetSessionData();
    m_data.sessionNumber = 1;
    m_data.patientId = record.id;
    tryStorage([&] { storePatientPicture(db, record.id, dialog.picture()); });
    refresh();
    ui->btnEdit->setEnabled(true);
    ui->frameDeviceControl->show();
}

void PatientPreviewForm::on_btnEdit_clicked()
{
    MonitorDatabase &db = m_manager->database();
    PatientDialog dialog(this, db, m_data.patientId);
    if (dialog.exec() != QDialog::Accepted)
        return;
    tryStorage([&] {
        db.updatePatient(dialog.record());
        storePatientPicture(db, m_data.patientId, dialog.picture());
    });
    refresh();
}

void PatientPreviewForm::refresh()
{
    MonitorDatabase &db = m_manager->database();
    PatientRecord record;
    bool loaded = false;
    if (!tryStorage([&] { loaded = db.loadPatient(m_data.patientId, record); }) || !loaded)
        return;
    ui->txtPatientName->setFullText(QStringLiteral("%1, %2").arg(record.lastName, record.firstName));
    ui->lblPatientAge->setText(RecordRules::ageText(record.birthDate, QDate::currentDate()));
    ui->lblPatientComments->setText(record.comments);
    QByteArray bytes;
    QPixmap picture;
    bool hasPicture = false;
    tryStorage([&] { hasPicture = db.loadPicture(m_data.patientId, bytes); });
    // Without a picture, the figure the patient dialog shows for none.
    if (!hasPicture || !picture.loadFromData(bytes))
        picture = QPixmap(QStringLiteral(":/res/person.png"));
    ui->lblPicture->setPixmap(picture);
    ui->framePatientInfo->show();
    ui->frameSessionInfo->show();
    if (m_data.presence)
        ui->rbtPresent->setChecked(true);
    else
        ui->rbtAbsent->setChecked(true);
    ui->lblSessionNumber->setText(tr("Session #%1").arg(m_data.sessionNumber));
    if (m_data.weight > 0.0)
        ui->txtWeight->setText(QString::number(m_data.weight, 'f', 1));
    if (m_data.height > 0.0)
        ui->txtHeight->setText(QString::number(m_data.height, 'f', 1));
    updateBmi();
}

void PatientPreviewForm::updateBmi()
{
    ui->txtBMI->setText(RecordRules::bmiText(ui->txtWeight->text(), ui->txtHeight->text()));
}

void PatientPreviewForm::validate()
{
    bool allValid = true;
    for (QLineEdit *field : {ui->txtWeight, ui->txtHeight, ui->txtAbdomen}) {
        const bool valid = RecordRules::isValidMeasure(field->text());
        field->setStyleSheet(valid ? QString() : QStringLiteral("background-color: lightyellow"));
        allValid = allValid && valid;
    }
    ui->btnStart->setEnabled(allValid && m_data.presence);
}

void PatientPreviewForm::setSessionFieldsEnabled(bool enabled)
{
    for (QWidget *field : {static_cast<QWidget *>(ui->txtWeight), static_cast<QWidget *>(ui->txtHeight),
                           static_cast<QWidget *>(ui->txtBMI), static_cast<QWidget *>(ui->txtAbdomen),
                           static_cast<QWidget *>(ui->cboExerciseType)})
        field->setEnabled(enabled);
}

void PatientPreviewForm::on_rbtAbsent_toggled(bool checked)
{
    if (!checked)
        return;
    m_data.presence = false;
    setSessionFieldsEnabled(false);
    ui->btnStart->setEnabled(false);
    ui->cboDevice->setCurrentIndex(0);
    ui->cboDevice->setEnabled(false);
}

void PatientPreviewForm::on_rbtPresent_toggled(bool checked)
{
    if (!checked)
        return;
    m_data.presence = true;
    setSessionFieldsEnabled(true);
    ui->cboDevice->setEnabled(true);
    // Start follows the measurement fields again.
    validate();
}

void PatientPreviewForm::on_cboDevice_currentTextChanged(const QString &text)
{
    ui->lblSimulationWarning->setVisible(text == QLatin1String(SimulatedDevice));
}

void PatientPreviewForm::warn(const QString &text)
{
    QMessageBox::warning(this, tr("Warning"), text);
}

bool PatientPreviewForm::tryStorage(const std::function<void()> &work)
{
    // A storage failure (a full disk, a damaged index) is told and the
    // station goes on: monitoring in the other places must not end with it.
    try {
        work();
    } catch (const StorageError &error) {
        QMessageBox::critical(this, tr("Error"), QString::fromUtf8(error.what()));
        return false;
    }
    return true;
}

void PatientPreviewForm::on_btnStart_clicked()
{
    const QString device = ui->cboDevice->currentText();
    if (device.isEmpty()) {
        warn(tr("Please select a device for this patient"));
        return;
    }
    if (m_manager->isDeviceInUse(device)) {
        warn(tr("Selected device is already used in this session"));
        return;
    }
    if (m_manager->hasPatient(m_data.patientId)) {
        warn(tr("Selected patient is already in this session"));
        return;
    }
    PatientRecord record;
    bool loaded = false;
    if (!tryStorage([&] { loaded = m_manager->database().loadPatient(m_data.patientId, record); }))
        return;
    if (!loaded) {
        warn(tr("Cannot get patient data"));
        return;
    }

    m_data.weight = RecordRules::measureValue(ui->txtWeight->text());
    m_data.height = RecordRules::measureValue(ui->txtHeight->text());
    m_data.abdomen = RecordRules::measureValue(ui->txtAbdomen->text());
    m_data.exerciseType = ui->cboExerciseType->currentText();
    m_data.startDateTime = QDateTime::currentDateTime();

    MonitorSession *session = nullptr;
    if (!tryStorage([&] { session = m_manager->startMonitoring(m_data, device); }))
        return;
    if (!session) {
        warn(tr("Cannot get patient data"));
        return;
    }
    session->addEvent(tr("Start monitoring"));
    auto *monitor = new PatientMonitorForm(parentWidget(), m_manager, session, m_blinkClock);
    hide();
    PanelHost::replacePanel(this, monitor);
}
