#include "monitoring/patientmonitorform.h"
#include "ui_patientmonitorform.h"

#include "alarms/alarmmonitor.h"
#include "dsp/tlivefilterchain.h"
#include "monitoring/alarmbanner.h"
#include "monitoring/bpdialog.h"
#include "monitoring/monitorrules.h"
#include "monitoring/panelhost.h"
#include "monitoring/patientfinalizeform.h"
#include "monitoring/sessionmanager.h"
#include "monitoring/tmhrplotvalues.h"
#include "monitoring/tmstplotvalues.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/recordrules.h"
#include "storage/storageerror.h"
#include "storage/tfilesignal.h"

#include <QInputDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPixmap>

using MonitorRules::AlarmZone;

namespace {

// Setting a style sheet restyles the frame and everything in it, even when
// the sheet is the same: only a change of alarm colour is worth that.
void setStyleIfChanged(QWidget *frame, const QString &style)
{
    if (frame->styleSheet() != style)
        frame->setStyleSheet(style);
}

} // namespace

PatientMonitorForm::PatientMonitorForm(QWidget *parent, SessionManager *manager,
                                       MonitorSession *session, BlinkClock *blinkClock)
    : QWidget(parent), ui(new Ui::PatientMonitorForm), m_manager(manager), m_blinkClock(blinkClock), m_session(session)
{
    ui->setupUi(this);
    ui->alarmBanner->setBlinkClock(blinkClock);
    ui->spo2Frame->hide();
    ui->tempFrame->hide();

    m_hrLimits = m_manager->alarmLimits(0);
    m_tempLimits = m_manager->alarmLimits(1);
    m_spo2Limits = m_manager->alarmLimits(2);

    const int patientId = m_session->patientId;
    MonitorDatabase &db = m_manager->database();
    QByteArray bytes;
    bool hasPicture = false;
    try {
        // An index that fails now only leaves the name and the picture out.
        if (db.loadPatient(patientId, m_patient))
            hasPicture = db.loadPicture(patientId, bytes);
    } catch (const StorageError &) {
    }
    ui->txtPatientName->setFullText(patientTitle());
    ui->lblPatientAge->setText(RecordRules::ageText(m_patient.birthDate, QDate::currentDate()));
    ui->lblPatientComments->setText(m_patient.comments);
    QPixmap picture;
    // Without a picture, the figure the patient dialog shows for none.
    if (!hasPicture || !picture.loadFromData(bytes))
        picture = QPixmap(QStringLiteral(":/res/person.png"));
    ui->lblPicture->setPixmap(picture);

    ui->ecgControls->setCompact(true);
    connect(ui->ecgControls, &QEcgViewControls::speedChanged, ui->ecgGraphic, &QSignalMonitorDisplay::setSpeed);
    connect(ui->ecgControls, &QEcgViewControls::amplitudeChanged, ui->ecgGraphic,
            &QSignalMonitorDisplay::setAmplitude);
    connect(ui->ecgControls, &QEcgViewControls::filtersChanged, this, &PatientMonitorForm::configureFilters);
    configureFilters();

    m_hrValues = std::make_unique<TMHRPlotValues>(&m_session->hrTrend);
    ui->hrGraphic->setValues(m_hrValues.get());
    ui->hrGraphic->setStyle(1);
    ui->hrGraphic->setTimeFormat(QStringLiteral("mm:ss"));
    ui->hrGraphic->setXRange(0, 300);
    ui->hrGraphic->setYRange(50, 200);
    ui->hrGraphic->setXLocked(false);
    // Forty pixels high: the plot takes them all; the time shows on the ECG.
    ui->hrGraphic->setXLabelsVisible(false);
    ui->hrGraphic->refresh();
    // The ST trend beside it, in millimetres.
    m_stValues = std::make_unique<TMStPlotValues>(&m_session->stTrend);
    ui->stGraphic->setValues(m_stValues.get());
    ui->stGraphic->setStyle(1);
    ui->stGraphic->setTimeFormat(QStringLiteral("mm:ss"));
    ui->stGraphic->setXRange(0, 300);
    ui->stGraphic->setYRange(-3, 3);
    ui->stGraphic->setXLocked(false);
    ui->stGraphic->setXLabelsVisible(false);
    ui->stGraphic->refresh();

    ui->lblBattery->hide();
    ui->lblConnecting->hide();
    ui->lblSimulationWarning->setVisible(m_manager->deviceName(patientId) == QLatin1String("sim"));

    for (const SessionEvent &event : m_session->events)
        appendEventLine(event.timeOffset, event.description);

    // The banner follows the alarm log: every onset, acknowledgement and end.
    AlarmMonitor *alarms = m_manager->alarmMonitor();
    connect(alarms, &AlarmMonitor::logChanged, this, [this](int id) {
        if (id == m_session->patientId)
            updateAlarmBanner();
    });
    connect(ui->alarmBanner, &AlarmBanner::clicked, this, [this, alarms] {
        alarms->acknowledge(m_session->patientId);
        updateAlarmBanner();
    });
    updateAlarmBanner();
    // Ventricular beats: the count of the last minute beside the HR, and a
    // mark above each on the sweep (the live chain counts the recording's
    // samples, as the classifier's indices do).
    connect(alarms, &AlarmMonitor::ectopyChanged, this, [this, alarms](int id) {
        if (id != m_session->patientId)
            return;
        setPvcPerMinute(alarms->pvcPerMinute(id));
        ui->ecgGraphic->setBeatMarks(alarms->recentVentricularBeats(id));
    });
    setPvcPerMinute(alarms->pvcPerMinute(m_session->patientId));
    // The ST level beside the HR, with its change from the session's reference.
    connect(alarms, &AlarmMonitor::stChanged, this, [this, alarms](int id) {
        if (id == m_session->patientId)
            setSt(alarms->stFigures(id));
    });
    setSt(alarms->stFigures(m_session->patientId));
    auto *stMenu = new QMenu(ui->btnSt);
    stMenu->addAction(tr("Set ST reference"), this, &PatientMonitorForm::setStReference);
    ui->btnSt->setMenu(stMenu);
    // "AF" beside the heart rate while the rhythm is judged atrial fibrillation.
    connect(alarms, &AlarmMonitor::rhythmChanged, this, [this, alarms](int id) {
        if (id == m_session->patientId)
            setRhythm(alarms->rhythm(id));
    });
    setRhythm(alarms->rhythm(m_session->patientId));

    connect(&m_readoutTimer, &QTimer::timeout, this, &PatientMonitorForm::updateReadouts);
    connect(&m_displayTimer, &QTimer::timeout, this, &PatientMonitorForm::updateDisplay);
    m_readoutTimer.start(ReadoutInterval);
    m_displayTimer.start(DisplayInterval);
}

PatientMonitorForm::~PatientMonitorForm()
{
    m_displayTimer.stop();
    m_readoutTimer.stop();
    // The display must not keep a pointer into the chain it outlives.
    ui->ecgGraphic->setSignal(nullptr);
    ui->hrGraphic->setValues(nullptr);
    ui->stGraphic->setValues(nullptr);
}

QString PatientMonitorForm::patientTitle() const
{
    return QStringLiteral("%1, %2").arg(m_patient.lastName, m_patient.firstName);
}

void PatientMonitorForm::configureFilters()
{
    // Detach first: the old chain's head goes away when the chain is rebuilt.
    ui->ecgGraphic->setSignal(nullptr);
    if (!m_chain) {
        m_chain = std::make_unique<TLiveFilterChain>(m_session->recording());
        m_chain->setNotchKind(QStringLiteral("50hz"));
        m_chain->setLowpassKind(QStringLiteral("25hz"));
    }
    m_chain->configure(ui->ecgControls->notch(), ui->ecgControls->lowpass(), ui->ecgControls->baseline());
    ui->ecgGraphic->setSignal(m_chain->head());
    ui->ecgGraphic->setAutoCenter(!ui->ecgControls->baseline());
}

void PatientMonitorForm::updateDisplay()
{
    m_chain->process();
    if (const TFileSignal *recording = m_session->recording()) {
        // Gaps are few and only grow at the end: the list is handed on when it did.
        const QVector<RecordingGap> &gaps = recording->gaps();
        const qint64 gapEnd = gaps.isEmpty() ? 0 : gaps.last().start + gaps.last().length;
        if (gaps.size() != m_shownGaps || gapEnd != m_shownGapEnd) {
            m_shownGaps = gaps.size();
            m_shownGapEnd = gapEnd;
            // The sweep shows the last minute at most: older gaps are not handed on.
            const qint64 shown = recording->frameCount() - 60 * qint64(recording->rate());
            QVector<QPair<qint64, qint64>> recent;
            for (int i = gaps.size() - 1; i >= 0 && gaps[i].start + gaps[i].length > shown; --i)
                recent.prepend({gaps[i].start, gaps[i].length});
            ui->ecgGraphic->setMissing(recent);
        }
    }
    ui->ecgGraphic->refresh();
}

void PatientMonitorForm::updateReadouts()
{
    // A rate counted from noise is no rate: the readout says so instead.
    const AlarmMonitor *alarms = m_manager->alarmMonitor();
    const bool measurable = !alarms || !alarms->ecgTooNoisy(m_session->patientId);
    const int hr = measurable ? m_session->lastHeartRate() : 0;
    const int spo2 = m_session->lastSpo2();
    const double temperature = m_session->lastTemperature();

    setStyleIfChanged(ui->hrFrame, MonitorRules::alarmStyle(
        MonitorRules::risingAlarmZone(hr, m_hrLimits.first, m_hrLimits.second)));
    setStyleIfChanged(ui->tempFrame, MonitorRules::alarmStyle(
        MonitorRules::risingAlarmZone(temperature, m_tempLimits.first, m_tempLimits.second)));
    setStyleIfChanged(ui->spo2Frame, MonitorRules::alarmStyle(
        MonitorRules::fallingAlarmZone(spo2, m_spo2Limits.first, m_spo2Limits.second)));

    ui->txtPatientHR->setText(measurable ? QString::number(hr) : QStringLiteral("---"));
    ui->txtPatientHR->setToolTip(measurable ? QString() : tr("Not measurable: the ECG is too noisy"));
    ui->txtPatientSpo2->setText(QString::number(spo2));
    ui->txtPatientTemp->setText(QString::number(temperature, 'f', 1));

    ui->hrGraphic->refresh();
    ui->stGraphic->refresh();

    const int patientId = m_session->patientId;
    if (isBatteryLow(m_manager->batteryVoltage(patientId))) {
        ui->lblBattery->move(MonitorRules::batteryMarkPosition(
            ui->ecgGraphic->width(), ui->lblBattery->width(), ui->lblBattery->y()));
        ui->lblBattery->setVisible(!ui->lblBattery->isVisible());
    } else {
        ui->lblBattery->hide();
    }

    if (!m_manager->isConnected(patientId)) {
        ui->lblConnecting->move(
            MonitorRules::linkMarkPosition(ui->ecgGraphic->size(), ui->lblConnecting->size()));
        ui->lblConnecting->setVisible(!ui->lblConnecting->isVisible());
    } else {
        ui->lblConnecting->hide();
    }
}

void PatientMonitorForm::setRhythm(RhythmLabel rhythm)
{
    ui->lblRhythm->setVisible(rhythm == RhythmLabel::AtrialFibrillation);
}

void PatientMonitorForm::setPvcPerMinute(int count)
{
    ui->txtPatientPvc->setText(count < 0 ? QStringLiteral("--") : QString::number(count));
}

void PatientMonitorForm::setSt(const StFigures &st)
{
    ui->txtPatientSt->setText(st.measured ? MonitorRules::stMillimetres(st.levelUv) : QStringLiteral("--"));
    ui->txtPatientStChange->setText(st.measured && st.hasReference
                                        ? tr("change %1").arg(MonitorRules::stMillimetres(st.changeUv))
                                        : QString());
    ui->stFrame->setToolTip(st.hasReference ? tr("ST level at 10 mm/mV and its change from the session's reference")
                                            : tr("ST level at 10 mm/mV; the reference is taken over the first minute"));
}

void PatientMonitorForm::setStReference()
{
    AlarmMonitor *alarms = m_manager->alarmMonitor();
    if (!alarms->setStReference(m_session->patientId)) {
        QMessageBox::information(this, patientTitle(),
                                 tr("Too few beats were measured in the last minute to take an ST reference."));
        return;
    }
    const StFigures st = alarms->stFigures(m_session->patientId);
    const QString text = tr("ST reference set: ST %1 mm").arg(MonitorRules::stMillimetres(st.levelUv));
    m_session->addEvent(text);
    appendEventLine(m_session->events.constLast().timeOffset, text);
}

void PatientMonitorForm::updateAlarmBanner()
{
    const AlarmEngine *engine = m_manager->alarmMonitor()->engine(m_session->patientId);
    AlarmCondition condition;
    if (!engine || !engine->shownAlarm(condition)) {
        ui->alarmBanner->setAlarm(AlarmPriority::None, QString(), false);
        return;
    }
    ui->alarmBanner->setAlarm(alarmConditionRow(condition).priority, engine->onsetText(condition),
                              engine->tracker(condition).isAcknowledged());
}

void PatientMonitorForm::appendEventLine(int timeOffset, const QString &description)
{
    ui->listEvents->addItem(RecordRules::eventLine(m_session->startDateTime, timeOffset, description));
    ui->listEvents->scrollToBottom();
}

void PatientMonitorForm::on_btnEvent_clicked()
{
    const QString text = QInputDialog::getText(this, patientTitle(), tr("Event"));
    if (text.isEmpty())
        return;
    m_session->addEvent(text);
    appendEventLine(m_session->events.last().timeOffset, text);
    m_manager->saveSession(m_session->patientId);
}

void PatientMonitorForm::on_btnBP_clicked()
{
    TSignal *recording = m_session->recording();
    const double t = recording && recording->rate() > 0
                         ? double(recording->sampleCount()) / recording->rate()
                         : 0.0;
    BPDialog dialog(this, patientTitle(), m_lastBPKind + 1);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_lastBPKind = dialog.kind();
    Checkpoint checkpoint;
    checkpoint.timeOffset = t;
    checkpoint.heartRate = m_session->lastHeartRate();
    checkpoint.sysBP = dialog.systolic();
    checkpoint.diaBP = dialog.diastolic();
    m_session->setCheckpoint(m_lastBPKind, checkpoint);

    QString kindLabel;
    switch (m_lastBPKind) {
    case 1:
        kindLabel = tr("Basal");
        break;
    case 2:
        kindLabel = tr("Intra-exercise");
        break;
    case 3:
        kindLabel = tr("Post-exercise");
        break;
    default:
        break;
    }
    const QString text = tr("%1 BP %2/%3").arg(kindLabel).arg(dialog.systolic()).arg(dialog.diastolic());
    m_session->addEvent(text);
    m_session->events.last().print = true;
    appendEventLine(m_session->events.last().timeOffset, text);
    m_manager->saveSession(m_session->patientId);
}

void PatientMonitorForm::on_btnStop_clicked()
{
    const QMessageBox::StandardButton answer = QMessageBox::question(
        this, tr("Confirm"),
        tr("%1, %2\n\nStop monitor session?").arg(m_patient.lastName, m_patient.firstName),
        QMessageBox::Yes | QMessageBox::No);
    if (answer != QMessageBox::Yes)
        return;

    m_displayTimer.stop();
    m_readoutTimer.stop();
    ui->ecgGraphic->setSignal(nullptr);
    m_chain.reset();
    m_session->addEvent(tr("Stop monitoring"));
    m_manager->stopMonitoring(m_session->patientId);

    auto *finalize = new PatientFinalizeForm(parentWidget(), m_manager, m_session, m_blinkClock);
    hide();
    PanelHost::replacePanel(this, finalize);
    deleteLater();
}
