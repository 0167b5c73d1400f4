#include "modalanswer.h"

#include "acquisition/modulesimulator.h"
#include "monitoring/bpdialog.h"
#include "monitoring/patientfinalizeform.h"
#include "monitoring/patientmonitorform.h"
#include "monitoring/patientpreviewform.h"
#include "monitoring/sessionmanager.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/patientrecord.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <memory>

class TestPatientPanels : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void previewStartsEmpty();
    void previewValidationAndBmi();
    void previewStartChecks();
    void previewStartReplacesPanel();
    void previewStartKeyActsOnFocusedPlace();
    void absenceRecordedOnDestruction();
    void exerciseTypeLearnedOnDestruction();
    void monitorAlarmColours();
    void monitorLinkIndicatorBlinks();
    void monitorBatteryIndicatorBlinks();
    void monitorEvents();
    void monitorBloodPressure();
    void stopAndRestart();

private:
    int addPatient(const QString &last, const QString &first);
    PatientPreviewForm *addPreview();
    template<typename T> T *child(QWidget *panel, const char *name)
    {
        T *widget = panel->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }
    PatientMonitorForm *startOnSim(int patientId);

    QTemporaryDir m_settingsDir;
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<MonitorDatabase> m_db;
    std::unique_ptr<SessionManager> m_manager;
    std::unique_ptr<QWidget> m_host;
};

void TestPatientPanels::initTestCase()
{
    isolateSettings(m_settingsDir.path());
    // The simulated source replays the ECG file built beside the programs.
    QDir::setCurrent(QStringLiteral(CARDIOLANE_BIN_DIR));
    if (!QFileInfo::exists(QStringLiteral("ecg250-1.dat")))
        qWarning("ecg250-1.dat missing in %s: simulated patients stay silent", CARDIOLANE_BIN_DIR);
}

void TestPatientPanels::init()
{
    QSettings().clear();
    m_root = std::make_unique<QTemporaryDir>();
    m_db = std::make_unique<MonitorDatabase>(m_root->path());
    m_manager = std::make_unique<SessionManager>();
    m_manager->setAlarmLimits(0, 100, 120);
    m_manager->setAlarmLimits(2, 80, 90);
    m_manager->setAlarmLimits(1, 37, 38);
    m_manager->setDevicePort(QStringLiteral("NVR7"), m_root->filePath(QStringLiteral("no-such-port")));
    m_host = std::make_unique<QWidget>();
    new QVBoxLayout(m_host.get());
    m_host->resize(800, 400);
    m_host->show();
}

void TestPatientPanels::cleanup()
{
    // Panels first, then the manager (which saves its sessions), then storage.
    m_host.reset();
    m_manager.reset();
    m_db.reset();
    m_root.reset();
}

int TestPatientPanels::addPatient(const QString &last, const QString &first)
{
    PatientRecord record;
    record.lastName = last;
    record.firstName = first;
    record.birthDate = QDate(1958, 5, 17);
    record.comments = QStringLiteral("Stent 2024");
    m_db->insertPatient(record);
    return record.id;
}

PatientPreviewForm *TestPatientPanels::addPreview()
{
    auto *preview = new PatientPreviewForm(m_host.get(), m_manager.get());
    m_host->layout()->addWidget(preview);
    preview->show();
    return preview;
}

PatientMonitorForm *TestPatientPanels::startOnSim(int patientId)
{
    PatientPreviewForm *preview = addPreview();
    preview->choosePatient(patientId);
    child<QComboBox>(preview, "cboDevice")->setCurrentText(QStringLiteral("sim"));
    child<QPushButton>(preview, "btnStart")->click();
    return m_host->findChild<PatientMonitorForm *>();
}

void TestPatientPanels::previewStartsEmpty()
{
    m_manager->setDevicePort(QStringLiteral("ALPHA"), QStringLiteral("COM3"));
    PatientPreviewForm *preview = addPreview();
    QVERIFY(!child<QPushButton>(preview, "btnEdit")->isEnabled());

    // Two earlier sessions: this one is the third.
    const int id = addPatient(QStringLiteral("Doe"), QStringLiteral("Jane"));
    SessionData earlier;
    earlier.patientId = id;
    for (int number = 1; number <= 2; ++number) {
        earlier.sessionNumber = number;
        earlier.startDateTime = QDateTime::currentDateTime().addDays(-number);
        QVERIFY(m_db->startSession(earlier));
    }
    preview->choosePatient(id);
    QVERIFY(child<QPushButton>(preview, "btnEdit")->isEnabled());
    QCOMPARE(child<QLabel>(preview, "lblSessionNumber")->text(), QStringLiteral("Session #3"));

    // Devices: none, "sim", then the configured modules by name; "sim" shows a warning.
    auto *devices = child<QComboBox>(preview, "cboDevice");
    QStringList items;
    for (int i = 0; i < devices->count(); ++i)
        items << devices->itemText(i);
    QCOMPARE(items, QStringList({QString(), QStringLiteral("sim"), QStringLiteral("ALPHA"), QStringLiteral("NVR7")}));
    devices->setCurrentText(QStringLiteral("sim"));
    QVERIFY(child<QLabel>(preview, "lblSimulationWarning")->isVisible());
    devices->setCurrentText(QStringLiteral("ALPHA"));
    QVERIFY(!child<QLabel>(preview, "lblSimulationWarning")->isVisible());
}

void TestPatientPanels::previewValidationAndBmi()
{
    PatientPreviewForm *preview = addPreview();
    preview->choosePatient(addPatient(QStringLiteral("Doe"), QStringLiteral("Jane")));
    auto *weight = child<QLineEdit>(preview, "txtWeight");
    auto *height = child<QLineEdit>(preview, "txtHeight");
    auto *abdomen = child<QLineEdit>(preview, "txtAbdomen");
    auto *bmi = child<QLineEdit>(preview, "txtBMI");
    auto *start = child<QPushButton>(preview, "btnStart");

    QTest::keyClicks(weight, QStringLiteral("70"));
    QTest::keyClicks(height, QStringLiteral("175"));
    QCOMPARE(bmi->text(), QStringLiteral("22.9"));
    QVERIFY(start->isEnabled());

    weight->clear();
    QTest::keyClicks(weight, QStringLiteral("70,5"));
    QCOMPARE(weight->styleSheet(), QStringLiteral("background-color: lightyellow"));
    QVERIFY(!start->isEnabled());

    weight->setText(QStringLiteral("70.5"));
    QCOMPARE(weight->styleSheet(), QString());
    QVERIFY(start->isEnabled());
    QTest::keyClicks(abdomen, QStringLiteral("0"));
    QCOMPARE(abdomen->styleSheet(), QStringLiteral("background-color: lightyellow"));
    QVERIFY(!start->isEnabled());
    abdomen->clear();
    QVERIFY(start->isEnabled());

    height->setText(QStringLiteral("0"));
    QCOMPARE(bmi->text(), QString());
    QVERIFY(!start->isEnabled());

    // Another patient starts with empty measurements.
    preview->choosePatient(addPatient(QStringLiteral("Roe"), QStringLiteral("John")));
    QCOMPARE(height->text(), QString());
    QVERIFY(start->isEnabled());
}

void TestPatientPanels::previewStartChecks()
{
    const int jane = addPatient(QStringLiteral("Doe"), QStringLiteral("Jane"));
    const int john = addPatient(QStringLiteral("Roe"), QStringLiteral("John"));
    const int gone = addPatient(QStringLiteral("Poe"), QStringLiteral("Ann"));

    auto start = [this](PatientPreviewForm *preview, const QString &device) {
        child<QComboBox>(preview, "cboDevice")->setCurrentText(device);
        auto answer = answerMessageBox(QMessageBox::Ok);
        child<QPushButton>(preview, "btnStart")->click();
        answer->disarm();
        return answer;
    };

    PatientPreviewForm *first = addPreview();
    first->choosePatient(jane);
    auto noDeviceAnswer = start(first, QString());
    QCOMPARE(noDeviceAnswer->text, QStringLiteral("Please select a device for this patient"));
    QVERIFY(first->isVisible());

    // A module used by a patient of this window is refused for the next one.
    QVERIFY(!start(first, QStringLiteral("NVR7"))->seen);
    QVERIFY(m_manager->hasPatient(jane));
    PatientPreviewForm *second = addPreview();
    second->choosePatient(john);
    auto inUseAnswer = start(second, QStringLiteral("NVR7"));
    QCOMPARE(inUseAnswer->text, QStringLiteral("Selected device is already used in this session"));
    QVERIFY(second->isVisible());

    // One patient, one place: a patient chosen or monitored elsewhere is refused.
    for (int patient : {jane, john}) {
        auto againAnswer = answerMessageBox(QMessageBox::Ok);
        QVERIFY(!addPreview()->choosePatient(patient));
        QCOMPARE(againAnswer->text, QStringLiteral("This patient is already in another place of this monitoring window."));
    }

    PatientPreviewForm *deleted = addPreview();
    deleted->choosePatient(gone);
    child<QComboBox>(deleted, "cboDevice")->setCurrentText(QStringLiteral("sim"));
    m_db->deletePatient(gone);
    auto goneAnswer = answerMessageBox(QMessageBox::Ok);
    child<QPushButton>(deleted, "btnStart")->click();
    QCOMPARE(goneAnswer->text, QStringLiteral("Cannot get patient data"));
    QVERIFY(!m_manager->hasPatient(gone));

    start(second, QStringLiteral("sim"));
    QCOMPARE(m_manager->deviceName(john), QStringLiteral("sim"));
    QCOMPARE(m_manager->patientCount(), 2);
    QCoreApplication::processEvents();
}

void TestPatientPanels::previewStartReplacesPanel()
{
    PatientPreviewForm *preview = addPreview();
    preview->choosePatient(addPatient(QStringLiteral("Doe"), QStringLiteral("Jane")));
    child<QLineEdit>(preview, "txtWeight")->setText(QStringLiteral("70"));
    child<QLineEdit>(preview, "txtHeight")->setText(QStringLiteral("175"));
    child<QLineEdit>(preview, "txtAbdomen")->setText(QStringLiteral("96.5"));
    child<QComboBox>(preview, "cboExerciseType")->setCurrentText(QStringLiteral("Cycle"));
    child<QComboBox>(preview, "cboDevice")->setCurrentText(QStringLiteral("sim"));
    child<QPushButton>(preview, "btnStart")->click();

    auto *monitor = m_host->findChild<PatientMonitorForm *>();
    QVERIFY(monitor);
    QCOMPARE(m_host->layout()->indexOf(preview), -1);

    MonitorSession *session = monitor->session();
    QCOMPARE(session->height, 175.0);
    QCOMPARE(session->abdomen, 96.5);
    QCOMPARE(session->exerciseType, QStringLiteral("Cycle"));
    auto *events = child<QListWidget>(monitor, "listEvents");
    QCOMPARE(events->count(), 1);
    QCOMPARE(events->item(0)->text(),
             session->startDateTime.toString(QStringLiteral("HH:mm")) + QStringLiteral(" Start monitoring"));
}

void TestPatientPanels::previewStartKeyActsOnFocusedPlace()
{
    QVERIFY(QTest::qWaitForWindowActive(m_host.get()));
    PatientPreviewForm *first = addPreview();
    PatientPreviewForm *second = addPreview();
    first->choosePatient(addPatient(QStringLiteral("Doe"), QStringLiteral("Jane")));
    second->choosePatient(addPatient(QStringLiteral("Roe"), QStringLiteral("John")));
    for (PatientPreviewForm *preview : {first, second})
        child<QComboBox>(preview, "cboDevice")->setCurrentText(QStringLiteral("sim"));

    // Typing a 0 into a measurement is text, not a start.
    auto *weight = child<QLineEdit>(second, "txtWeight");
    weight->setFocus();
    QTest::keyClicks(weight, QStringLiteral("80"));
    QCOMPARE(weight->text(), QStringLiteral("80"));
    QCOMPARE(m_manager->patientCount(), 0);

    auto *device = child<QComboBox>(second, "cboDevice");
    device->setFocus();
    QTest::keyClick(device, Qt::Key_0);
    QTRY_COMPARE(m_manager->patientCount(), 1);
    QVERIFY(m_manager->hasPatient(second->sessionData().patientId));
}

void TestPatientPanels::absenceRecordedOnDestruction()
{
    const int id = addPatient(QStringLiteral("Doe"), QStringLiteral("Jane"));
    PatientPreviewForm *preview = addPreview();
    preview->choosePatient(id);
    child<QComboBox>(preview, "cboDevice")->setCurrentText(QStringLiteral("sim"));
    child<QRadioButton>(preview, "rbtAbsent")->click();
    QVERIFY(!child<QPushButton>(preview, "btnStart")->isEnabled());
    QVERIFY(m_db->listSessions(id).isEmpty());

    // Present again, or no patient chosen: nothing is recorded.
    const int john = addPatient(QStringLiteral("Roe"), QStringLiteral("John"));
    PatientPreviewForm *present = addPreview();
    present->choosePatient(john);
    child<QRadioButton>(present, "rbtAbsent")->click();
    child<QRadioButton>(present, "rbtPresent")->click();
    QVERIFY(child<QPushButton>(present, "btnStart")->isEnabled());
    delete present;
    delete addPreview();

    delete preview;
    const QList<SessionInfo> sessions = m_db->listSessions(id);
    QCOMPARE(sessions.size(), 1);
    QVERIFY(!sessions.first().presence);
    QCOMPARE(sessions.first().sessionNumber, 1);
    QVERIFY(m_db->listSessions(john).isEmpty());
}

void TestPatientPanels::exerciseTypeLearnedOnDestruction()
{
    QSettings().setValue(QStringLiteral("ExerciseTypeList"), QStringList({QStringLiteral("Cycle")}));
    PatientPreviewForm *preview = addPreview();
    child<QComboBox>(preview, "cboExerciseType")->setCurrentText(QStringLiteral("  Treadmill "));
    delete preview;

    // Entries are trimmed and not repeated; the comparison is case-sensitive.
    for (const QString &type : {QStringLiteral("Cycle"), QStringLiteral("cycle")}) {
        preview = addPreview();
        child<QComboBox>(preview, "cboExerciseType")->setCurrentText(type);
        delete preview;
    }
    QCOMPARE(QSettings().value(QStringLiteral("ExerciseTypeList")).toStringList(),
             QStringList({QStringLiteral("Cycle"), QStringLiteral("Treadmill"), QStringLiteral("cycle")}));
}

void TestPatientPanels::monitorAlarmColours()
{
    // A session outside the manager: its trends change only when the test says so.
    SessionData data;
    data.patientId = addPatient(QStringLiteral("Doe"), QStringLiteral("Jane"));
    data.sessionNumber = 1;
    data.startDateTime = QDateTime::currentDateTime();
    std::unique_ptr<MonitorSession> session = m_db->startSession(data);
    QVERIFY(session);
    auto *monitor = new PatientMonitorForm(m_host.get(), m_manager.get(), session.get());
    m_host->layout()->addWidget(monitor);
    auto *hrFrame = child<QFrame>(monitor, "hrFrame");
    auto *spo2Frame = child<QFrame>(monitor, "spo2Frame");
    auto *hrText = child<QLabel>(monitor, "txtPatientHR");

    struct Case { int hr; int spo2; QString hrStyle; QString spo2Style; };
    const QList<Case> cases = {
        {101, 89, QStringLiteral("background-color: yellow"), QStringLiteral("background-color: yellow")},
        {121, 79, QStringLiteral("background-color: red"), QStringLiteral("background-color: red")},
        {0, 0, QString(), QString()},
    };
    for (const Case &c : cases) {
        session->hrTrend.append(c.hr);
        session->spo2Trend.append(c.spo2);
        QTRY_COMPARE_WITH_TIMEOUT(hrText->text(), QString::number(c.hr), 2000);
        QTRY_COMPARE_WITH_TIMEOUT(hrFrame->styleSheet(), c.hrStyle, 2000);
        QCOMPARE(spo2Frame->styleSheet(), c.spo2Style);
    }
    delete monitor;
}

void TestPatientPanels::monitorLinkIndicatorBlinks()
{
    // The manager does not run this patient: no link, no battery reading.
    SessionData data;
    data.patientId = addPatient(QStringLiteral("Doe"), QStringLiteral("Jane"));
    data.startDateTime = QDateTime::currentDateTime();
    std::unique_ptr<MonitorSession> session = m_db->startSession(data);
    auto *monitor = new PatientMonitorForm(m_host.get(), m_manager.get(), session.get());
    m_host->layout()->addWidget(monitor);
    monitor->show();
    auto *link = child<QLabel>(monitor, "lblConnecting");
    auto *battery = child<QLabel>(monitor, "lblBattery");
    QVERIFY(!link->isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(link->isVisible(), 1500);
    QTRY_VERIFY_WITH_TIMEOUT(!link->isVisible(), 1500);
    QTRY_VERIFY_WITH_TIMEOUT(link->isVisible(), 1500);
    QVERIFY(!battery->isVisible());
    delete monitor;
}

void TestPatientPanels::monitorBatteryIndicatorBlinks()
{
#ifdef _WIN32
    QSKIP("simulated modules need pseudo-terminals");
#else
    // A module on a pseudo-terminal reporting 2.1 V in every frame.
    ModuleSimulatorOptions options;
    options.name = "NVR9";
    options.batteryVolts = 2.1;
    options.ecg.assign(250, 0);
    ModuleSimulator module(options);
    QString error;
    QVERIFY2(module.open(&error), qPrintable(error));
    module.start();
    m_manager->setDevicePort(QStringLiteral("NVR9"), module.devicePath());

    PatientPreviewForm *preview = addPreview();
    preview->choosePatient(addPatient(QStringLiteral("Doe"), QStringLiteral("Jane")));
    child<QComboBox>(preview, "cboDevice")->setCurrentText(QStringLiteral("NVR9"));
    child<QPushButton>(preview, "btnStart")->click();
    auto *monitor = m_host->findChild<PatientMonitorForm *>();
    QVERIFY(monitor);
    auto *battery = child<QLabel>(monitor, "lblBattery");
    QTRY_VERIFY_WITH_TIMEOUT(battery->isVisible(), 15000);
    QTRY_VERIFY_WITH_TIMEOUT(!battery->isVisible(), 1500);
    QTRY_VERIFY_WITH_TIMEOUT(battery->isVisible(), 1500);
    // Stopped patients read 0 V: the mark goes.
    m_manager->stopMonitoring(monitor->session()->patientId);
    QTRY_VERIFY_WITH_TIMEOUT(!battery->isVisible(), 1500);
    QTest::qWait(1100);
    QVERIFY(!battery->isVisible());
#endif
}

void TestPatientPanels::monitorEvents()
{
    PatientMonitorForm *monitor = startOnSim(addPatient(QStringLiteral("Doe"), QStringLiteral("Jane")));
    QVERIFY(monitor);
    MonitorSession *session = monitor->session();
    auto *events = child<QListWidget>(monitor, "listEvents");

    answerNextModal([](QWidget *modal) {
        auto *dialog = qobject_cast<QInputDialog *>(modal);
        dialog->setTextValue(QStringLiteral("Dizziness"));
        dialog->accept();
    });
    child<QPushButton>(monitor, "btnEvent")->click();
    QVERIFY(!session->events.last().print);
    QCOMPARE(events->item(1)->text(),
             session->startDateTime.addSecs(session->events.last().timeOffset).toString(QStringLiteral("HH:mm"))
                 + QStringLiteral(" Dizziness"));

    // An empty text, or a cancelled dialog, adds nothing.
    answerNextModal([](QWidget *modal) { qobject_cast<QInputDialog *>(modal)->accept(); });
    child<QPushButton>(monitor, "btnEvent")->click();
    answerNextModal([](QWidget *modal) {
        auto *dialog = qobject_cast<QInputDialog *>(modal);
        dialog->setTextValue(QStringLiteral("ignored"));
        dialog->reject();
    });
    child<QPushButton>(monitor, "btnEvent")->click();
    QCOMPARE(session->events.size(), 2);
    QCOMPARE(events->count(), 2);
}

void TestPatientPanels::monitorBloodPressure()
{
    PatientMonitorForm *monitor = startOnSim(addPatient(QStringLiteral("Doe"), QStringLiteral("Jane")));
    QVERIFY(monitor);
    MonitorSession *session = monitor->session();
    QTRY_VERIFY_WITH_TIMEOUT(session->recording()->sampleCount() > 0, 15000);

    auto enterReading = [](const QString &radio, const QString &sbp, const QString &dbp, bool accept,
                           QString *seenChecked) {
        answerNextModal([=](QWidget *modal) {
            auto *dialog = qobject_cast<BPDialog *>(modal);
            for (QRadioButton *r : dialog->findChildren<QRadioButton *>())
                if (r->isChecked())
                    *seenChecked = r->objectName();
            if (!radio.isEmpty())
                dialog->findChild<QRadioButton *>(radio)->click();
            dialog->findChild<QLineEdit *>(QStringLiteral("txtSBP"))->setText(sbp);
            dialog->findChild<QLineEdit *>(QStringLiteral("txtDBP"))->setText(dbp);
            auto *ok = dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok);
            if (accept && ok->isEnabled())
                ok->click();
            else
                dialog->reject();
        });
    };

    QString checked;
    enterReading(QString(), QStringLiteral("120"), QStringLiteral("80"), true, &checked);
    child<QPushButton>(monitor, "btnBP")->click();
    QCOMPARE(checked, QStringLiteral("rbtBasal"));
    const Checkpoint basal = session->checkpoint(1);
    QCOMPARE(basal.sysBP, 120);
    QCOMPARE(basal.diaBP, 80);
    QVERIFY(basal.timeOffset > 0.0);
    QVERIFY(session->events.last().print);
    auto *events = child<QListWidget>(monitor, "listEvents");
    QVERIFY(events->item(events->count() - 1)->text().endsWith(QStringLiteral(" Basal BP 120/80")));

    // Next preselection follows the last phase entered; a cancel keeps it.
    const int eventCount = session->events.size();
    enterReading(QString(), QStringLiteral("150"), QStringLiteral("85"), false, &checked);
    child<QPushButton>(monitor, "btnBP")->click();
    QCOMPARE(checked, QStringLiteral("rbtIntraExercise"));
    QCOMPARE(session->events.size(), eventCount);
    QCOMPARE(session->checkpoint(2).sysBP, 0);

    enterReading(QStringLiteral("rbtPostExercise"), QStringLiteral("130"), QStringLiteral("82"), true, &checked);
    child<QPushButton>(monitor, "btnBP")->click();
    QCOMPARE(session->checkpoint(3).sysBP, 130);
    QCOMPARE(session->events.last().description, QStringLiteral("Post-exercise BP 130/82"));

    // After post-exercise nothing is preselected.
    checked.clear();
    enterReading(QString(), QStringLiteral("130"), QStringLiteral("82"), true, &checked);
    child<QPushButton>(monitor, "btnBP")->click();
    QCOMPARE(checked, QString());
    QCOMPARE(session->events.size(), eventCount + 1);
}

void TestPatientPanels::stopAndRestart()
{
    const int id = addPatient(QStringLiteral("Doe"), QStringLiteral("Jane"));
    PatientMonitorForm *monitor = startOnSim(id);
    QVERIFY(monitor);
    MonitorSession *session = monitor->session();

    // "No" leaves the monitoring running.
    auto noAnswer = answerMessageBox(QMessageBox::No);
    child<QPushButton>(monitor, "btnStop")->click();
    QCOMPARE(noAnswer->text, QStringLiteral("Doe, Jane\n\nStop monitor session?"));
    QVERIFY(monitor->isVisible());

    QPointer<PatientMonitorForm> stopped(monitor);
    answerMessageBox(QMessageBox::Yes);
    child<QPushButton>(monitor, "btnStop")->click();
    QTRY_VERIFY(stopped.isNull());
    QCOMPARE(session->events.last().description, QStringLiteral("Stop monitoring"));
    QVERIFY(m_manager->hasPatient(id));
    QVERIFY(!m_manager->isConnected(id));

    auto *finalize = m_host->findChild<PatientFinalizeForm *>();
    QVERIFY(finalize);
    child<QSpinBox>(finalize, "numBorgRPE")->setValue(6);
    child<QPlainTextEdit>(finalize, "txtSymptoms")->setPlainText(QStringLiteral("Mild dyspnoea"));

    QPointer<PatientFinalizeForm> finalized(finalize);
    child<QPushButton>(finalize, "btnRestart")->click();
    QTRY_VERIFY(finalized.isNull());
    auto *resumed = m_host->findChild<PatientMonitorForm *>();
    QVERIFY(resumed);
    QCOMPARE(resumed->session(), session);
    const int n = session->events.size();
    QCOMPARE(session->events.at(n - 2).description, QStringLiteral("Stop monitoring"));
    QCOMPARE(session->events.at(n - 1).description, QStringLiteral("Start monitoring"));
    QCOMPARE(child<QListWidget>(resumed, "listEvents")->count(), n);

    // What was entered before the restart is still there after the next stop.
    answerMessageBox(QMessageBox::Yes);
    child<QPushButton>(resumed, "btnStop")->click();
    QTRY_VERIFY(m_host->findChild<PatientFinalizeForm *>());
    finalize = m_host->findChild<PatientFinalizeForm *>();
    QCOMPARE(child<QSpinBox>(finalize, "numBorgRPE")->value(), 6);
    QCOMPARE(child<QPlainTextEdit>(finalize, "txtSymptoms")->toPlainText(), QStringLiteral("Mild dyspnoea"));
    child<QPlainTextEdit>(finalize, "txtConclusion")->setPlainText(QStringLiteral("Good tolerance"));
    finalize->collectInputs();
    QCOMPARE(session->borgRPE, 6);
    QCOMPARE(session->conclusion, QStringLiteral("Good tolerance"));
}

QTEST_MAIN(TestPatientPanels)
#include "tst_patientpanels.moc"
