// The start window and the application object: identity of the window, the
// deferred opening of the database, closing, and exceptions from events.

#include "../common/messageboxanswerer.h"
#include "app/mainwindow.h"
#include "app/stationapplication.h"
#include "patients/patientselectdialog.h"
#include "review/reviewwindow.h"
#include "storage/monitordatabase.h"

#include <QDir>
#include <QPushButton>
#include <QLabel>
#include <QStandardPaths>
#include <QTimer>
#include <QTreeWidget>
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
    void reviewOpensOncePerPatient();
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

void TestMainWindow::reviewOpensOncePerPatient()
{
    MainWindow window;
    window.show();
    QTRY_VERIFY_WITH_TIMEOUT(window.database() != nullptr, 20000);
    PatientRecord patient;
    patient.lastName = QStringLiteral("Review");
    window.database()->insertPatient(patient);
    const int id = patient.id;
    const auto reviews = [id] {
        QList<ReviewWindow *> found;
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            auto *review = qobject_cast<ReviewWindow *>(widget);
            if (review && review->patientId() == id && review->isVisible())
                found.append(review);
        }
        return found;
    };
    // Chooses the patient in the selection dialog once its list is loaded.
    const auto choosePatient = [&window, id] {
        QTimer::singleShot(20, &window, [id] {
            auto *dialog = qobject_cast<PatientSelectDialog *>(QApplication::activeModalWidget());
            const auto items = dialog ? dialog->findChild<QTreeWidget *>()->findItems(QString::number(id), Qt::MatchExactly, 0)
                                      : QList<QTreeWidgetItem *>();
            QVERIFY(!items.isEmpty());
            items.first()->treeWidget()->setCurrentItem(items.first());
            dialog->accept();
        });
        window.findChild<QPushButton *>(QStringLiteral("btnOpen"))->click();
    };

    MessageBoxAnswerer ok(QMessageBox::Ok);
    choosePatient();
    QTRY_COMPARE(reviews().size(), 1);
    choosePatient();
    QCOMPARE(reviews().size(), 1);
    QTRY_VERIFY(ok.texts.contains(QStringLiteral("Patient is already open for review")));

    QPointer<ReviewWindow> first = reviews().first();
    QVERIFY(first->close());
    QTRY_VERIFY(first.isNull());
    choosePatient();
    QTRY_COMPARE(reviews().size(), 1);
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
