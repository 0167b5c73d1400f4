#include "monitoring/sessionwindow.h"
#include "ui_sessionwindow.h"

#include "acquisition/modulediscovery.h"
#include "alarms/alarmmonitor.h"
#include "alarms/alarmsettings.h"
#include "config/configsettings.h"
#include "monitoring/blinkclock.h"
#include "monitoring/monitorrules.h"
#include "monitoring/patientfinalizeform.h"
#include "monitoring/patientpreviewform.h"
#include "monitoring/sessionalarmbar.h"
#include "monitoring/sessionmanager.h"
#include "storage/monitordatabase.h"
#include "storage/patientrecord.h"
#include "storage/sessionclock.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTime>

#include <exception>

SessionWindow::SessionWindow(MonitorDatabase &database, OpenRecords &openRecords, QWidget *parent)
    : QMainWindow(parent), ui(new Ui::SessionWindow), m_manager(new SessionManager(database, openRecords, SessionClock::system())),
      m_blinkClock(new BlinkClock)
{
    ui->setupUi(this);
    m_notices = new QLabel(this);
    m_notices->setObjectName(QStringLiteral("lblStorageNotices"));
    m_notices->setWordWrap(true);
    m_notices->setStyleSheet(QStringLiteral("color: black; background-color: yellow; padding: 2px"));
    statusBar()->addWidget(m_notices, 1);
    statusBar()->hide();
    connect(m_manager.get(), &SessionManager::storageFailed, this, &SessionWindow::showStorageFailure);
    connect(m_manager.get(), &SessionManager::storageRecovered, this, &SessionWindow::showStorageRecovered);
    loadSettings();
    m_alarmBar = new SessionAlarmBar(m_manager->alarmMonitor(),
                                     [this](int patientId) { return alarmLineName(patientId); }, this);
    setMenuWidget(m_alarmBar);

    m_grid = new QGridLayout;
    m_grid->setSpacing(0);
    m_grid->setContentsMargins(0, 0, 0, 0);
    ui->centralwidget->setLayout(m_grid);
    buildGrid();
}

SessionWindow::~SessionWindow()
{
    // What the finalize panels hold goes into the sessions before the manager
    // writes them for the last time (when the window was not closed first).
    collectFinalizeInputs();
    // Panels go first: they read the sessions and the recordings that the
    // manager owns.
    delete ui->centralwidget;
    // The alarm bar names patients through the manager: it goes first too.
    delete m_alarmBar;
    m_manager.reset();
}

void SessionWindow::collectFinalizeInputs()
{
    for (PatientFinalizeForm *form :
         ui->centralwidget->findChildren<PatientFinalizeForm *>(QString(), Qt::FindDirectChildrenOnly))
        form->collectInputs();
}

void SessionWindow::loadSettings()
{
    using namespace ConfigSettings;
    const QSettings settings;
    // The readout colours use the heart-rate limits as the alarms do,
    // corrected when out of range.
    const AlarmSettings alarms = AlarmSettings::load(settings);
    m_manager->setAlarmLimits(0, alarms.hrCaution, alarms.hrAlarm);
    m_manager->setAlarmLimits(2, value(settings, Spo2Low), value(settings, Spo2High));
    m_manager->setAlarmLimits(1, value(settings, TempLow), value(settings, TempHigh));
    m_manager->alarmMonitor()->setSettings(alarms);

    // Entries are "name=port", split at the last "="; others are skipped.
    const QStringList devices = settings.value(QLatin1String(Devices)).toStringList();
    for (const QString &entry : devices) {
        DeviceEntry device;
        if (parseDeviceEntry(entry, device))
            m_manager->setDevicePort(device.name, device.port);
    }
}

void SessionWindow::buildGrid()
{
    const int maxPatients = ConfigSettings::value(QSettings(), ConfigSettings::MaxPatients);
    double ratio = 16.0 / 9.0;
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        const QRect geometry = screen->geometry();
        if (geometry.height() > 0)
            ratio = double(geometry.width()) / double(geometry.height());
    }
    const MonitorRules::GridShape shape = MonitorRules::gridShape(maxPatients, ratio);
    for (int row = 0; row < shape.rows; ++row)
        m_grid->setRowStretch(row, 1);
    for (int column = 0; column < shape.columns; ++column)
        m_grid->setColumnStretch(column, 1);
    for (int row = 0; row < shape.rows; ++row) {
        for (int column = 0; column < shape.columns; ++column) {
            if (!m_grid->itemAtPosition(row, column))
                m_grid->addWidget(new PatientPreviewForm(this, m_manager.get(), m_blinkClock.get()), row, column);
        }
    }
}

void SessionWindow::closeEvent(QCloseEvent *event)
{
    if (m_manager->patientCount() != 0
        && QMessageBox::question(this, tr("Confirm"), tr("Stop all sessions and end monitoring?"),
                                 QMessageBox::Yes | QMessageBox::No)
               != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    finishAndSave();
    event->accept();
}

void SessionWindow::finishAndSave()
{
    collectFinalizeInputs();
    QMap<int, QString> failed = m_manager->finishMonitoring();
    for (;;) {
        // Absences not recorded yet are tried in every round; the manager
        // has no session for them and skips them.
        const QMap<int, QString> absences = recordAbsences();
        for (auto it = absences.cbegin(); it != absences.cend(); ++it)
            failed.insert(it.key(), it.value());
        if (failed.isEmpty() || !askRetrySave(failed))
            return;
        failed = m_manager->saveSessions(failed.keys());
    }
}

QMap<int, QString> SessionWindow::recordAbsences()
{
    QMap<int, QString> failed;
    for (PatientPreviewForm *place :
         ui->centralwidget->findChildren<PatientPreviewForm *>(QString(), Qt::FindDirectChildrenOnly)) {
        QString error;
        if (!place->recordAbsence(error))
            failed.insert(place->sessionData().patientId, error);
    }
    return failed;
}

bool SessionWindow::askRetrySave(const QMap<int, QString> &failed)
{
    QStringList lines;
    for (auto it = failed.cbegin(); it != failed.cend(); ++it)
        lines.append(QStringLiteral("%1: %2").arg(patientName(it.key()), it.value()));
    QMessageBox box(QMessageBox::Critical, tr("Error"),
                    tr("The sessions of these patients could not be saved:\n\n%1\n\n"
                       "Free some disk space and retry, or close anyway and lose what was not saved.")
                        .arg(lines.join(QLatin1Char('\n'))),
                    QMessageBox::Retry, this);
    QPushButton *closeAnyway = box.addButton(tr("Close anyway"), QMessageBox::DestructiveRole);
    box.setDefaultButton(QMessageBox::Retry);
    box.setEscapeButton(QMessageBox::Retry);
    box.exec();
    return box.clickedButton() != closeAnyway;
}

QString SessionWindow::patientName(int patientId) const
{
    PatientRecord record;
    try {
        if (m_manager->database().loadPatient(patientId, record))
            return record.displayName();
    } catch (const std::exception &) {
        // The id names the patient when the index cannot.
    }
    return QString::number(patientId);
}

QString SessionWindow::alarmLineName(int patientId)
{
    auto found = m_alarmNames.find(patientId);
    if (found == m_alarmNames.end())
        found = m_alarmNames.insert(patientId, patientName(patientId));
    return found.value();
}

void SessionWindow::showStorageFailure(int patientId, SessionManager::StorageFailure kind, const QString &text)
{
    const QString at = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    const QString name = patientName(patientId);
    QString line;
    switch (kind) {
    case SessionManager::StorageFailure::Recording:
        line = tr("%1 %2: the ECG recording stopped (%3). Monitoring goes on; the recording resumes when the "
                  "disk takes it again.")
                   .arg(at, name, text);
        break;
    case SessionManager::StorageFailure::Autosave:
        line = tr("%1 %2: the automatic save failed (%3). It is tried again every 30 seconds.").arg(at, name, text);
        break;
    case SessionManager::StorageFailure::Entry:
        line = tr("%1 %2: what was just entered could not be saved (%3). It is kept and saved with the next save.")
                   .arg(at, name, text);
        break;
    }
    m_noticeLines.insert(qMakePair(patientId, int(kind)), line);
    m_failedAt.insert(qMakePair(patientId, int(kind)), at);
    updateNotices();
}

void SessionWindow::showStorageRecovered(int patientId, SessionManager::StorageFailure kind)
{
    const QString at = QTime::currentTime().toString(QStringLiteral("HH:mm:ss"));
    // The clinician still needs to know the recording has a hole.
    if (kind == SessionManager::StorageFailure::Recording)
        m_noticeLines.insert(qMakePair(patientId, int(kind)),
                             tr("%1 %2: the ECG recording, stopped at %3, goes on again.")
                                 .arg(at, patientName(patientId), m_failedAt.value(qMakePair(patientId, int(kind)))));
    else
        m_noticeLines.remove(qMakePair(patientId, int(kind)));
    updateNotices();
}

void SessionWindow::updateNotices()
{
    const QStringList lines = m_noticeLines.values();
    m_notices->setText(lines.join(QLatin1Char('\n')));
    statusBar()->setVisible(!lines.isEmpty());
}
