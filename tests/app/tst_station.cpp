// The station as a whole: the language chosen, the start window with the
// deferred opening of the database, one monitoring window and one review per
// patient at a time, the single-instance rule across real station processes,
// every text translated, and exceptions that reach the event loop.

#include "../common/messageboxanswerer.h"
#include "../common/testsettings.h"

#include "app/languagechoice.h"
#include "app/mainwindow.h"
#include "app/singleinstance.h"
#include "app/stationapplication.h"
#include "monitoring/sessionmanager.h"
#include "monitoring/sessionwindow.h"
#include "patients/patientselectdialog.h"
#include "review/reviewwindow.h"
#include "storage/monitordatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>
#include <QXmlStreamReader>
#include "storage/storageerror.h"

#include <QtTest>

#ifdef Q_OS_LINUX
#include <sys/ipc.h>
#include <sys/shm.h>
#endif

namespace {

const QString stationPath = QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane");
const QString stationKey = QStringLiteral("Norvane Cardiolane");
const QString alreadyRunning = QStringLiteral("Information: Norvane Cardiolane is already running");

// Whether a shared-memory segment exists for the key, found without attaching
// (attaching and detaching would clear an orphaned segment).
bool segmentExists(const QString &key)
{
#ifdef Q_OS_LINUX
    const QByteArray file = QFile::encodeName(QSharedMemory(key).nativeKey());
    const key_t ipcKey = ftok(file.constData(), 'Q');
    return ipcKey != -1 && shmget(ipcKey, 0, 0400) != -1;
#else
    Q_UNUSED(key);
    return false;
#endif
}

// Starts the station with its data, settings and runtime files in `dir`,
// message boxes printed instead of shown, in English unless told otherwise.
// A shell command given as `before` runs first, in the same process.
void startStation(QProcess &station, const QTemporaryDir &dir, const QStringList &arguments = {},
                  const QString &language = QStringLiteral("en"), const QString &before = QString())
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    environment.insert(QStringLiteral("CARDIOLANE_NONINTERACTIVE"), QStringLiteral("1"));
    environment.insert(QStringLiteral("LANGUAGE"), language);
    const QString runtime = dir.filePath(QStringLiteral("runtime"));
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    station.setProcessEnvironment(environment);
    if (before.isEmpty())
        station.start(stationPath, arguments);
    else
        station.start(QStringLiteral("/bin/sh"), QStringList{"-c", before + "; exec \"$0\" \"$@\"", stationPath} + arguments);
}

bool waitForFile(const QString &path, QProcess &process)
{
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(path)) {
        if (process.state() == QProcess::NotRunning || timer.elapsed() > 60000)
            return false;
        QTest::qWait(50);
    }
    return true;
}

} // namespace

class TestStation : public QObject
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
        // The simulated source replays the ECG file built beside the programs.
        QDir::setCurrent(QStringLiteral(CARDIOLANE_BIN_DIR));
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
        QCOMPARE(start->database()->rootPath(), m_root);
        QTRY_VERIFY(start->isEnabled() && !QApplication::overrideCursor());

        // While the monitoring window is open the start window takes no input.
        start->findChild<QPushButton *>(QStringLiteral("btnStartSession"))->click();
        QVERIFY(!start->isEnabled());
        QPointer<SessionWindow> session;
        for (QWidget *window : QApplication::topLevelWidgets())
            if (auto *found = qobject_cast<SessionWindow *>(window))
                session = found;
        QVERIFY(session);
        QVERIFY(session->isVisible());
        // With a patient monitored, a monitoring window that refuses to close
        // keeps the start window too.
        PatientRecord patient;
        patient.lastName = QStringLiteral("Doe");
        start->database()->insertPatient(patient);
        SessionData data;
        data.patientId = patient.id;
        data.sessionNumber = 1;
        data.startDateTime = QDateTime::currentDateTime();
        QVERIFY(session->manager()->startMonitoring(data, QStringLiteral("sim")));
        {
            MessageBoxAnswerer no(QMessageBox::No);
            QVERIFY(!start->close());
            QVERIFY(no.texts.size() == 1);
            QVERIFY(start->isVisible());
            QVERIFY(session->isVisible());
        }
        {
            MessageBoxAnswerer yes(QMessageBox::Yes);
            QVERIFY(session->close());
        }
        QTRY_VERIFY(session.isNull() && start->isEnabled());

        // Leaving closes every other window, and the database with the start window.
        QWidget other;
        other.show();
        QPointer<MainWindow> guard(start);
        start->findChild<QPushButton *>(QStringLiteral("btnExit"))->click();
        QVERIFY(!other.isVisible());
        QTRY_VERIFY(guard.isNull());
        QCOMPARE(MonitorDatabase(m_root).rootPath(), m_root);
    }

    void correctedAlarmSettingsAreSaidAtStart()
    {
        // A hand-edited negative limit would have turned the alarm off.
        QSettings().setValue(QStringLiteral("Config/Alarms/HrHigh"), -5);
        {
            MainWindow window;
            window.show();
            QTRY_VERIFY_WITH_TIMEOUT(window.database() != nullptr, 20000);
            QCOMPARE(window.statusBar()->currentMessage(),
                     QStringLiteral("Alarm settings corrected: Config/Alarms/HrHigh = -5 is out of range; 40 is used."));
        }
        QSettings().remove(QStringLiteral("Config/Alarms/HrHigh"));
        MainWindow window;
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(window.database() != nullptr, 20000);
        QVERIFY(window.statusBar()->currentMessage().isEmpty());
    }

    void reviewOpensOncePerPatient()
    {
        MainWindow window;
        window.show();
        QTRY_VERIFY_WITH_TIMEOUT(window.database() != nullptr, 20000);
        PatientRecord patient;
        window.database()->insertPatient(patient);
        QPointer<ReviewWindow> review;
        // Chooses the patient in the selection dialog, doing `meanwhile` before
        // accepting; the open review, if any, is kept.
        const auto open = [&](const std::function<void()> &meanwhile = {}) {
            QTimer::singleShot(20, &window, [id = patient.id, meanwhile] {
                auto *dialog = qobject_cast<PatientSelectDialog *>(QApplication::activeModalWidget());
                QVERIFY(dialog);
                auto *tree = dialog->findChild<QTreeWidget *>();
                tree->setCurrentItem(tree->findItems(QString::number(id), Qt::MatchExactly, 0).value(0));
                if (meanwhile)
                    meanwhile();
                dialog->accept();
            });
            window.findChild<QPushButton *>(QStringLiteral("btnOpen"))->click();
            for (QWidget *widget : QApplication::topLevelWidgets())
                if (auto *found = qobject_cast<ReviewWindow *>(widget); found && found->isVisible()) {
                    QVERIFY(!review || review == found);
                    review = found;
                }
        };
        // Each review of this patient without sessions says so; closed, it opens again.
        MessageBoxAnswerer ok(QMessageBox::Ok);
        const QString none = QStringLiteral("Patient does not have any sessions");
        for (int round = 1; round <= 2; ++round) {
            open();
            QTRY_VERIFY(review && ok.texts.count(none) == round);
            open();
            QTRY_VERIFY(ok.texts.count(QStringLiteral("Patient is already open for review")) == round);
            QVERIFY(review->close());
            QTRY_VERIFY(review.isNull());
        }
        // A patient whose record cannot be read is not opened: the review
        // would show, and later save, patient fields it never read.
        open([id = patient.id, index = QSqlDatabase::database(window.database()->connectionName(), false)] {
            QSqlQuery(index).exec(QStringLiteral("delete from Patient where id = %1").arg(id));
        });
        QTRY_VERIFY(ok.texts.contains(QStringLiteral("Cannot get patient data")));
        QVERIFY(review.isNull());
    }

    void stationRefusesSecondCopyAndReportsStorageFailure()
    {
        if (!QFileInfo(stationPath).isExecutable())
            QSKIP("the station program is not built");
        // Either a station is running on this machine or one crashed; a claim
        // here clears only the latter.
        if (segmentExists(stationKey) && !SingleInstance(stationKey).claim())
            QSKIP("a station is running on this machine");
        QTemporaryDir dir;
        const QString database = dir.filePath(QStringLiteral("data/NorvaneMonitor/data/sessions.sqlite"));
        // The first copy runs until its database exists, so it holds the key.
        QProcess first, second, third;
        startStation(first, dir);
        QVERIFY2(waitForFile(database, first), first.readAllStandardError().constData());
        startStation(second, dir);
        QVERIFY(second.waitForFinished(30000));
        QVERIFY(second.exitStatus() == QProcess::NormalExit);
        QVERIFY(second.exitCode() == 0);
        QCOMPARE(QString::fromLocal8Bit(second.readAllStandardError()).trimmed(), alreadyRunning);
        QCOMPARE(first.state(), QProcess::Running);
        // English when asked for on the command line, whatever LANGUAGE says.
        startStation(third, dir, {QStringLiteral("--lang=en")}, QStringLiteral("es_ES:es"));
        QVERIFY(third.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(third.readAllStandardError()).trimmed(), alreadyRunning);
        // A crash leaves the segment behind; the next start still works.
        first.kill();
        QVERIFY(first.waitForFinished(10000));
        {
            SingleInstance next(stationKey);
            QVERIFY(next.claim());
            QVERIFY(!SingleInstance(stationKey).claim());
        }

        // A plain file where the data folder should be: the error is told and
        // the station ends normally, leaving nothing behind.
        QTemporaryDir blocked;
        QFile blocker(blocked.filePath(QStringLiteral("data")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QProcess station;
        startStation(station, blocked);
        QVERIFY(station.waitForFinished(60000));
        QVERIFY(station.exitCode() == 0);
        const QString output = QString::fromLocal8Bit(station.readAllStandardError()).trimmed();
        QVERIFY2(output.startsWith(QStringLiteral("Error: ")) && output.size() > 7, qPrintable(output));
        QVERIFY(!segmentExists(stationKey));

        // Nothing may be written at all: the index cannot be made, which is
        // told like a full disk, and the station is not killed for trying.
        QTemporaryDir limited;
        startStation(station, limited, {}, QStringLiteral("en"), QStringLiteral("ulimit -f 0"));
        QVERIFY(station.waitForFinished(60000));
        const QString refused = QString::fromLocal8Bit(station.readAllStandardError()).trimmed();
        QVERIFY2(station.exitStatus() == QProcess::NormalExit && refused.startsWith(QStringLiteral("Error: ")),
                 qPrintable(refused));
    }

    void everySourceTextIsTranslated()
    {
        const QString lupdate = QStringLiteral(CARDIOLANE_LUPDATE);
        if (!QFileInfo(lupdate).isExecutable())
            QSKIP("lupdate is not available");
        const QDir sources(QStringLiteral(CARDIOLANE_SOURCE_DIR));
        QTemporaryDir temp;
        const QString collected = temp.filePath(QStringLiteral("collected_es.ts"));
        QVERIFY(QFile::copy(sources.filePath(QStringLiteral("translations/NorvaneCardiolane_es.ts")), collected));
        QFile::setPermissions(collected, QFile::ReadOwner | QFile::WriteOwner);
        // The same collection as the project's own script, into a copy.
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("LUPDATE"), lupdate);
        process.setProcessEnvironment(environment);
        process.start(sources.filePath(QStringLiteral("scripts/update-translations")), {collected});
        QVERIFY(process.waitForFinished(120000));
        QVERIFY2(process.exitCode() == 0, process.readAllStandardError().constData());

        // "context: source" of every message marked unfinished or left empty.
        QFile file(collected);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QXmlStreamReader xml(&file);
        QString context, source;
        QStringList missing;
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement)
                continue;
            if (xml.name() == QLatin1String("name"))
                context = xml.readElementText();
            else if (xml.name() == QLatin1String("source"))
                source = xml.readElementText();
            else if (xml.name() == QLatin1String("translation")) {
                const bool marked = !xml.attributes().value(QLatin1String("type")).isEmpty();
                const QString text = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                if (marked || text.trimmed().isEmpty())
                    missing << QStringLiteral("%1: \"%2\"").arg(context, source);
            }
        }
        if (!missing.isEmpty())
            qWarning().noquote() << "Texts without a Spanish translation (run scripts/update-translations):\n"
                                        + missing.join(QLatin1Char('\n'));
        QVERIFY2(missing.isEmpty(), qPrintable(QStringLiteral("%1 texts untranslated").arg(missing.size())));
    }

    void compiledTranslationIsBesideProgram()
    {
        // Qt's catalog refers to its module catalogs, which must load with it.
        QTranslator qt, station;
        QVERIFY(qt.load(QStringLiteral("qt_es"), QStringLiteral(CARDIOLANE_BIN_DIR)));
        QCOMPARE(qt.translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancelar"));
        QVERIFY(station.load(QStringLiteral("NorvaneCardiolane_es"), QStringLiteral(CARDIOLANE_BIN_DIR)));
        QVERIFY(!station.translate("MainWindow", "Session monitor").isEmpty());
    }

    // Last: the event loop it runs ends with the failure.
    void exceptionInEventEndsLoopWithMessage()
    {
        auto *app = qobject_cast<StationApplication *>(QCoreApplication::instance());
        QVERIFY(app);
        QVERIFY(!app->hasFailed());
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

    void storageFailureAfterStartIsShownAndTheStationGoesOn()
    {
        auto *app = qobject_cast<StationApplication *>(QCoreApplication::instance());
        qputenv("CARDIOLANE_NONINTERACTIVE", "1");
        app->setStarted();
        bool ranOn = false;
        QTimer::singleShot(0, [] { throw StorageError("Write error"); });
        QTimer::singleShot(0, [] { throw StorageError("Second write error"); });
        QTimer::singleShot(300, [&ranOn] {
            ranOn = true;
            QCoreApplication::exit(3);
        });
        QCOMPARE(QApplication::exec(), 3);
        QVERIFY(ranOn);
        // Anything else still ends the loop.
        QTimer::singleShot(0, [] { throw std::logic_error("broken"); });
        QCOMPARE(QApplication::exec(), 0);
    }
};

int main(int argc, char *argv[])
{
    StationApplication app(argc, argv);
    TestStation test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_station.moc"
