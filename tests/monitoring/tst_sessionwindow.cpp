// The monitoring window end to end: its settings, the checks before a start,
// one patient's whole session from choosing to the files on disk, and what
// closing the window records. Monitoring never loses what was recorded or
// entered: a disk that fills up (for real, through a file-size limit on this
// process) keeps every sample that reached it while monitoring goes on, and
// what the clinician enters reaches the study file at once.

#include "../common/findwidget.h"
#include "../common/messageboxanswerer.h"
#include "../common/teststorage.h"

#include "alarms/alarmmonitor.h"
#include "monitoring/alarmbanner.h"
#include "monitoring/blinkclock.h"
#include "monitoring/patientfinalizeform.h"
#include "monitoring/patientmonitorform.h"
#include "monitoring/patientpreviewform.h"
#include "monitoring/sessionmanager.h"
#include "monitoring/sessionwindow.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/sessionclock.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFrame>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QToolButton>
#include <QRegularExpression>
#include <QTranslator>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QtEndian>
#include <QtTest>

#include "display/qecgviewcontrols.h"
#include "display/qelidedlabel.h"

#include <csignal>
#include <sys/resource.h>

namespace {


QList<PatientPreviewForm *> places(SessionWindow &window)
{
    return window.centralWidget()->findChildren<PatientPreviewForm *>(QString(), Qt::FindDirectChildrenOnly);
}

template<typename T>
T *panel(SessionWindow &window)
{
    for (T *found : window.centralWidget()->findChildren<T *>(QString(), Qt::FindDirectChildrenOnly))
        if (found->isVisible())
            return found;
    return nullptr;
}

// Answers the blood-pressure dialog with a reading; remembers the phase it offered.
void enterBloodPressure(const QString &systolic, const QString &diastolic, QString *offered)
{
    answerNextModal([=](QWidget *dialog) {
        for (QRadioButton *r : dialog->findChildren<QRadioButton *>())
            if (r->isChecked())
                *offered = r->objectName();
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("txtSBP")), systolic);
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("txtDBP")), diastolic);
        dialog->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
}

// The alarm limits the window gave its manager: HR, temperature, SpO2.
QVector<double> limits(SessionWindow &window)
{
    QVector<double> all;
    for (int index : {0, 1, 2})
        all << window.manager()->alarmLimits(index).first << window.manager()->alarmLimits(index).second;
    return all;
}

void stopWith(QMessageBox::StandardButton answer, PatientMonitorForm *monitor)
{
    MessageBoxAnswerer answerer(answer);
    child<QPushButton>(monitor, "btnStop")->click();
}

} // namespace


class TestSessionWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;
    std::unique_ptr<TestStorage> m_storage;

    // The next session of a new patient, monitored on the simulated source.
    MonitorSession *startOnSim(SessionManager &manager)
    {
        SessionData data;
        data.patientId = m_storage->addPatient(QStringLiteral("Doe"));
        data.sessionNumber = 1;
        data.startDateTime = QDateTime::currentDateTime();
        return manager.startMonitoring(data, QStringLiteral("sim"));
    }

private slots:
    void initTestCase()
    {
        isolateSettings(m_settings.path());
        // The simulated source replays the ECG file built beside the programs.
        QDir::setCurrent(QStringLiteral(CARDIOLANE_BIN_DIR));
        // Past a file-size limit a write fails with EFBIG instead of ending the process.
        std::signal(SIGXFSZ, SIG_IGN);
    }

    void init()
    {
        QSettings().clear();
        m_storage = std::make_unique<TestStorage>();
    }

    void cleanup() { m_storage.reset(); }

    void settingsShapeTheWindow()
    {
        {
            SessionWindow defaults(*m_storage->database, m_storage->records);
            QVERIFY(places(defaults).size() == 9);
            QVERIFY(limits(defaults) == (QVector<double>{100, 120, 37, 38, 80, 90}));
            // Nobody monitored: it closes without a question.
            MessageBoxAnswerer answerer(QMessageBox::No);
            QVERIFY(defaults.close());
            QVERIFY(answerer.texts.isEmpty());
        }
        QSettings settings;
        const char *keys[] = {"HrLow", "HrHigh", "TempLow", "TempHigh", "Spo2Low", "Spo2High"};
        const QVector<double> configured = {90, 130, 36.5, 37.5, 85, 95};
        for (int i = 0; i < 6; ++i)
            settings.setValue(QStringLiteral("Config/Alarms/") + keys[i], configured[i]);
        settings.setValue(QStringLiteral("Config/MaxPatients"), 4);
        settings.setValue(QStringLiteral("Config/Devices"),
                          QStringList{"NVR2=/dev/rfcomm2", "A=B=COM9", "no separator", "=COM3", "NVR1=COM4"});
        SessionWindow window(*m_storage->database, m_storage->records);
        QCOMPARE(places(window).size(), 4);
        QCOMPARE(limits(window), configured);
        QCOMPARE(window.manager()->deviceNames(), (QStringList{"A=B", "NVR1", "NVR2"}));
        settings.setValue(QStringLiteral("Config/MaxPatients"), QStringLiteral("many"));
        QCOMPARE(places(*std::make_unique<SessionWindow>(*m_storage->database, m_storage->records)).size(), 9);
    }

    void ninePatientsFitASmallScreen_data()
    {
        QTest::addColumn<QSize>("screen");
        QTest::addColumn<QString>("language");
        QTest::newRow("1366x768") << QSize(1366, 768) << "en";
        QTest::newRow("1366x768 Spanish") << QSize(1366, 768) << "es";
    }

    // Nine monitored patients on a small screen: the window is no wider than
    // the screen, so the audio-pause control stays on it; every control's
    // text is whole and the trends have room; a long name ends in "…" and is
    // whole in its tooltip.
    void ninePatientsFitASmallScreen()
    {
        QFETCH(QSize, screen);
        QFETCH(QString, language);
        QTranslator translator;
        if (language == "es") {
            QVERIFY(translator.load(QStringLiteral("NorvaneCardiolane_es"), QStringLiteral(CARDIOLANE_BIN_DIR)));
            QCoreApplication::installTranslator(&translator);
        }
        // In the station's own style, whose paddings decide the widths.
        QFile style(QStringLiteral(":/styles/dark.css"));
        QVERIFY(style.open(QIODevice::ReadOnly));
        qApp->setStyleSheet(QString::fromUtf8(style.readAll()));
        const auto restore = qScopeGuard([&translator] {
            QCoreApplication::removeTranslator(&translator);
            qApp->setStyleSheet(QString());
        });
        QSettings().setValue(QStringLiteral("Config/MaxPatients"), 9);
        SessionWindow window(*m_storage->database, m_storage->records);
        window.resize(screen);
        window.show();
        const QString longName = QStringLiteral("Fernández de la Cruz Villanueva");
        for (int i = 0; i < 9; ++i) {
            PatientPreviewForm *place = places(window).at(i);
            place->choosePatient(m_storage->addPatient(i == 4 ? longName : QStringLiteral("P%1").arg(i)));
            place->findChild<QComboBox *>(QStringLiteral("cboDevice"))->setCurrentText(QStringLiteral("sim"));
        }
        // Chosen but not started, each place fits too.
        QCoreApplication::processEvents();
        QCOMPARE(window.size(), screen);
        for (PatientPreviewForm *place : places(window))
            place->findChild<QPushButton *>(QStringLiteral("btnStart"))->click();
        QTRY_COMPARE(window.centralWidget()->findChildren<PatientMonitorForm *>().size(), 9);
        QCoreApplication::processEvents();

        QVERIFY2(window.minimumSizeHint().width() <= screen.width(), qPrintable(QString::number(window.minimumSizeHint().width())));
        QVERIFY2(window.minimumSizeHint().height() <= screen.height(), qPrintable(QString::number(window.minimumSizeHint().height())));
        QCOMPARE(window.size(), screen);
        auto *pause = child<QPushButton>(&window, "btnAudioPaused");
        QVERIFY(pause->isVisible());
        QVERIFY(pause->mapTo(&window, QPoint(pause->width(), 0)).x() <= window.width());

        QStringList cut;
        for (PatientMonitorForm *monitor : window.centralWidget()->findChildren<PatientMonitorForm *>()) {
            // Five minutes of trend need room to be read.
            for (const char *trend : {"hrGraphic", "stGraphic"})
                QVERIFY2(child<QWidget>(monitor, trend)->width() >= 90, trend);
            for (QAbstractButton *button : monitor->findChildren<QAbstractButton *>())
                if (button->isVisible() && !button->text().isEmpty() && button->width() < button->minimumSizeHint().width())
                    cut << button->text();
            for (QLabel *label : monitor->findChildren<QLabel *>())
                if (label->isVisible() && !label->wordWrap() && label->textFormat() != Qt::RichText
                    && !label->text().isEmpty() && !qobject_cast<QElidedLabel *>(label)
                    && label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width())
                    cut << label->text();
        }
        QVERIFY2(cut.isEmpty(), qPrintable(cut.join(" | ")));

        QElidedLabel *name = nullptr;
        for (QElidedLabel *label : window.centralWidget()->findChildren<QElidedLabel *>(QStringLiteral("txtPatientName")))
            if (label->fullText().startsWith(QStringLiteral("Fernández")))
                name = label;
        QVERIFY(name);
        QVERIFY(name->text().endsWith(QChar(0x2026)));
        QVERIFY(name->text().size() > 3);
        QVERIFY(name->toolTip().contains(longName));

        // The one view button offers the speeds, amplitudes and filters.
        auto *controls = window.centralWidget()->findChildren<QEcgViewControls *>().first();
        auto *view = child<QPushButton>(controls, "btnViewMenu");
        const auto choose = [view](const char *button) {
            for (QAction *action : view->menu()->actions())
                if (QObject *target = action->data().value<QObject *>(); target && target->objectName() == button)
                    action->trigger();
        };
        choose("btnSpeed50");
        choose("btnAmp5");
        choose("btnFilterNotch");
        QCOMPARE(controls->speed(), 50.0);
        QCOMPARE(controls->amplitude(), 5.0);
        QVERIFY(!controls->notch());
        QVERIFY(controls->lowpass());
        QCOMPARE(view->text().remove(QLatin1Char(' ')), QStringLiteral("50mm/s5mm/mV"));
        choose("btnSpeed50"); // chosen again: stays
        QCOMPARE(controls->speed(), 50.0);

        MessageBoxAnswerer yes(QMessageBox::Yes);
        QVERIFY(window.close());
    }

    void startChecksAndWhatClosingRecords()
    {
        const int jane = m_storage->addPatient(QStringLiteral("Doe")), john = m_storage->addPatient(QStringLiteral("Roe"));
        const int gone = m_storage->addPatient(QStringLiteral("Poe")), absent = m_storage->addPatient(QStringLiteral("Absent"));
        QSettings().setValue(QStringLiteral("Config/Devices"), QStringList{"NVR7=" + m_storage->root() + "/no-port"});
        QSettings().setValue(QStringLiteral("Config/MaxPatients"), 6);
        auto window = std::make_unique<SessionWindow>(*m_storage->database, m_storage->records);
        window->show();
        const QList<PatientPreviewForm *> place = places(*window);
        auto start = [&place](int at, int patient, const QString &device) {
            MessageBoxAnswerer answerer(QMessageBox::Ok);
            if (place[at]->choosePatient(patient)) {
                child<QComboBox>(place[at], "cboDevice")->setCurrentText(device);
                child<QPushButton>(place[at], "btnStart")->click();
            }
            return answerer.texts.value(0);
        };
        QCOMPARE(start(0, jane, QString()), QStringLiteral("Please select a device for this patient"));
        QCOMPARE(start(0, jane, QStringLiteral("NVR7")), QString());
        QCOMPARE(start(1, john, QStringLiteral("NVR7")), QStringLiteral("Selected device is already used in this session"));
        // One patient, one place.
        QCOMPARE(start(2, jane, QStringLiteral("sim")),
                 QStringLiteral("This patient is already in another place of this monitoring window."));
        m_storage->database->deletePatient(gone);
        QCOMPARE(start(3, gone, QStringLiteral("sim")), QStringLiteral("Cannot get patient data"));
        QVERIFY(start(1, john, QStringLiteral("sim")).isNull());
        QVERIFY(window->manager()->patientCount() == 2);

        // Absent: no start, and a session of its own when the window closes.
        place[4]->choosePatient(absent);
        child<QRadioButton>(place[4], "rbtAbsent")->click();
        QVERIFY(!child<QPushButton>(place[4], "btnStart")->isEnabled());
        {
            MessageBoxAnswerer no(QMessageBox::No);
            QVERIFY(!window->close());
            QCOMPARE(no.texts, QStringList{"Stop all sessions and end monitoring?"});
        }
        MessageBoxAnswerer yes(QMessageBox::Yes);
        QVERIFY(window->close());
        window.reset();
        const QList<SessionInfo> absence = m_storage->database->listSessions(absent);
        QVERIFY(absence.size() == 1);
        QVERIFY(!absence.first().presence);
        QVERIFY(m_storage->database->listSessions(john).size() == 1);
        QVERIFY(m_storage->database->listSessions(gone).isEmpty());
    }

    void wholeSessionFromChoiceToDisk()
    {
        if (!QFileInfo::exists(QStringLiteral("ecg250-1.dat")))
            QSKIP("the replay file ecg250-1.dat is not built");
        const int id = m_storage->addPatient(QStringLiteral("Doe"), QStringLiteral("Jane"));
        m_storage->addPatient(QStringLiteral("Roe"), QStringLiteral("John"));
        QSettings().setValue(QStringLiteral("Config/MaxPatients"), 4);
        // Any temperature the simulated source reports is above these limits.
        QSettings().setValue(QStringLiteral("Config/Alarms/TempLow"), 30);
        QSettings().setValue(QStringLiteral("Config/Alarms/TempHigh"), 31);
        auto window = std::make_unique<SessionWindow>(*m_storage->database, m_storage->records);
        window->show();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        PatientPreviewForm *preview = places(*window).first();

        answerNextModal([](QWidget *dialog) {
            auto *tree = dialog->findChild<QTreeWidget *>(QStringLiteral("treePatients"));
            QTRY_COMPARE(tree->topLevelItemCount(), 2);
            tree->setCurrentItem(tree->findItems(QStringLiteral("Doe"), Qt::MatchStartsWith, 1).value(0));
            qobject_cast<QDialog *>(dialog)->accept();
        });
        child<QPushButton>(preview, "btnSelect")->click();
        QCOMPARE(preview->sessionData().patientId, id);
        child<QComboBox>(preview, "cboExerciseType")->setCurrentText(QStringLiteral("Treadmill"));
        // A 0 typed into a measurement is text; on the device list it starts.
        QTest::keyClicks(child<QLineEdit>(preview, "txtWeight"), QStringLiteral("70"));
        QTest::keyClicks(child<QLineEdit>(preview, "txtHeight"), QStringLiteral("175"));
        QTest::keyClicks(child<QLineEdit>(preview, "txtAbdomen"), QStringLiteral("92"));
        QVERIFY(child<QLineEdit>(preview, "txtBMI")->text() == "22.9");
        QVERIFY(window->manager()->patientCount() == 0);
        auto *device = child<QComboBox>(preview, "cboDevice");
        device->setCurrentText(QStringLiteral("sim"));
        window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(window.get()));
        device->setFocus();
        QTest::keyClick(device, Qt::Key_0);
        QTRY_VERIFY(panel<PatientMonitorForm>(*window));
        PatientMonitorForm *monitor = panel<PatientMonitorForm>(*window);
        MonitorSession *session = monitor->session();
        // The link mark shows until the source is connected; then the readouts follow.
        QTRY_VERIFY(child<QLabel>(monitor, "lblConnecting")->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(session->recording()->sampleCount() > 250, 15000);
        QTRY_COMPARE(child<QFrame>(monitor, "tempFrame")->styleSheet(), QStringLiteral("background-color: red"));

        answerNextModal([](QWidget *dialog) {
            qobject_cast<QInputDialog *>(dialog)->setTextValue(QStringLiteral("Chest tightness"));
            qobject_cast<QInputDialog *>(dialog)->accept();
        });
        child<QPushButton>(monitor, "btnEvent")->click();
        // The dialog offers the phase after the last one entered.
        QString offered;
        enterBloodPressure(QStringLiteral("135"), QStringLiteral("85"), &offered);
        child<QPushButton>(monitor, "btnBP")->click();
        QCOMPARE(offered, QStringLiteral("rbtBasal"));
        enterBloodPressure(QStringLiteral("160"), QStringLiteral("90"), &offered);
        child<QPushButton>(monitor, "btnBP")->click();
        QCOMPARE(offered, QStringLiteral("rbtIntraExercise"));
        QCOMPARE(child<QListWidget>(monitor, "listEvents")->count(), 4);

        stopWith(QMessageBox::No, monitor);
        QVERIFY(monitor->isVisible());
        stopWith(QMessageBox::Yes, monitor);
        QTRY_VERIFY(panel<PatientFinalizeForm>(*window));
        child<QSpinBox>(panel<PatientFinalizeForm>(*window), "numBorgRPE")->setValue(7);
        child<QPlainTextEdit>(panel<PatientFinalizeForm>(*window), "txtSymptoms")->setPlainText(QStringLiteral("Dyspnoea"));
        // A restart goes on with the same session; what was entered survives the next stop.
        child<QPushButton>(panel<PatientFinalizeForm>(*window), "btnRestart")->click();
        QTRY_VERIFY(panel<PatientMonitorForm>(*window));
        QVERIFY(panel<PatientMonitorForm>(*window)->session() == session);
        QVERIFY(child<QListWidget>(panel<PatientMonitorForm>(*window), "listEvents")->count() == 6);
        stopWith(QMessageBox::Yes, panel<PatientMonitorForm>(*window));
        QTRY_VERIFY(panel<PatientFinalizeForm>(*window));
        PatientFinalizeForm *finalize = panel<PatientFinalizeForm>(*window);
        QVERIFY(child<QSpinBox>(finalize, "numBorgRPE")->value() == 7);
        QVERIFY(child<QPlainTextEdit>(finalize, "txtSymptoms")->toPlainText() == "Dyspnoea");
        child<QPlainTextEdit>(finalize, "txtConclusion")->setPlainText(QStringLiteral("Continue the program"));
        const int recorded = session->recording()->sampleCount();
        const QDateTime started = session->startDateTime;
        {
            MessageBoxAnswerer yes(QMessageBox::Yes);
            QVERIFY(window->close());
        }
        window.reset();

        // Everything is on disk: open storage afresh and read it back.
        m_storage->reopen();
        std::unique_ptr<MonitorSession> stored = m_storage->database->openSession(id, 1);
        QVERIFY(stored);
        QVERIFY(stored->presence);
        QCOMPARE(QVector<double>({stored->weight, stored->height, stored->abdomen, double(stored->borgRPE)}),
                 QVector<double>({70, 175, 92, 7}));
        QCOMPARE(QStringList({stored->exerciseType, stored->symptoms, stored->conclusion}),
                 QStringList({"Treadmill", "Dyspnoea", "Continue the program"}));
        QCOMPARE(stored->startDateTime.toSecsSinceEpoch(), started.toSecsSinceEpoch());
        QStringList events;
        for (const SessionEvent &event : stored->events)
            events << event.description + (event.print ? "*" : "");
        QCOMPARE(events, (QStringList{"Start monitoring", "Chest tightness", "Basal BP 135/85*",
                                      "Intra-exercise BP 160/90*", "Stop monitoring", "Start monitoring",
                                      "Stop monitoring"}));
        QVERIFY(stored->checkpoint(PhaseBasal).sysBP == 135);
        QVERIFY(stored->checkpoint(PhaseIntraExercise).diaBP == 90);
        QVERIFY(stored->checkpoint(PhaseBasal).timeOffset > 1.0);
        QVERIFY(stored->hrTrend.size() >= 2);
        QVERIFY(stored->hrTrend.size() == stored->spo2Trend.size());
        QCOMPARE(stored->recording()->sampleCount(), recorded);
    }

    void fullDiskIsToldWithoutABoxAndRecordingResumes()
    {
        SessionWindow window(*m_storage->database, m_storage->records);
        window.show();
        SessionManager &manager = *window.manager();
        QSignalSpy stopped(&manager, &SessionManager::recordingStopped);
        QSignalSpy resumed(&manager, &SessionManager::recordingResumed);
        // Two patients of the same name started in the same second.
        const QList<MonitorSession *> sessions = {startOnSim(manager), startOnSim(manager)};
        QVERIFY(sessions.first());
        QVERIFY(sessions.last());
        QVERIFY(sessions.first()->recording()->path() != sessions.last()->recording()->path());
        for (MonitorSession *session : sessions)
            QTRY_VERIFY_WITH_TIMEOUT(session->recording()->sampleCount() > 300, 10000);

        // The disk "fills" half a frame beyond what the longer recording holds now.
        qint64 longest = 0;
        for (MonitorSession *session : sessions)
            longest = std::max(longest, QFileInfo(session->recording()->path()).size());
        const qint64 limit = longest + 301;
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit full = saved;
        full.rlim_cur = rlim_t(limit);
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);

        QTRY_COMPARE_WITH_TIMEOUT(stopped.size(), 2, 10000);
        // Monitoring and the live signal go on; each patient is told once, on
        // a line of the window with the system's error, never in a box.
        const qint64 savedCount = sessions.first()->recording()->savedSampleCount();
        QTRY_VERIFY_WITH_TIMEOUT(sessions.first()->recording()->sampleCount() > savedCount + 300, 10000);
        QCOMPARE(stopped.size(), 2);
        QCOMPARE(QSet<int>({stopped.at(0).at(0).toInt(), stopped.at(1).at(0).toInt()}),
                 QSet<int>({sessions.at(0)->patientId, sessions.at(1)->patientId}));
        auto *notices = window.findChild<QLabel *>(QStringLiteral("lblStorageNotices"));
        QVERIFY(notices->isVisible());
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(notices->text().count(QStringLiteral("Doe, Ana: the ECG recording stopped (File too large)")), 2);

        // Each file holds its header and every whole frame up to the limit.
        for (MonitorSession *session : sessions) {
            const QString path = session->recording()->path();
            QCOMPARE(QFileInfo(path).size(), limit);
            std::unique_ptr<TFileSignal> reopened = TFileSignal::openRecordingFile(path);
            QCOMPARE(reopened->sampleCount(), int(limit - 4096) / 2);
            QCOMPARE(reopened->sampleCount(), session->recording()->savedSampleCount());
        }

        // Space comes back: the frames held meanwhile reach the file, and the
        // recording goes on without a gap.
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
        QTRY_COMPARE_WITH_TIMEOUT(resumed.size(), 2, 5000);
        QCOMPARE(notices->text().count(QRegularExpression("Doe, Ana: the ECG recording, stopped at \\d\\d:\\d\\d:\\d\\d, goes on again")), 2);
        TFileSignal *live = sessions.first()->recording();
        QVERIFY(!live->hasWriteFailed());
        QVERIFY(live->gaps().isEmpty());
        QVERIFY(live->savedSampleCount() == live->frameCount());

        // The simulated source replays its file from the start: the samples
        // on disk and in the live signal are the replayed ones.
        QFile replay(QStringLiteral("ecg250-1.dat"));
        QVERIFY(replay.open(QIODevice::ReadOnly));
        const QByteArray bytes = replay.readAll();
        auto replayed = [&bytes](int i) { return int(qFromLittleEndian<qint16>(bytes.constData() + 2 * i)); };
        std::unique_ptr<TFileSignal> reopened = TFileSignal::openRecordingFile(live->path());
        QVERIFY(reopened->sampleCount() > savedCount + 300);
        QVERIFY(live->sampleCount() * 2 <= bytes.size());
        for (int i = 0; i < live->sampleCount(); ++i) {
            QCOMPARE(live->sample(0, i), replayed(i));
            if (i < reopened->sampleCount())
                QCOMPARE(reopened->sample(0, i), replayed(i));
        }
    }

    void newPatientOnAFullDiskIsToldAndMonitoringGoesOn()
    {
        SessionWindow window(*m_storage->database, m_storage->records);
        window.show();
        MonitorSession *running = startOnSim(*window.manager());
        QVERIFY(running);
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit full = saved;
        full.rlim_cur = 0;
        QStringList box;
        answerNextModal([&](QWidget *dialog) {
            QTest::keyClicks(child<QLineEdit>(dialog, "txtLastName"), QStringLiteral("Full"));
            answerNextModal([&](QWidget *error) {
                box << error->windowTitle() << qobject_cast<QMessageBox *>(error)->text();
                qobject_cast<QMessageBox *>(error)->button(QMessageBox::Ok)->click();
            });
            setrlimit(RLIMIT_FSIZE, &full);
            qobject_cast<QDialog *>(dialog)->accept();
        });
        child<QPushButton>(places(window).at(1), "btnNew")->click();
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);

        // Told in the "Error" box; nobody was added, and the station goes on:
        // the running patient's session keeps recording and is saved.
        QVERIFY2(box.size() == 2 && box.first() == "Error" && !box.last().isEmpty(), qPrintable(box.join('|')));
        QCOMPARE(m_storage->database->listPatients().size(), 1);
        QTRY_VERIFY_WITH_TIMEOUT(running->hrTrend.size() >= 2 && !running->recording()->hasWriteFailed(), 5000);
        running->addEvent(QStringLiteral("After the full disk"));
        MessageBoxAnswerer yes(QMessageBox::Yes);
        QVERIFY(window.close());
        const std::unique_ptr<MonitorSession> stored = m_storage->database->openSession(running->patientId, 1);
        QVERIFY(stored->hrTrend.size() >= 2);
        QVERIFY(stored->events.first().description == "After the full disk");
    }

    void entriesReachTheDisk()
    {
        SessionManager manager(*m_storage->database, m_storage->records, SessionClock::system());
        MonitorSession *session = startOnSim(manager);
        QVERIFY(session);
        // The session as the study file on disk holds it now.
        auto stored = [this, session] { return m_storage->database->openSession(session->patientId, 1); };
        auto storedEvents = [&stored] {
            QStringList descriptions;
            const std::unique_ptr<MonitorSession> onDisk = stored();
            for (const SessionEvent &event : onDisk->events)
                descriptions << event.description;
            return descriptions;
        };
        QWidget host;
        host.setLayout(new QVBoxLayout);
        auto *monitor = new PatientMonitorForm(&host, &manager, session, nullptr);
        host.layout()->addWidget(monitor);
        host.show();

        answerNextModal([](QWidget *modal) {
            auto *dialog = qobject_cast<QInputDialog *>(modal);
            dialog->setTextValue(QStringLiteral("Chest tightness"));
            dialog->accept();
        });
        monitor->findChild<QPushButton *>(QStringLiteral("btnEvent"))->click();
        QCOMPARE(storedEvents().last(), QStringLiteral("Chest tightness"));

        // The stop writes the stop event and the trends recorded until then.
        QTRY_VERIFY_WITH_TIMEOUT(session->hrTrend.size() >= 2, 5000);
        {
            MessageBoxAnswerer yes(QMessageBox::Yes);
            monitor->findChild<QPushButton *>(QStringLiteral("btnStop"))->click();
        }
        QCOMPARE(storedEvents().last(), QStringLiteral("Stop monitoring"));
        QCOMPARE(stored()->hrTrend, session->hrTrend);

        // Finalize fields: saved after a short pause, or at once when left.
        QTRY_VERIFY(host.findChild<PatientFinalizeForm *>());
        auto *finalize = host.findChild<PatientFinalizeForm *>();
        auto *symptoms = finalize->findChild<QPlainTextEdit *>(QStringLiteral("txtSymptoms"));
        auto *conclusion = finalize->findChild<QPlainTextEdit *>(QStringLiteral("txtConclusion"));
        symptoms->setPlainText(QStringLiteral("Mild dyspnoea"));
        QCOMPARE(stored()->symptoms, QString());
        QTRY_COMPARE_WITH_TIMEOUT(stored()->symptoms, QStringLiteral("Mild dyspnoea"),
                                  PatientFinalizeForm::SaveDelay + 1000);
        host.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&host));
        conclusion->setFocus();
        QTest::keyClicks(conclusion, QStringLiteral("Good tolerance"));
        finalize->findChild<QSpinBox *>(QStringLiteral("numBorgRPE"))->setFocus();
        QCOMPARE(stored()->conclusion, QStringLiteral("Good tolerance"));
    }

    // The panel's banner shows the patient's alarm; a click acknowledges it
    // (logged and saved) and the banner clears once the condition has ended.
    void bannerShowsAndAcknowledges()
    {
        SessionManager manager(*m_storage->database, m_storage->records, SessionClock::system());
        MonitorSession *session = startOnSim(manager);
        QWidget host;
        host.setLayout(new QVBoxLayout);
        BlinkClock blinkClock;
        auto *monitor = new PatientMonitorForm(&host, &manager, session, &blinkClock);
        host.layout()->addWidget(monitor);
        host.show();
        auto *banner = monitor->findChild<AlarmBanner *>();
        auto *pvc = child<QLabel>(monitor, "txtPatientPvc");
        // A monitored patient has a count from the start; "--" only for none.
        QVERIFY(banner->priority() == AlarmPriority::None);
        QVERIFY(pvc->text() == QStringLiteral("0"));
        monitor->setPvcPerMinute(4);
        QCOMPARE(pvc->text(), QStringLiteral("4"));

        AlarmMonitor *alarms = manager.alarmMonitor();
        alarms->setRecordingStopped(session->patientId, true);
        QTRY_COMPARE(banner->priority(), AlarmPriority::Medium);
        QCOMPARE(banner->text(), QStringLiteral("Recording stopped"));
        // The window's clock makes it flash.
        QTRY_VERIFY(!banner->isLit());
        QTRY_VERIFY(banner->isLit());
        QTest::mouseClick(banner, Qt::LeftButton);
        QVERIFY(banner->isAcknowledged());
        QVERIFY(alarms->sound() == AlarmPriority::None);
        QCOMPARE(session->alarmLog.last().kind, AlarmLogEntry::Acknowledged);
        // Saved on the event loop's next pass.
        QTRY_COMPARE(m_storage->database->openSession(session->patientId, 1)->alarmLog.size(), 2);
        alarms->setRecordingStopped(session->patientId, false);
        QTRY_COMPARE_WITH_TIMEOUT(banner->priority(), AlarmPriority::None, 4000);
        QCOMPARE(session->alarmLog.last().kind, AlarmLogEntry::End);
        manager.stopMonitoring(session->patientId);
    }

    // The ST level shows beside the HR once a few beats are measured; asking
    // for a reference before a minute of beats says that it cannot be taken.
    void stReadoutAndReferenceEntry()
    {
        SessionManager manager(*m_storage->database, m_storage->records, SessionClock::system());
        MonitorSession *session = startOnSim(manager);
        QWidget host;
        host.setLayout(new QVBoxLayout);
        auto *monitor = new PatientMonitorForm(&host, &manager, session, nullptr);
        host.layout()->addWidget(monitor);
        host.resize(900, 500);
        host.show();
        auto *st = child<QLabel>(monitor, "txtPatientSt");
        QTRY_VERIFY_WITH_TIMEOUT(st->text() != QStringLiteral("--"), 15000);
        QVERIFY2(QRegularExpression(QStringLiteral("^([+-][0-9]|0)\\.[0-9]$")).match(st->text()).hasMatch(), qPrintable(st->text()));
        QVERIFY(child<QLabel>(monitor, "txtPatientStChange")->text().isEmpty());

        auto *button = child<QToolButton>(monitor, "btnSt");
        QVERIFY(button->menu());
        QVERIFY(button->menu()->actions().size() == 1);
        MessageBoxAnswerer answer(QMessageBox::Ok);
        button->menu()->actions().first()->trigger();
        QVERIFY(answer.texts.size() == 1);
        QVERIFY(answer.texts.first().contains(QStringLiteral("Too few beats")));
        QVERIFY(session->events.isEmpty() || !session->events.last().description.startsWith(QStringLiteral("ST reference")));
        manager.stopMonitoring(session->patientId);
    }

    void failedLastSaveOffersRetry()
    {
        SessionWindow window(*m_storage->database, m_storage->records);
        MonitorSession *session = startOnSim(*window.manager());
        QVERIFY(session);
        session->conclusion = QStringLiteral("Continue the program");
        const int absent = m_storage->addPatient(QStringLiteral("Roe"), QStringLiteral("John"));
        QVERIFY(places(window).last()->choosePatient(absent));
        child<QRadioButton>(places(window).last(), "rbtAbsent")->click();

        // The disk is full: nothing can be written until the second Retry.
        rlimit saved{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        rlimit full = saved;
        full.rlim_cur = 0;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
        QStringList texts, buttons;
        answerNextModal([&](QWidget *confirm) {
            answerNextModal([&](QWidget *error) {
                auto *box = qobject_cast<QMessageBox *>(error);
                texts << box->windowTitle() + QLatin1Char('|') + box->text();
                for (QAbstractButton *button : box->buttons())
                    buttons << button->text();
                answerNextModal([&](QWidget *again) {
                    texts << qobject_cast<QMessageBox *>(again)->text();
                    setrlimit(RLIMIT_FSIZE, &saved);
                    qobject_cast<QMessageBox *>(again)->button(QMessageBox::Retry)->click();
                });
                box->button(QMessageBox::Retry)->click();
            });
            qobject_cast<QMessageBox *>(confirm)->button(QMessageBox::Yes)->click();
        });
        QVERIFY(window.close());
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &saved), 0);
        QCOMPARE(texts.size(), 2);
        QVERIFY(texts.first().startsWith(QStringLiteral("Error|")));
        // The study file, and the ECG if the recorder met the full disk first.
        QVERIFY(texts.first().contains(QStringLiteral("Doe, Ana: Write error")));
        QVERIFY(texts.first().contains(QStringLiteral("\nRoe, John: ")));
        QVERIFY(buttons.contains(QStringLiteral("Close anyway")));
        std::unique_ptr<MonitorSession> stored = m_storage->database->openSession(session->patientId, 1);
        QCOMPARE(stored->conclusion, QStringLiteral("Continue the program"));
        QCOMPARE(stored->events.last().description, QStringLiteral("Stop monitoring"));
        QCOMPARE(m_storage->database->listSessions(absent).size(), 1);
    }
};

QTEST_MAIN(TestSessionWindow)
#include "tst_sessionwindow.moc"
