// The start of the station: the language chosen, the start window with the
// deferred opening of the database, one monitoring window at a time,
// closing, and exceptions that reach the event loop.

#include "../common/testsettings.h"

#include "app/languagechoice.h"
#include "app/mainwindow.h"
#include "app/stationapplication.h"
#include "monitoring/sessionwindow.h"
#include "storage/monitordatabase.h"

#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_settings;
    QString m_root;
    bool m_rootExisted = false;

private slots:
    void initTestCase()
    {
        isolateSettings(m_settings.path());
        QCoreApplication::setApplicationVersion(QStringLiteral("1.04b"));
        // Closing windows here must not end the application under test.
        QApplication::setQuitOnLastWindowClosed(false);
        m_root = MonitorDatabase::defaultRoot();
        m_rootExisted = QDir(m_root).exists();
    }

    void cleanupTestCase()
    {
        if (!m_rootExisted && m_root.contains(QLatin1String(".qttest")))
            QDir(m_root).removeRecursively();
    }

    void languageChoice()
    {
        // Spanish unless English is asked for: the last --lang, else LANGUAGE.
        const struct { QStringList arguments; const char *language; bool spanish; } cases[] = {
            {{"cardiolane"}, "", true}, {{"cardiolane"}, "en", false}, {{"cardiolane"}, "es_ES:en", true},
            {{"cardiolane"}, "eng", true}, {{"cardiolane", "--lang=es"}, "en", true},
            {{"cardiolane", "--lang=en", "--lang=es"}, "", true}, {{"cardiolane", "--lang"}, "en", false},
            {{"--lang=en"}, "", true}};
        for (const auto &c : cases)
            QCOMPARE(LanguageChoice::wantsSpanish(c.arguments, QByteArray(c.language)), c.spanish);
    }

    void startWindowOpensDatabaseAndOneMonitoringWindow()
    {
        auto *start = new MainWindow;
        start->setAttribute(Qt::WA_DeleteOnClose);
        QCOMPARE(start->findChild<QLabel *>(QStringLiteral("lblVersion"))->text(), QStringLiteral("v 1.04b"));
        start->show();
        QVERIFY(!start->database());
        QTRY_VERIFY_WITH_TIMEOUT(start->database() != nullptr, 20000);
        QVERIFY(MonitorDatabase::instance() == start->database() && start->database()->rootPath() == m_root);
        QTRY_VERIFY(start->isEnabled() && !QApplication::overrideCursor());

        // While the monitoring window is open the start window takes no input.
        start->findChild<QPushButton *>(QStringLiteral("btnStartSession"))->click();
        QVERIFY(!start->isEnabled());
        QPointer<SessionWindow> session;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<SessionWindow *>(window))
                session = found;
        QVERIFY(session && session->isVisible());
        QVERIFY(session->close());
        QTRY_VERIFY(session.isNull() && start->isEnabled());

        // Leaving closes every other window, and the database with the start window.
        QWidget other;
        other.show();
        QPointer<MainWindow> guard(start);
        start->findChild<QPushButton *>(QStringLiteral("btnExit"))->click();
        QVERIFY(!other.isVisible());
        QTRY_VERIFY(guard.isNull() && !MonitorDatabase::instance());
    }

    void exceptionInEventEndsLoopWithMessage()
    {
        auto *app = qobject_cast<StationApplication *>(QCoreApplication::instance());
        QVERIFY(app && !app->hasFailed());
        QTimer::singleShot(0, [] { throw 42; });
        bool ranOn = false;
        // Should the loop survive the exception, this ends it after a while.
        QTimer::singleShot(5000, [&ranOn] {
            ranOn = true;
            QCoreApplication::exit(1);
        });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(!ranOn);
        QVERIFY(app->hasFailed());
        QCOMPARE(app->failureMessage(), QStringLiteral("Unspecified application error"));
    }
};

int main(int argc, char *argv[])
{
    StationApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
