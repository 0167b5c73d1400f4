#include "patients/patientdialog.h"
#include "ui_patientdialog.h"

#include "patients/picklist.h"
#include "storage/errortext.h"
#include "storage/monitordatabase.h"
#include "storage/recordrules.h"

#include <QCamera>
#include <QCameraImageCapture>
#include <QCameraInfo>
#include <QCameraViewfinder>
#include <QCompleter>
#include <QMessageBox>
#include <QPushButton>
#include <QVideoFrame>

#include <exception>

namespace {

const QString invalidStyle = QStringLiteral("background-color: lightyellow");

// Sex as stored in the record, by index of cboSex.
QString sexCode(int index)
{
    switch (index) {
    case 1: return QStringLiteral("M");
    case 2: return QStringLiteral("F");
    default: return QString();
    }
}

int sexIndex(const QString &code)
{
    if (code == QLatin1String("M"))
        return 1;
    if (code == QLatin1String("F"))
        return 2;
    return 0;
}

} // namespace

PatientDialog::PatientDialog(QWidget *parent)
    : QDialog(parent), ui(new Ui::PatientDialog), m_referenceDate(QDate::currentDate())
{
    setUp(true, nullptr, 0);
}

PatientDialog::PatientDialog(QWidget *parent, MonitorDatabase &database, int patientId)
    : QDialog(parent), ui(new Ui::PatientDialog), m_referenceDate(QDate::currentDate())
{
    setUp(patientId == 0, &database, patientId);
}

void PatientDialog::setUp(bool newPatient, MonitorDatabase *database, int patientId)
{
    m_newPatient = newPatient;
    ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(521, 311);
    setWindowTitle(m_newPatient ? tr("New patient") : tr("Patient data"));
    // Roomy rows; a long page name wraps onto a second line.
    const QSize rowSize(ui->listCategory->maximumWidth() - 2 * ui->listCategory->frameWidth(), 38);
    for (int row = 0; row < ui->listCategory->count(); ++row)
        ui->listCategory->item(row)->setSizeHint(rowSize);
    ui->listCategory->setCurrentRow(0);
    // Captions sit above their fields: a little air above each keeps it with
    // its own field rather than with the row before.
    for (QLabel *caption : findChildren<QLabel *>()) {
        if (caption != ui->lblPicture)
            caption->setContentsMargins(0, 3, 0, 0);
    }

    // Editable lists are learned on OK only, with an exact (case-sensitive) match.
    for (QComboBox *combo : {ui->cboIdType, ui->cboMedicalGroup, ui->cboCity, ui->cboState}) {
        combo->setInsertPolicy(QComboBox::NoInsert);
        if (combo->completer())
            combo->completer()->setCaseSensitivity(Qt::CaseSensitive);
    }

    loadPickLists();
    ui->cboSex->addItems({QString(), tr("Male"), tr("Female")});

    // A stored patient may lack what a new one needs (the age is not stored),
    // so OK starts enabled for it. A patient that could not be loaded is
    // validated like a new one, so that no empty record is handed back.
    const bool loaded = !m_newPatient && database && loadPatient(*database, patientId);
    if (m_newPatient)
        ui->txtLastName->setFocus();

    validate();
    if (loaded)
        ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(true);

    ui->btnCamera->setEnabled(true);
    ui->btnTakePicture->setEnabled(false);
}

PatientDialog::~PatientDialog()
{
    stopCamera();
    delete ui;
}

void PatientDialog::setReferenceDate(const QDate &date)
{
    m_referenceDate = date;
    if (!ui->txtBirthDate->text().isEmpty())
        updateAge();
}

QDate PatientDialog::parseBirthDate(const QString &text)
{
    const QString trimmed = text.trimmed();
    QDate date = QDate::fromString(trimmed, tr("d/M/yyyy"));
    if (!date.isValid() || date.year() < 1000)
        date = QDate::fromString(trimmed, tr("d/M/yy")); // "yy" reads as 1900-1999
    return date;
}

QImage PatientDialog::squareCrop(const QImage &image)
{
    // Landscape images keep their full height; a portrait image keeps its
    // full width instead of being padded.
    if (image.width() >= image.height())
        return image.copy(image.width() / 2 - image.height() / 2, 0, image.height(), image.height());
    return image.copy(0, image.height() / 2 - image.width() / 2, image.width(), image.width());
}

QList<QPair<QString, QComboBox *>> PatientDialog::pickLists() const
{
    return {
        {QStringLiteral("PatientDialog/IdTypeList"), ui->cboIdType},
        {QStringLiteral("PatientDialog/MedicalGroupList"), ui->cboMedicalGroup},
        {QStringLiteral("PatientDialog/CityList"), ui->cboCity},
        {QStringLiteral("PatientDialog/StateList"), ui->cboState},
    };
}

void PatientDialog::loadPickLists()
{
    for (const auto &list : pickLists()) {
        list.second->clear();
        list.second->addItems(PickList::entries(list.first));
        list.second->setCurrentIndex(-1);
        list.second->clearEditText();
    }
}

void PatientDialog::savePickLists()
{
    for (const auto &list : pickLists())
        PickList::learn(list.first, list.second->currentText());
}

bool PatientDialog::loadPatient(MonitorDatabase &database, int patientId)
{
    // A patient that cannot be loaded leaves the fields empty; the record then
    // keeps id 0, so accepting can never overwrite the stored patient.
    QByteArray pictureBytes;
    bool hasPicture = false;
    try {
        PatientRecord loaded;
        if (!database.loadPatient(patientId, loaded))
            return false;
        m_record = loaded;
        m_record.id = patientId;
        hasPicture = database.loadPicture(patientId, pictureBytes);
    } catch (const std::exception &error) {
        QMessageBox::critical(this, tr("Error"), errorText(error));
        return false;
    }
    showRecord();
    QPixmap picture;
    if (hasPicture)
        picture.loadFromData(pictureBytes);
    showPicture(picture);
    return true;
}

void PatientDialog::showRecord()
{
    ui->txtLastName->setText(m_record.lastName);
    ui->txtFirstName->setText(m_record.firstName);
    ui->cboSex->setCurrentIndex(sexIndex(m_record.sex));
    ui->txtBirthDate->setText(m_record.birthDate.isValid() ? m_record.birthDate.toString(tr("d/M/yyyy"))
                                                           : QString());
    ui->cboIdType->setCurrentText(m_record.personIdType);
    ui->txtIdNumber->setText(m_record.personIdNumber);
    ui->txtAddress->setText(m_record.address);
    ui->cboCity->setCurrentText(m_record.city);
    ui->cboState->setCurrentText(m_record.state);
    ui->txtPhoneNumber->setText(m_record.phoneNumber);
    ui->cboMedicalGroup->setCurrentText(m_record.medicalGroupName);
    ui->txtMedicalGroupNumber->setText(m_record.medicalGroupNumber);
    ui->txtMedicalHistoryNumber->setText(m_record.medicalHistoryNumber);
    ui->txtRiskFactors->setPlainText(m_record.risks);
    ui->txtMedication->setPlainText(m_record.medication);
    ui->txtComments->setPlainText(m_record.comments);

    // Long texts show their beginning, not their end.
    for (QLineEdit *field : ui->pagePatient->findChildren<QLineEdit *>())
        field->setCursorPosition(0);
}

void PatientDialog::accept()
{
    m_record.lastName = ui->txtLastName->text();
    m_record.firstName = ui->txtFirstName->text();
    m_record.sex = sexCode(ui->cboSex->currentIndex());
    m_record.birthDate = parseBirthDate(ui->txtBirthDate->text());
    m_record.personIdType = ui->cboIdType->currentText();
    m_record.personIdNumber = ui->txtIdNumber->text();
    m_record.address = ui->txtAddress->text();
    m_record.city = ui->cboCity->currentText();
    m_record.state = ui->cboState->currentText();
    m_record.phoneNumber = ui->txtPhoneNumber->text();
    m_record.medicalGroupName = ui->cboMedicalGroup->currentText();
    m_record.medicalGroupNumber = ui->txtMedicalGroupNumber->text();
    m_record.medicalHistoryNumber = ui->txtMedicalHistoryNumber->text();
    m_record.risks = ui->txtRiskFactors->toPlainText();
    m_record.medication = ui->txtMedication->toPlainText();
    m_record.comments = ui->txtComments->toPlainText();
    savePickLists();
    QDialog::accept();
}

void PatientDialog::done(int result)
{
    stopCamera();
    QDialog::done(result);
}

void PatientDialog::on_listCategory_currentRowChanged(int row)
{
    if (row >= 0)
        ui->pages->setCurrentIndex(row);
}

void PatientDialog::on_txtLastName_textChanged(const QString &)
{
    validate();
}

void PatientDialog::on_txtFirstName_textChanged(const QString &)
{
    validate();
}

void PatientDialog::on_cboSex_currentIndexChanged(int)
{
    validate();
}

void PatientDialog::on_txtBirthDate_textChanged(const QString &)
{
    // Clearing the birth date because an age is being typed must not wipe that age.
    if (!m_ageTyped)
        updateAge();
}

void PatientDialog::on_txtAge_textChanged(const QString &)
{
    validate();
}

void PatientDialog::on_txtAge_textEdited(const QString &)
{
    // A typed age replaces the birth date; it only counts for validation.
    m_ageTyped = true;
    ui->txtBirthDate->clear();
    m_ageTyped = false;
}

void PatientDialog::updateAge()
{
    const QDate birth = parseBirthDate(ui->txtBirthDate->text());
    const int age = birth.isValid() ? RecordRules::ageInYears(birth, m_referenceDate) : 0;
    ui->txtAge->setText(age > 0 ? QString::number(age) : QString());
}

bool PatientDialog::validate()
{
    bool numeric = false;
    int age = ui->txtAge->text().toInt(&numeric, 10);
    if (!numeric)
        age = 0;
    const bool lastNameValid = !ui->txtLastName->text().trimmed().isEmpty();
    const bool firstNameValid = !ui->txtFirstName->text().trimmed().isEmpty();
    const bool ageValid = age > 1;

    ui->txtLastName->setStyleSheet(lastNameValid ? QString() : invalidStyle);
    ui->txtFirstName->setStyleSheet(firstNameValid ? QString() : invalidStyle);
    ui->txtAge->setStyleSheet(ageValid ? QString() : invalidStyle);

    const bool valid = lastNameValid && firstNameValid && ageValid;
    ui->buttonBox->button(QDialogButtonBox::Ok)->setEnabled(valid);
    return valid;
}

void PatientDialog::showPicture(const QPixmap &picture)
{
    m_picture = picture;
    if (picture.isNull()) {
        ui->lblPicture->clear();
        return;
    }
    const int frame = ui->lblPicture->frameWidth();
    const QSize area = ui->lblPicture->minimumSize() - QSize(2 * frame, 2 * frame);
    ui->lblPicture->setPixmap(picture.scaled(area, Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void PatientDialog::on_btnCamera_clicked()
{
    // Without a camera (or a multimedia backend) the button does nothing.
    if (m_camera || QCameraInfo::availableCameras().isEmpty())
        return;

    m_viewfinder = new QCameraViewfinder(ui->lblPicture);
    m_viewfinder->setGeometry(ui->lblPicture->contentsRect());
    m_viewfinder->show();

    m_camera = new QCamera(QCameraInfo::defaultCamera(), this);
    m_camera->setViewfinder(m_viewfinder);
    m_camera->setCaptureMode(QCamera::CaptureStillImage);

    m_capture = new QCameraImageCapture(m_camera, this);
    if (m_capture->isCaptureDestinationSupported(QCameraImageCapture::CaptureToBuffer))
        m_capture->setCaptureDestination(QCameraImageCapture::CaptureToBuffer);
    // Backends deliver the still either as an image or as a buffer; the first one wins.
    connect(m_capture, &QCameraImageCapture::imageCaptured, this,
            [this](int, const QImage &image) { imageArrived(image); });
    connect(m_capture, &QCameraImageCapture::imageAvailable, this,
            [this](int, const QVideoFrame &frame) { imageArrived(frame.image()); });

    m_camera->start();

    ui->btnCamera->setEnabled(false);
    ui->btnTakePicture->setEnabled(true);
}

void PatientDialog::on_btnTakePicture_clicked()
{
    if (m_capture)
        m_capture->capture();
}

void PatientDialog::on_btnClearPicture_clicked()
{
    stopCamera();
    showPicture(QPixmap(QStringLiteral(":/res/person.png")));
}

void PatientDialog::imageArrived(const QImage &image)
{
    if (!m_capture || image.isNull())
        return;
    // The capture object is emitting this signal: take no further images and
    // destroy the camera objects once control is back in the event loop.
    disconnect(m_capture, nullptr, this, nullptr);
    showPicture(QPixmap::fromImage(squareCrop(image)));
    QMetaObject::invokeMethod(this, &PatientDialog::stopCamera, Qt::QueuedConnection);
}

void PatientDialog::stopCamera()
{
    if (!m_camera)
        return;
    m_camera->stop();
    m_camera->unload();
    delete m_capture;
    m_capture = nullptr;
    delete m_viewfinder;
    m_viewfinder = nullptr;
    delete m_camera;
    m_camera = nullptr;
    ui->btnCamera->setEnabled(true);
    ui->btnTakePicture->setEnabled(false);
}
