#include "../common/messageboxanswerer.h"

#include "reports/reportdialog.h"
#include "reports/reportjob.h"
#include "reports/reportvalues.h"
#include "storage/demodata.h"
#include "storage/monitordatabase.h"
#include "storage/patientcourse.h"

#include "../common/teststorage.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDesktopServices>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

// Answers every message box with Ok and records what the dialog showed while
// it worked: the boxes (title, text, modality), the progress texts and
// whether the event loop ran meanwhile.
class Watcher : public QObject
{
    Q_OBJECT

public:
    explicit Watcher(ReportDialog *dialog)
        : m_dialog(dialog)
    {
        connect(&m_timer, &QTimer::timeout, this, &Watcher::look);
        m_answerer.whileShown = [this](QMessageBox *box) {
            boxes << box->windowTitle() + QLatin1String(": ") + box->text();
            allWindowModal = allWindowModal && box->windowModality() == Qt::WindowModal;
        };
        m_timer.start(1);
    }

    QStringList boxes, progress;
    bool allWindowModal = true;
    int ticksWhileBusy = 0;

public slots:
    void openUrl(const QUrl &url) { opened << url.toLocalFile(); }

public:
    QStringList opened;

private:
    void look()
    {
        auto *frame = m_dialog->findChild<QWidget *>(QStringLiteral("frameReport"));
        if (frame->isVisible()) {
            ++ticksWhileBusy;
            const QString text = m_dialog->findChild<QLabel *>(QStringLiteral("lblReport"))->text();
            if (progress.isEmpty() || progress.last() != text)
                progress << text;
        }
    }

    ReportDialog *m_dialog;
    QTimer m_timer;
    MessageBoxAnswerer m_answerer{QMessageBox::Ok};
};

class TestReportDialog : public QObject
{
    Q_OBJECT

    QTemporaryDir settingsDir, root;
    std::unique_ptr<MonitorDatabase> database;
    std::vector<std::unique_ptr<MonitorSession>> sessions;
    QWidget reviewWindow;
    PatientRecord patient;

    // Runs the dialog, presses Create once it shows, and returns its result.
    static int create(ReportDialog &dialog)
    {
        QTimer::singleShot(50, &dialog, [&dialog]() { dialog.findChild<QPushButton *>("btnCreate")->click(); });
        return dialog.exec();
    }

private slots:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsDir.path());
        QSettings().clear();
        database = std::make_unique<MonitorDatabase>(root.path());
        DemoDataOptions options;
        options.patients = 1;
        options.sessions = 3;
        options.minutes = 1;
        fillDemoData(*database, options);
        QVERIFY(database->loadPatient(1, patient));
        for (const SessionInfo &info : database->listSessions(1))
            sessions.push_back(database->openSession(1, info.sessionNumber));
        reviewWindow.show();
    }

    void sessionReportIsMadeAside()
    {
        MonitorSession *session = sessions.front().get();
        ReportDialog dialog(&reviewWindow, *database, session);
        QCOMPARE(dialog.windowModality(), Qt::WindowModal);
        QVERIFY(dialog.findChild<QWidget *>("frameReport")->isHidden());
        dialog.findChild<QLineEdit *>("txtHeaderTitle")->setText(QStringLiteral("Clínica"));
        Watcher watcher(&dialog);
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &watcher, "openUrl");
        const int result = create(dialog);
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

        QCOMPARE(result, int(QDialog::Accepted));
        const QString expected = root.filePath(QStringLiteral("reports/")
                                               + reportvalues::sessionReportFileName(patient.lastName, patient.firstName,
                                                                                     session->startDateTime));
        QCOMPARE(dialog.reportPath(), expected);
        QVERIFY(QFile::exists(expected));
        QCOMPARE(watcher.opened, QStringList({expected}));
        QVERIFY(watcher.boxes.isEmpty());
        // The progress showed, the event loop went on meanwhile, and the
        // session's own recording was not read by the printing thread.
        QVERIFY(watcher.ticksWhileBusy > 0);
        QVERIFY(!watcher.progress.filter(QRegularExpression(QStringLiteral("^Page \\d+ of \\d+$"))).isEmpty());
        QCOMPARE(QSettings().value("ReportDialog/HeaderTitle").toString(), QStringLiteral("Clínica"));
    }

    void failuresAreReported()
    {
        const PatientCourse course(*database, patient.id);

        // A reports folder that cannot be created: an error, nothing printed;
        // the header is stored all the same.
        QVERIFY(QDir(root.filePath("reports")).removeRecursively());
        QFile blocker(root.filePath("reports"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QSettings().setValue("ReportDialog/HeaderLogoFilename", root.filePath("missing.png"));
        {
            ReportDialog dialog(&reviewWindow, *database, course);
            Watcher watcher(&dialog);
            QTimer::singleShot(30, &dialog, [&dialog]() { dialog.findChild<QPushButton *>("btnRemoveLogo")->click(); });
            QCOMPARE(create(dialog), int(QDialog::Rejected));
            QCOMPARE(watcher.boxes, QStringList({"Warning: Logo image could not be loaded from file: " + root.filePath("missing.png"),
                                                 "Error: Cannot create reports folder"}));
            QVERIFY(watcher.allWindowModal);
            QCOMPARE(QSettings().value("ReportDialog/HeaderLogoFilename").toString(), QString());
        }
        QVERIFY(blocker.remove());

        // A report that cannot be written is said so, with the reason.
        const QString summaryPath = root.filePath(
            "reports/" + reportvalues::summaryReportFileName(patient.lastName, patient.firstName, course.listed().last().startDateTime.date()));
        QVERIFY(QDir().mkpath(summaryPath));
        {
            ReportDialog dialog(&reviewWindow, *database, course);
            Watcher watcher(&dialog);
            QCOMPARE(create(dialog), int(QDialog::Rejected));
            QCOMPARE(watcher.boxes.size(), 1);
            QVERIFY2(watcher.boxes[0].startsWith("Error: The report could not be written to " + summaryPath + ": "),
                     qPrintable(watcher.boxes[0]));
        }
        QVERIFY(QDir(summaryPath).removeRecursively());

        // No desktop handler for PDF files: the user is told where the report is.
        ReportDialog dialog(&reviewWindow, *database, course);
        Watcher watcher(&dialog);
        QCOMPARE(create(dialog), int(QDialog::Accepted));
        QCOMPARE(dialog.reportPath(), summaryPath);
        QCOMPARE(watcher.boxes, QStringList({"Information: The report was saved to " + dialog.reportPath()}));
    }

    void closingStopsTheReport_data()
    {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Escape") << true;
        QTest::newRow("Close") << false;
    }

    void closingStopsTheReport()
    {
        // Strips enough for twenty sheets, stopped at the first; an earlier
        // report of the same name.
        QFETCH(bool, escape);
        const PatientCourse course(*database, patient.id);
        MonitorSession *first = course.session(1);
        for (int i = first->events.size(); i < 180; ++i)
            first->events.append(SessionEvent{i % 50, QStringLiteral("e%1").arg(i), true});
        ReportDialog dialog(&reviewWindow, *database, course);
        const QString path = root.filePath(
            "reports/" + reportvalues::summaryReportFileName(patient.lastName, patient.firstName, course.listed().last().startDateTime.date()));
        QVERIFY(QDir().mkpath(root.filePath("reports")));
        QVERIFY(writeFile(path, "earlier report"));
        Watcher watcher(&dialog);
        bool runningWhenClosed = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, &dialog, [&]() {
            if (!dialog.findChild<QLabel *>("lblReport")->text().startsWith("Page "))
                return;
            closer.stop();
            runningWhenClosed = ReportJob::anyRunning();
            if (escape)
                QTest::keyClick(&dialog, Qt::Key_Escape);
            else
                dialog.findChild<QDialogButtonBox *>("buttonBox")->button(QDialogButtonBox::Close)->click();
        });
        closer.start(1);
        QCOMPARE(create(dialog), int(QDialog::Rejected));
        QVERIFY(runningWhenClosed);
        QVERIFY(!ReportJob::anyRunning());
        QVERIFY(watcher.boxes.isEmpty());
        QCOMPARE(readFile(path), QByteArray("earlier report"));
        QCOMPARE(QDir(root.filePath("reports")).entryList(QDir::Files).size(), 1);
    }
};

QTEST_MAIN(TestReportDialog)
#include "tst_reportdialog.moc"
