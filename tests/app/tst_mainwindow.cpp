// The start window and the application object: identity of the window, the
// deferred opening of the database, closing, and exceptions from events.

#include "app/mainwindow.h"
#include "app/stationapplication.h"
#include "storage/monitordatabase.h"

#include <QDir>
#include <QPushButton>
#include <QLabel>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>
#include <stdexcept>

class TestMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void showsVersion();
    void deferredInitializationOpensDatabase();
    void closingClosesOtherWindows();
    void exceptionInEventEndsLoopWithMessage();

private:
    QString m_root;
    bool m_rootExisted = false;
};

void TestMainWindow::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Norvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Cardiolane"));
    QCoreApplication::setApplicationVersion(QStringLiteral("1.04b"));
    // Closing windows here must not end the application under test.
    QApplication::setQuitOnLastWindowClosed(false);
    m_root = MonitorDatabase::defaultRoot();
    m_rootExisted = QDir(m_root).exists();
}

void TestMainWindow::cleanupTestCase()
{
    if (!m_rootExisted && m_root.contains(QLatin1String(".qttest")))
        QDir(m_root).removeRecursively();
}

void TestMainWindow::showsVersion()
{
    MainWindow window;
    QCOMPARE(window.findChild<QLabel *>(QStringLiteral("lblVersion"))->text(), QStringLiteral("v 1.04b"));
}

void TestMainWindow::deferredInitializationOpensDatabase()
{
    {
        MainWindow window;
        window.show();
        QVERIFY(!window.database());
        QTRY_VERIFY_WITH_TIMEOUT(window.database() != nullptr, 20000);
        QCOMPARE(MonitorDatabase::instance(), window.database());
        QCOMPARE(window.database()->rootPath(), MonitorDatabase::defaultRoot(QStringLiteral("NorvaneMonitor")));
        QVERIFY(!QApplication::overrideCursor());
    }
    QVERIFY(!MonitorDatabase::instance());
}

void TestMainWindow::closingClosesOtherWindows()
{
    auto *window = new MainWindow;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    QTRY_VERIFY_WITH_TIMEOUT(window->database() != nullptr, 20000);
    QWidget other;
    other.show();
    QVERIFY(QTest::qWaitForWindowExposed(&other));

    QPointer<MainWindow> guard(window);
    window->findChild<QPushButton *>(QStringLiteral("btnExit"))->click();
    QVERIFY(!other.isVisible());
    QTRY_VERIFY(guard.isNull());
}

void TestMainWindow::exceptionInEventEndsLoopWithMessage()
{
    auto *app = qobject_cast<StationApplication *>(QCoreApplication::instance());
    QVERIFY(app);
    QVERIFY(!app->hasFailed());
    QTimer::singleShot(0, [] { throw 42; });
    bool ranOn = false;
    // Should the loop survive the exception, this ends it after a while.
    QTimer::singleShot(5000, [&ranOn] { ranOn = true; QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(!ranOn);
    QVERIFY(app->hasFailed());
    QCOMPARE(app->failureMessage(), QStringLiteral("Unspecified application error"));
}

int main(int argc, char *argv[])
{
    StationApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
