#include "monitoring/sessionwindow.h"
#include "ui_sessionwindow.h"

#include "acquisition/modulediscovery.h"
#include "monitoring/monitorrules.h"
#include "monitoring/patientfinalizeform.h"
#include "monitoring/patientpreviewform.h"
#include "monitoring/sessionmanager.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMessageBox>
#include <QScreen>
#include <QSettings>

SessionWindow::SessionWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::SessionWindow), m_manager(new SessionManager)
{
    ui->setupUi(this);
    connect(m_manager.get(), &SessionManager::autosaveFailed, this, &SessionWindow::showSaveFailure);
    loadSettings();

    m_grid = new QGridLayout;
    m_grid->setSpacing(0);
    m_grid->setContentsMargins(0, 0, 0, 0);
    ui->centralwidget->setLayout(m_grid);
    buildGrid();
}

SessionWindow::~SessionWindow()
{
    // What the finalize panels hold goes into the sessions before the manager
    // writes them for the last time.
    for (PatientFinalizeForm *form :
         ui->centralwidget->findChildren<PatientFinalizeForm *>(QString(), Qt::FindDirectChildrenOnly))
        form->collectInputs();
    // Panels go first: they read the sessions and the recordings that the
    // manager owns.
    delete ui->centralwidget;
    m_manager.reset();
}

void SessionWindow::loadSettings()
{
    QSettings settings;
    const double hrLow = settings.value(QStringLiteral("Config/Alarms/HrLow"), 100).toInt();
    const double hrHigh = settings.value(QStringLiteral("Config/Alarms/HrHigh"), 120).toInt();
    const double spo2Low = settings.value(QStringLiteral("Config/Alarms/Spo2Low"), 80).toInt();
    const double spo2High = settings.value(QStringLiteral("Config/Alarms/Spo2High"), 90).toInt();
    const double tempLow = settings.value(QStringLiteral("Config/Alarms/TempLow"), 37.0).toDouble();
    const double tempHigh = settings.value(QStringLiteral("Config/Alarms/TempHigh"), 38.0).toDouble();
    m_manager->setAlarmLimits(0, hrLow, hrHigh);
    m_manager->setAlarmLimits(2, spo2Low, spo2High);
    m_manager->setAlarmLimits(1, tempLow, tempHigh);

    // Entries are "name=port", split at the last "="; others are skipped.
    const QStringList devices = settings.value(QStringLiteral("Config/Devices")).toStringList();
    for (const QString &entry : devices) {
        DeviceEntry device;
        if (parseDeviceEntry(entry, device))
            m_manager->setDevicePort(device.name, device.port);
    }
}

void SessionWindow::buildGrid()
{
    const int maxPatients = QSettings().value(QStringLiteral("Config/MaxPatients"), 9).toInt();
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
                m_grid->addWidget(new PatientPreviewForm(this, m_manager.get()), row, column);
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
    event->accept();
}

void SessionWindow::showSaveFailure(const QString &message)
{
    if (m_saveFailureShown)
        return;
    m_saveFailureShown = true;
    QMessageBox::warning(this, tr("Warning"), message);
}
