// What the clinician enters reaches the study file at once: events, blood
// pressure, the stop, and the finalize fields after a pause or on leaving them.

#include "modalanswer.h"

#include "monitoring/patientfinalizeform.h"
#include "monitoring/patientmonitorform.h"
#include "monitoring/sessionmanager.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"

#include <QDialogButtonBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

class TestEntrySaving : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void entriesReachTheDisk();

private:
    // The session as the study file on disk holds it now.
    std::unique_ptr<MonitorSession> stored() { return m_db->openSession(m_patientId, 1); }
    QStringList storedEvents();

    QTemporaryDir m_settingsDir;
    QTemporaryDir m_root;
    std::unique_ptr<MonitorDatabase> m_db;
    int m_patientId = 0;
};

void TestEntrySaving::initTestCase()
{
    isolateSettings(m_settingsDir.path());
    QDir::setCurrent(QStringLiteral(CARDIOLANE_BIN_DIR));
    m_db = std::make_unique<MonitorDatabase>(m_root.path());
    PatientRecord patient;
    patient.lastName = QStringLiteral("Doe");
    patient.firstName = QStringLiteral("Jane");
    m_db->insertPatient(patient);
    m_patientId = patient.id;
}

QStringList TestEntrySaving::storedEvents()
{
    QStringList descriptions;
    const std::unique_ptr<MonitorSession> session = stored();
    for (const SessionEvent &event : session->events)
        descriptions << event.description;
    return descriptions;
}

void TestEntrySaving::entriesReachTheDisk()
{
    SessionManager manager;
    SessionData data;
    data.patientId = m_patientId;
    data.sessionNumber = 1;
    data.startDateTime = QDateTime::currentDateTime();
    MonitorSession *session = manager.startMonitoring(data, QStringLiteral("sim"));
    QVERIFY(session);
    QWidget host;
    host.setLayout(new QVBoxLayout);
    auto *monitor = new PatientMonitorForm(&host, &manager, session);
    host.layout()->addWidget(monitor);
    host.show();

    answerNextModal([](QWidget *modal) {
        auto *dialog = qobject_cast<QInputDialog *>(modal);
        dialog->setTextValue(QStringLiteral("Chest tightness"));
        dialog->accept();
    });
    monitor->findChild<QPushButton *>(QStringLiteral("btnEvent"))->click();
    QCOMPARE(storedEvents().last(), QStringLiteral("Chest tightness"));

    answerNextModal([](QWidget *modal) {
        QTest::keyClicks(modal->findChild<QLineEdit *>(QStringLiteral("txtSBP")), QStringLiteral("135"));
        QTest::keyClicks(modal->findChild<QLineEdit *>(QStringLiteral("txtDBP")), QStringLiteral("85"));
        modal->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok)->click();
    });
    monitor->findChild<QPushButton *>(QStringLiteral("btnBP"))->click();
    QCOMPARE(stored()->checkpoint(PhaseBasal).sysBP, 135);

    // The stop writes the stop event and the trends recorded until then.
    QTRY_VERIFY_WITH_TIMEOUT(session->hrTrend.size() >= 2, 5000);
    answerMessageBox(QMessageBox::Yes);
    monitor->findChild<QPushButton *>(QStringLiteral("btnStop"))->click();
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

QTEST_MAIN(TestEntrySaving)
#include "tst_entrysaving.moc"
