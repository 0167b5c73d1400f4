// Closing while patients are monitored: the start window stays when the
// monitoring window does, and the last save of the sessions never fails
// unseen.

#include "../common/messageboxanswerer.h"
#include "../common/testsettings.h"

#include "app/mainwindow.h"
#include "monitoring/patientpreviewform.h"
#include "monitoring/sessionmanager.h"
#include "monitoring/sessionwindow.h"
#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"

#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

class TestClosing : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void startWindowStaysWithMonitoring();
    void failedLastSaveOffersRetry();

private:
    // A new patient monitored on the simulated source in the window.
    MonitorSession *monitorNewPatient(SessionWindow &window);

    QTemporaryDir m_settingsDir;
    QTemporaryDir m_home;
    std::unique_ptr<MainWindow> m_start;
};

void TestClosing::initTestCase()
{
    isolateSettings(m_settingsDir.path());
    // The start window opens the station's own storage folder: under a home
    // folder of this test's own, so that no other test shares it.
    qputenv("HOME", QFile::encodeName(m_home.path()));
    QDir::setCurrent(QStringLiteral(CARDIOLANE_BIN_DIR));
    QApplication::setQuitOnLastWindowClosed(false);
    m_start = std::make_unique<MainWindow>();
    m_start->show();
    QTRY_VERIFY_WITH_TIMEOUT(m_start->database(), 20000);
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
    QPointer<SessionWindow> monitoring;
    for (QWidget *window : QApplication::topLevelWidgets()) {
        if (!monitoring)
            monitoring = qobject_cast<SessionWindow *>(window);
    }
    QVERIFY(monitoring && monitorNewPatient(*monitoring));

    {
        MessageBoxAnswerer no(QMessageBox::No);
        QVERIFY(!m_start->close());
        QVERIFY(no.texts.size() == 1 && m_start->isVisible() && monitoring->isVisible());
    }
    MessageBoxAnswerer yes(QMessageBox::Yes);
    QVERIFY(monitoring->close());
    QTRY_VERIFY(monitoring.isNull());
}

void TestClosing::failedLastSaveOffersRetry()
{
    SessionWindow window;
    MonitorSession *session = monitorNewPatient(window);
    QVERIFY(session);
    session->conclusion = QStringLiteral("Continue the program");
    PatientRecord absent;
    absent.lastName = QStringLiteral("Roe");
    absent.firstName = QStringLiteral("John");
    m_start->database()->insertPatient(absent);
    auto *place = window.centralWidget()->findChildren<PatientPreviewForm *>().last();
    QVERIFY(place->choosePatient(absent.id));
    place->findChild<QRadioButton *>(QStringLiteral("rbtAbsent"))->click();

    // The disk is full: nothing can be written until the second Retry.
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit full = saved;
    full.rlim_cur = 0;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &full), 0);
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
    QVERIFY(texts.first().contains(QStringLiteral("Doe, Jane: Write error\nRoe, John: ")));
    QVERIFY(buttons.contains(QStringLiteral("Close anyway")));
    std::unique_ptr<MonitorSession> stored = m_start->database()->openSession(session->patientId, 1);
    QCOMPARE(stored->conclusion, QStringLiteral("Continue the program"));
    QCOMPARE(stored->events.last().description, QStringLiteral("Stop monitoring"));
    QCOMPARE(m_start->database()->listSessions(absent.id).size(), 1);
}

QTEST_MAIN(TestClosing)
#include "tst_closing.moc"
