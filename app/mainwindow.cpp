#include "app/mainwindow.h"
#include "app/stationapplication.h"
#include "ui_mainwindow.h"

#include "alarms/alarmsettings.h"
#include "config/configdialog.h"
#include "monitoring/sessionwindow.h"
#include "patients/patientselectdialog.h"
#include "patients/waitcursor.h"
#include "reports/reportjob.h"
#include "review/reviewwindow.h"
#include "storage/errortext.h"
#include "storage/monitordatabase.h"

#include <QCloseEvent>
#include <QDir>
#include <QMessageBox>
#include <QProgressDialog>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>

MainWindow::MainWindow(QWidget *parent)
    : QMainWindow(parent), ui(new Ui::MainWindow)
{
    ui->setupUi(this);
    const QString label = QCoreApplication::applicationName().replace(QLatin1String("Cardiolane"),
                                                                      QLatin1String("TAVO"));
    setWindowTitle(QStringLiteral("%1 %2").arg(QCoreApplication::organizationName(), label));
    ui->lblVersion->setText(QStringLiteral("v %1").arg(QCoreApplication::applicationVersion()));

    // The database may take a while to open; the window is painted first.
    QTimer::singleShot(10, this, &MainWindow::initialize);
}

MainWindow::~MainWindow()
{
    // The other windows use the database and the open records: they go first.
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (window != this && (qobject_cast<SessionWindow *>(window) || qobject_cast<ReviewWindow *>(window)))
            delete window;
    }
}

void MainWindow::initialize()
{
    setEnabled(false);
    QProgressDialog progress(tr("Please wait..."), QString(), 0, 1, this);
    progress.setCancelButton(nullptr);
    progress.setMinimumDuration(0);
    progress.show();
    QCoreApplication::processEvents();
    {
        WaitCursor wait;
        m_database = std::make_unique<MonitorDatabase>(
            MonitorDatabase::defaultRoot(QStringLiteral("NorvaneMonitor")));
    }
    if (auto *station = qobject_cast<StationApplication *>(QCoreApplication::instance()))
        station->setStarted();
    progress.hide();
    setEnabled(true);
    // Said once: the next start finds the rebuilt index usable.
    QStringList repairs;
    if (!m_database->setAsideIndexPath().isEmpty())
        repairs << tr("The patient index could not be read. It was set aside as\n%1\n"
                      "and rebuilt from the session files.")
                       .arg(QDir::toNativeSeparators(m_database->setAsideIndexPath()));
    repairs << m_database->repairNotes();
    if (!repairs.isEmpty())
        QMessageBox::information(this, tr("Information"), repairs.join(QStringLiteral("\n\n")));
    showCorrectedAlarmSettings();
}

void MainWindow::showCorrectedAlarmSettings()
{
    // Monitoring uses the corrected values; the line says which stored ones
    // it does not use, until they are saved again from the configuration.
    QStringList corrected;
    AlarmSettings::load(QSettings(), &corrected);
    if (corrected.isEmpty())
        return;
    statusBar()->showMessage(tr("Alarm settings corrected: %1").arg(corrected.join(QLatin1Char(' '))));
    statusBar()->setToolTip(corrected.join(QLatin1Char('\n')));
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    if (ReportJob::anyRunning()
        && QMessageBox::question(this, tr("Confirm"), tr("A report is being made. Stop it and close the station?"))
               != QMessageBox::Yes) {
        event->ignore();
        return;
    }
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        // A monitoring window whose user answers "No" to stopping stays,
        // and so does the start window.
        if (window != this && window->isVisible() && !window->close()) {
            event->ignore();
            return;
        }
    }
    event->accept();
}

void MainWindow::on_btnStartSession_clicked()
{
    // Nothing opens before the database does.
    if (!m_database)
        return;
    // One monitoring window at a time: the start window ignores input until
    // the monitoring window is gone.
    auto *session = new SessionWindow(*m_database, m_openRecords);
    session->setAttribute(Qt::WA_DeleteOnClose);
    connect(session, &QObject::destroyed, this, [this]() { setEnabled(true); });
    session->showMaximized();
    setEnabled(false);
}

void MainWindow::on_btnOpen_clicked()
{
    if (!m_database)
        return;
    PatientSelectDialog dialog(this, *m_database, m_openRecords);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedPatientId() <= 0)
        return;
    openReview(dialog.selectedPatientId());
}

void MainWindow::openReview(int patientId)
{
    if (m_openRecords.isReviewed(patientId)) {
        QMessageBox::information(this, QString(), tr("Patient is already open for review"));
        return;
    }
    // The review shows and saves the patient's own fields: without the
    // record as stored, it does not open at all.
    PatientRecord patient;
    QString error;
    try {
        if (!m_database->loadPatient(patientId, patient))
            error = tr("Cannot get patient data");
    } catch (const std::exception &failure) {
        error = errorText(failure);
    }
    if (!error.isEmpty()) {
        QMessageBox::critical(this, tr("Error"), error);
        return;
    }
    // Review windows are independent of the start window, which stays usable.
    auto *review = new ReviewWindow(*m_database, m_openRecords, patient);
    review->setAttribute(Qt::WA_DeleteOnClose);
    review->showMaximized();
}

void MainWindow::on_btnConfig_clicked()
{
    ConfigDialog dialog(this);
    dialog.exec();
}

void MainWindow::on_btnExit_clicked()
{
    close();
}
