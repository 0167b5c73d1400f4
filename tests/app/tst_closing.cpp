// Closing while patients are monitored: the start window stays when the
// monitoring window does, and the last save of the sessions never fails
// unseen.

#include "../monitoring/modalanswer.h"

#include "app/mainwindow.h"
#include "monitoring/sessionmanager.h"
#include "monitoring/sessionwindow.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"

#include <QPushButton>
#include <QtTest>

class TestClosing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void startWindowStaysWithMonitoring();
    void failedLastSaveOffersRetry();

private:
    // A new patient monitored on the simulated source in the window.
    MonitorSession *monitorNewPatient(SessionWindow &window);

    QTemporaryDir m_settingsDir;
    std::unique_ptr<MainWindow> m_start;
};

// The start window opens the station's own storage folder: under a home
// folder of this test's own, so that no other test shares it.
static QTemporaryDir *home()
{
    static QTemporaryDir dir;
    return &dir;
}

void TestClosing::initTestCase()
{
    isolateSettings(m_settingsDir.path());
    QDir::setCurrent(QStringLiteral(CARDIOLANE_BIN_DIR));
    QApplication::setQuitOnLastWindowClosed(false);
    m_start = std::make_unique<MainWindow>();
    m_start->show();
    QTRY_VERIFY_WITH_TIMEOUT(m_start->database(), 20000);
}

void TestClosing::cleanupTestCase()
{
    m_start.reset();
}

MonitorSession *TestClosing::monitorNewPatient(SessionWindow &window)
{
    PatientRecord patient;
    patient.lastName = QStringLiteral("Doe");
    patient.firstName = QStringLiteral("Jane");
    m_start->database()->insertPatient(patient);
    SessionData data;
    data.patientId = patient.id;
    data.sessionNumber = 1;
    data.startDateTime = QDateTime::currentDateTime();
    return window.manager()->startMonitoring(data, QStringLiteral("sim"));
}

void TestClosing::startWindowStaysWithMonitoring()
{
    m_start->findChild<QPushButton *>(QStringLiteral("btnStartSession"))->click();
    SessionWindow *monitoring = nullptr;
    for (QWidget *window : QApplication::topLevelWidgets())
        monitoring = monitoring ? monitoring : qobject_cast<SessionWindow *>(window);
    QVERIFY(monitoring);
    QVERIFY(monitorNewPatient(*monitoring));
    QPointer<SessionWindow> guard(monitoring);

    auto no = answerMessageBox(QMessageBox::No);
    QVERIFY(!m_start->close());
    QVERIFY(no->seen);
    QVERIFY(m_start->isVisible());
    QVERIFY(monitoring->isVisible());

    answerMessageBox(QMessageBox::Yes);
    QVERIFY(monitoring->close());
    QTRY_VERIFY(guard.isNull());
    QVERIFY(m_start->isEnabled());
}

void TestClosing::failedLastSaveOffersRetry()
{
    SessionWindow window;
    window.show();
    MonitorSession *session = monitorNewPatient(window);
    QVERIFY(session);
    session->conclusion = QStringLiteral("Continue the program");
    SessionInfo info;
    QVERIFY(m_start->database()->loadSession(session->patientId, 1, info));
    const QString study = m_start->database()->studyPath(info.baseFilename);
    // A folder where the study file should go: the save cannot be written.
    QVERIFY(QFile::remove(study));
    QVERIFY(QDir().mkdir(study));

    // The first Retry fails again; the second succeeds once the way is clear.
    QStringList texts;
    QStringList buttons;
    answerNextModal([&](QWidget *confirm) {
        answerNextModal([&](QWidget *error) {
            auto *box = qobject_cast<QMessageBox *>(error);
            texts << box->windowTitle() + QLatin1Char('|') + box->text();
            for (QAbstractButton *button : box->buttons())
                buttons << button->text();
            answerNextModal([&](QWidget *again) {
                texts << qobject_cast<QMessageBox *>(again)->text();
                QDir().rmdir(study);
                qobject_cast<QMessageBox *>(again)->button(QMessageBox::Retry)->click();
            });
            box->button(QMessageBox::Retry)->click();
        });
        qobject_cast<QMessageBox *>(confirm)->button(QMessageBox::Yes)->click();
    });
    QVERIFY(window.close());
    QCOMPARE(texts.size(), 2);
    QVERIFY(texts.first().startsWith(QStringLiteral("Error|")));
    QVERIFY(texts.first().contains(QStringLiteral("Doe, Jane: Cannot create study file")));
    QVERIFY(buttons.contains(QStringLiteral("Close anyway")));
    std::unique_ptr<MonitorSession> saved = m_start->database()->openSession(session->patientId, 1);
    QVERIFY(saved);
    QCOMPARE(saved->conclusion, QStringLiteral("Continue the program"));
    QCOMPARE(saved->events.last().description, QStringLiteral("Stop monitoring"));
}

int main(int argc, char *argv[])
{
    qputenv("HOME", QFile::encodeName(home()->path()));
    QApplication app(argc, argv);
    TestClosing test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_closing.moc"
