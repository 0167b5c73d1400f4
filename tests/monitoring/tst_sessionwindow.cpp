#include "modalanswer.h"

#include "monitoring/bpdialog.h"
#include "monitoring/monitorrules.h"
#include "monitoring/patientfinalizeform.h"
#include "monitoring/patientmonitorform.h"
#include "monitoring/patientpreviewform.h"
#include "monitoring/sessionmanager.h"
#include "monitoring/sessionwindow.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"
#include "storage/patientrecord.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

class TestSessionWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void gridForPatientCount_data();
    void gridForPatientCount();
    void settingsReachManager();
    void closeWithPatientsAsks();
    void absentPatientRecordedOnClose();
    void wholeSession();

private:
    int addPatient(const QString &last, const QString &first);
    static QList<PatientPreviewForm *> previews(SessionWindow &window);
    template<typename T> static T *child(QWidget *panel, const char *name)
    {
        T *widget = panel->findChild<T *>(QLatin1String(name));
        if (!widget)
            qFatal("no widget %s", name);
        return widget;
    }

    QTemporaryDir m_settingsDir;
    std::unique_ptr<QTemporaryDir> m_root;
    std::unique_ptr<MonitorDatabase> m_db;
};

void TestSessionWindow::initTestCase()
{
    isolateSettings(m_settingsDir.path());
    QDir::setCurrent(QStringLiteral(CARDIOLANE_BIN_DIR));
}

void TestSessionWindow::init()
{
    QSettings().clear();
    m_root = std::make_unique<QTemporaryDir>();
    m_db = std::make_unique<MonitorDatabase>(m_root->path());
}

void TestSessionWindow::cleanup()
{
    m_db.reset();
    m_root.reset();
}

int TestSessionWindow::addPatient(const QString &last, const QString &first)
{
    PatientRecord record;
    record.lastName = last;
    record.firstName = first;
    record.birthDate = QDate(1950, 1, 2);
    m_db->insertPatient(record);
    return record.id;
}

QList<PatientPreviewForm *> TestSessionWindow::previews(SessionWindow &window)
{
    return window.centralWidget()->findChildren<PatientPreviewForm *>(QString(), Qt::FindDirectChildrenOnly);
}

void TestSessionWindow::gridForPatientCount_data()
{
    QTest::addColumn<QVariant>("setting");
    QTest::addColumn<int>("count");
    QTest::newRow("absent") << QVariant() << 9;
    QTest::newRow("1") << QVariant(1) << 1;
    QTest::newRow("4") << QVariant(4) << 4;
    QTest::newRow("6") << QVariant(6) << 6;
    QTest::newRow("unreadable") << QVariant(QStringLiteral("many")) << 9;
}

void TestSessionWindow::gridForPatientCount()
{
    QFETCH(QVariant, setting);
    QFETCH(int, count);
    if (setting.isValid())
        QSettings().setValue(QStringLiteral("Config/MaxPatients"), setting);
    SessionWindow window;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const MonitorRules::GridShape shape =
        MonitorRules::gridShape(count, double(screen.width()) / double(screen.height()));
    auto *grid = qobject_cast<QGridLayout *>(window.centralWidget()->layout());
    QVERIFY(grid);
    QCOMPARE(grid->rowCount(), shape.rows);
    QCOMPARE(grid->columnCount(), shape.columns);
    QCOMPARE(previews(window).size(), shape.rows * shape.columns);
    for (int r = 0; r < shape.rows; ++r)
        for (int c = 0; c < shape.columns; ++c)
            QVERIFY(qobject_cast<PatientPreviewForm *>(grid->itemAtPosition(r, c)->widget()));
}

void TestSessionWindow::settingsReachManager()
{
    {
        SessionWindow defaults;
        QCOMPARE(defaults.manager()->alarmLimits(0), qMakePair(100.0, 120.0));
        QCOMPARE(defaults.manager()->alarmLimits(1), qMakePair(37.0, 38.0));
        QVERIFY(defaults.manager()->deviceNames().isEmpty());
    }
    QSettings settings;
    settings.setValue(QStringLiteral("Config/Alarms/HrLow"), 90);
    settings.setValue(QStringLiteral("Config/Alarms/HrHigh"), 130);
    settings.setValue(QStringLiteral("Config/Alarms/Spo2Low"), 85);
    settings.setValue(QStringLiteral("Config/Alarms/Spo2High"), 95);
    settings.setValue(QStringLiteral("Config/Alarms/TempLow"), 36.5);
    settings.setValue(QStringLiteral("Config/Alarms/TempHigh"), 37.5);
    settings.setValue(QStringLiteral("Config/Devices"),
                      QStringList({QStringLiteral("NVR2=/dev/rfcomm2"), QStringLiteral("A=B=COM9"),
                                   QStringLiteral("no separator"), QStringLiteral("=COM3"),
                                   QStringLiteral("NVR1=COM4")}));
    settings.sync();
    SessionWindow window;
    SessionManager *manager = window.manager();
    QCOMPARE(manager->alarmLimits(0), qMakePair(90.0, 130.0));
    QCOMPARE(manager->alarmLimits(2), qMakePair(85.0, 95.0));
    QCOMPARE(manager->alarmLimits(1), qMakePair(36.5, 37.5));
    // Split at the last "="; entries without a name or port are skipped.
    QCOMPARE(manager->deviceNames(),
             QStringList({QStringLiteral("A=B"), QStringLiteral("NVR1"), QStringLiteral("NVR2")}));
}

void TestSessionWindow::closeWithPatientsAsks()
{
    const int id = addPatient(QStringLiteral("Doe"), QStringLiteral("Jane"));
    {
        // Nothing running: no question.
        SessionWindow idle;
        idle.show();
        auto answer = answerMessageBox(QMessageBox::No);
        QVERIFY(idle.close());
        QTest::qWait(50);
        answer->disarm();
        QVERIFY(!answer->seen);
    }
    SessionWindow window;
    window.show();
    PatientPreviewForm *preview = previews(window).first();
    preview->choosePatient(id);
    child<QComboBox>(preview, "cboDevice")->setCurrentText(QStringLiteral("sim"));
    child<QPushButton>(preview, "btnStart")->click();
    QVERIFY(window.manager()->hasPatient(id));

    auto no = answerMessageBox(QMessageBox::No);
    QVERIFY(!window.close());
    QCOMPARE(no->text, QStringLiteral("Stop all sessions and end monitoring?"));
    QVERIFY(window.isVisible());
    QTRY_VERIFY_WITH_TIMEOUT(window.manager()->isConnected(id), 15000);

    auto yes = answerMessageBox(QMessageBox::Yes);
    QVERIFY(window.close());
    QVERIFY(yes->seen);
}

void TestSessionWindow::absentPatientRecordedOnClose()
{
    const int id = addPatient(QStringLiteral("Doe"), QStringLiteral("Jane"));
    {
        SessionWindow window;
        PatientPreviewForm *preview = previews(window).first();
        preview->choosePatient(id);
        child<QRadioButton>(preview, "rbtAbsent")->click();
        QVERIFY(window.close());
    }
    const QList<SessionInfo> sessions = m_db->listSessions(id);
    QCOMPARE(sessions.size(), 1);
    QVERIFY(!sessions.first().presence);
}

// One patient's session from choosing to closing, then read back from disk.
void TestSessionWindow::wholeSession()
{
    if (!QFileInfo::exists(QStringLiteral("ecg250-1.dat")))
        QSKIP("the replay file ecg250-1.dat is not built");
    const int id = addPatient(QStringLiteral("Doe"), QStringLiteral("Jane"));
    addPatient(QStringLiteral("Roe"), QStringLiteral("John"));
    QSettings().setValue(QStringLiteral("Config/MaxPatients"), 4);

    auto window = std::make_unique<SessionWindow>();
    window->resize(1280, 800);
    window->show();
    PatientPreviewForm *preview = previews(*window).first();

    // Choose the patient through the selection dialog.
    answerNextModal([](QWidget *modal) {
        auto *dialog = qobject_cast<QDialog *>(modal);
        auto *tree = modal->findChild<QTreeWidget *>(QStringLiteral("treePatients"));
        for (int wait = 0; tree->topLevelItemCount() < 2 && wait < 100; ++wait)
            QTest::qWait(20);
        const auto found = tree->findItems(QStringLiteral("Doe"), Qt::MatchStartsWith, 1);
        if (!found.isEmpty())
            tree->setCurrentItem(found.first());
        dialog->accept();
    });
    child<QPushButton>(preview, "btnSelect")->click();
    QCOMPARE(preview->sessionData().patientId, id);

    child<QComboBox>(preview, "cboExerciseType")->setCurrentText(QStringLiteral("Treadmill"));
    QTest::keyClicks(child<QLineEdit>(preview, "txtWeight"), QStringLiteral("70"));
    QTest::keyClicks(child<QLineEdit>(preview, "txtHeight"), QStringLiteral("175"));
    QTest::keyClicks(child<QLineEdit>(preview, "txtAbdomen"), QStringLiteral("92"));
    child<QComboBox>(preview, "cboDevice")->setCurrentText(QStringLiteral("sim"));
    child<QPushButton>(preview, "btnStart")->click();
    auto *monitor = window->centralWidget()->findChild<PatientMonitorForm *>();
    QVERIFY(monitor);
    MonitorSession *session = monitor->session();
    QTRY_VERIFY_WITH_TIMEOUT(session->recording()->sampleCount() > 250, 15000);

    answerNextModal([](QWidget *modal) {
        auto *dialog = qobject_cast<QInputDialog *>(modal);
        dialog->setTextValue(QStringLiteral("Chest tightness"));
        dialog->accept();
    });
    child<QPushButton>(monitor, "btnEvent")->click();

    answerNextModal([](QWidget *modal) {
        QTest::keyClicks(modal->findChild<QLineEdit *>(QStringLiteral("txtSBP")), QStringLiteral("135"));
        QTest::keyClicks(modal->findChild<QLineEdit *>(QStringLiteral("txtDBP")), QStringLiteral("85"));
        modal->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    child<QPushButton>(monitor, "btnBP")->click();

    QTest::qWait(1500);
    answerMessageBox(QMessageBox::Yes);
    child<QPushButton>(monitor, "btnStop")->click();
    QTRY_VERIFY(window->centralWidget()->findChild<PatientFinalizeForm *>());
    auto *finalize = window->centralWidget()->findChild<PatientFinalizeForm *>();
    child<QSpinBox>(finalize, "numBorgRPE")->setValue(7);
    child<QPlainTextEdit>(finalize, "txtSymptoms")->setPlainText(QStringLiteral("Dyspnoea"));
    child<QPlainTextEdit>(finalize, "txtConclusion")->setPlainText(QStringLiteral("Continue the program"));
    const int recorded = session->recording()->sampleCount();
    const int sessionNumber = session->sessionNumber;
    const QDateTime started = session->startDateTime;

    auto yes = answerMessageBox(QMessageBox::Yes);
    QVERIFY(window->close());
    QVERIFY(yes->seen);
    window.reset();

    // Everything is on disk: open storage afresh and read it back.
    m_db.reset();
    m_db = std::make_unique<MonitorDatabase>(m_root->path());
    const QList<SessionInfo> sessions = m_db->listSessions(id);
    QCOMPARE(sessions.size(), 1);
    QVERIFY(sessions.first().presence);
    std::unique_ptr<MonitorSession> stored = m_db->openSession(id, sessionNumber);
    QVERIFY(stored);
    QCOMPARE(stored->exerciseType, QStringLiteral("Treadmill"));
    QCOMPARE(stored->weight, 70.0);
    QCOMPARE(stored->abdomen, 92.0);
    QCOMPARE(stored->borgRPE, 7);
    QCOMPARE(stored->symptoms, QStringLiteral("Dyspnoea"));
    QCOMPARE(stored->conclusion, QStringLiteral("Continue the program"));
    QCOMPARE(stored->startDateTime.toSecsSinceEpoch(), started.toSecsSinceEpoch());

    QStringList descriptions;
    for (const SessionEvent &event : stored->events)
        descriptions << event.description;
    QCOMPARE(descriptions, QStringList({QStringLiteral("Start monitoring"), QStringLiteral("Chest tightness"),
                                        QStringLiteral("Basal BP 135/85"), QStringLiteral("Stop monitoring")}));
    QCOMPARE(stored->checkpoint(1).diaBP, 85);
    QVERIFY(!stored->hrTrend.isEmpty());
    QVERIFY(stored->recording());
    QCOMPARE(stored->recording()->sampleCount(), recorded);
    // The recording holds the replayed ECG, not silence.
    int nonZero = 0;
    for (int i = 0; i < recorded; ++i)
        nonZero += stored->recording()->sample(0, i) != 0;
    QVERIFY(nonZero > recorded / 10);

    // The exercise type was learned when the window closed.
    QVERIFY(QSettings().value(QStringLiteral("ExerciseTypeList")).toStringList().contains(QStringLiteral("Treadmill")));
}

QTEST_MAIN(TestSessionWindow)
#include "tst_sessionwindow.moc"
