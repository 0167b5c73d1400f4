#include "modalanswer.h"

#include "app/mainwindow.h"
#include "monitoring/sessionwindow.h"
#include "storage/monitordatabase.h"

#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

// The start window opens one monitoring window at a time and ignores input
// while it is open.
class TestSessionOpening : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void startWindowWaitsForMonitoringWindow();

private:
    QTemporaryDir m_settingsDir;
    QString m_root;
    bool m_rootExisted = false;
};

void TestSessionOpening::initTestCase()
{
    // Test mode keeps the start window's database out of the user's data.
    isolateSettings(m_settingsDir.path());
    m_root = MonitorDatabase::defaultRoot();
    m_rootExisted = QFileInfo::exists(m_root);
}

void TestSessionOpening::cleanupTestCase()
{
    if (!m_rootExisted && m_root.contains(QLatin1String(".qttest")))
        QDir(m_root).removeRecursively();
}

void TestSessionOpening::startWindowWaitsForMonitoringWindow()
{
    MainWindow start;
    start.show();
    QTRY_VERIFY_WITH_TIMEOUT(start.database() != nullptr, 20000);
    QTRY_VERIFY(start.isEnabled());

    start.findChild<QPushButton *>(QStringLiteral("btnStartSession"))->click();
    QVERIFY(!start.isEnabled());

    QPointer<SessionWindow> session;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (auto *found = qobject_cast<SessionWindow *>(window))
            session = found;
    QVERIFY(session);
    QVERIFY(session->isVisible());

    // No patient is monitored: it closes without a question and goes away.
    QVERIFY(session->close());
    QTRY_VERIFY(session.isNull());
    QVERIFY(start.isEnabled());
}

QTEST_MAIN(TestSessionOpening)
#include "tst_sessionopening.moc"
