#include "monitoring/patientfinalizeform.h"
#include "ui_patientfinalizeform.h"

#include "monitoring/patientmonitorform.h"
#include "monitoring/panelhost.h"
#include "monitoring/sessionmanager.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/recordrules.h"
#include "storage/storageerror.h"

#include <QEvent>
#include <QPixmap>

PatientFinalizeForm::PatientFinalizeForm(QWidget *parent, SessionManager *manager,
                                         MonitorSession *session, BlinkClock *blinkClock)
    : QWidget(parent), ui(new Ui::PatientFinalizeForm), m_manager(manager), m_blinkClock(blinkClock), m_session(session)
{
    ui->setupUi(this);

    PatientRecord record;
    MonitorDatabase &db = m_manager->database();
    QByteArray bytes;
    bool loaded = false, hasPicture = false;
    try {
        // An index that fails now only leaves the patient's details out.
        loaded = db.loadPatient(m_session->patientId, record);
        hasPicture = loaded && db.loadPicture(m_session->patientId, bytes);
    } catch (const StorageError &) {
    }
    if (loaded) {
        ui->txtPatientName->setFullText(QStringLiteral("%1, %2").arg(record.lastName, record.firstName));
        ui->lblPatientAge->setText(RecordRules::ageText(record.birthDate, QDate::currentDate()));
        ui->lblPatientComments->setText(record.comments);
        QPixmap picture;
        if (hasPicture && picture.loadFromData(bytes))
            ui->lblPicture->setPixmap(picture);
    }
    ui->lblDevice->setText(tr("Device: %1").arg(m_manager->deviceName(m_session->patientId)));

    // After a restart the session already holds what was entered before; show
    // it again so that stopping a second time does not lose it.
    if (m_session->borgRPE >= ui->numBorgRPE->minimum() && m_session->borgRPE <= ui->numBorgRPE->maximum())
        ui->numBorgRPE->setValue(m_session->borgRPE);
    ui->txtSymptoms->setPlainText(m_session->symptoms);
    ui->txtConclusion->setPlainText(m_session->conclusion);

    // What the clinician types reaches the disk soon, not only when the
    // window closes hours later.
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(SaveDelay);
    connect(&m_saveTimer, &QTimer::timeout, this, &PatientFinalizeForm::saveNow);
    connect(ui->numBorgRPE, QOverload<int>::of(&QSpinBox::valueChanged), this, &PatientFinalizeForm::scheduleSave);
    connect(ui->txtSymptoms, &QPlainTextEdit::textChanged, this, &PatientFinalizeForm::scheduleSave);
    connect(ui->txtConclusion, &QPlainTextEdit::textChanged, this, &PatientFinalizeForm::scheduleSave);
    for (QWidget *field : {static_cast<QWidget *>(ui->numBorgRPE), static_cast<QWidget *>(ui->txtSymptoms),
                           static_cast<QWidget *>(ui->txtConclusion)})
        field->installEventFilter(this);
}

PatientFinalizeForm::~PatientFinalizeForm() = default;

bool PatientFinalizeForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut)
        saveNow();
    return QWidget::eventFilter(watched, event);
}

void PatientFinalizeForm::scheduleSave()
{
    m_edited = true;
    m_saveTimer.start();
}

void PatientFinalizeForm::saveNow()
{
    m_saveTimer.stop();
    if (!m_edited)
        return;
    m_edited = false;
    collectInputs();
    m_manager->saveSession(m_session->patientId);
}

void PatientFinalizeForm::collectInputs()
{
    m_session->borgRPE = ui->numBorgRPE->value();
    m_session->symptoms = ui->txtSymptoms->toPlainText();
    m_session->conclusion = ui->txtConclusion->toPlainText();
}

void PatientFinalizeForm::on_btnRestart_clicked()
{
    MonitorSession *resumed = m_manager->resumeMonitoring(m_session->patientId);
    if (!resumed)
        return;
    collectInputs();
    m_session = resumed;
    m_session->addEvent(tr("Start monitoring"));
    auto *monitor = new PatientMonitorForm(parentWidget(), m_manager, m_session, m_blinkClock);
    hide();
    PanelHost::replacePanel(this, monitor);
    deleteLater();
}
