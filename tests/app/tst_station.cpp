// The station as a whole: the language chosen, the start window with the
// deferred opening of the database, one monitoring window at a time, the
// single-instance rule across real processes (a helper program on a private
// key, and the station itself), every text translated, and exceptions that
// reach the event loop.

#include "../common/messageboxanswerer.h"
#include "../common/testsettings.h"

#include "app/languagechoice.h"
#include "app/mainwindow.h"
#include "app/singleinstance.h"
#include "app/stationapplication.h"
#include "monitoring/sessionwindow.h"
#include "patients/patientselectdialog.h"
#include "review/reviewwindow.h"
#include "storage/monitordatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>
#include <QUuid>
#include <QXmlStreamReader>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <sys/ipc.h>
#include <sys/shm.h>
#endif

namespace {

const QString stationPath = QStringLiteral(CARDIOLANE_BIN_DIR "/cardiolane");
const QString stationKey = QStringLiteral("Norvane Cardiolane");
const QString alreadyRunning = QStringLiteral("Information: Norvane Cardiolane is already running");

// Starts the helper and waits for its first answer ("claimed"/"refused").
QString startHolder(QProcess &process, const QString &key)
{
    process.start(QStringLiteral(CARDIOLANE_HOLDER), {key});
    if (!process.waitForStarted(10000) || !process.waitForReadyRead(20000))
        return QString();
    return QString::fromLatin1(process.readLine()).trimmed();
}

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
void startStation(QProcess &station, const QTemporaryDir &dir, const QStringList &arguments = {},
                  const QString &language = QStringLiteral("en"))
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
    station.start(stationPath, arguments);
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

    void reviewOpensOncePerPatient()
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
        // Closed once its message is answered, a review opens again.
        const QString none = QStringLiteral("Patient does not have any sessions");
        QTRY_VERIFY(ok.texts.contains(QStringLiteral("Patient is already open for review")) && ok.texts.count(none) == 1);
        QPointer<ReviewWindow> first = reviews().first();
        QVERIFY(first->close());
        QTRY_VERIFY(first.isNull());
        choosePatient();
        QTRY_VERIFY(reviews().size() == 1 && ok.texts.count(none) == 2);
        first = reviews().first();
        QVERIFY(first->close());
        QTRY_VERIFY(first.isNull());
    }

    void secondHolderIsRefusedAndACrashDoesNotBlock()
    {
        const QString key = QStringLiteral("Cardiolane test %1").arg(QUuid::createUuid().toString());
        QProcess first, second, crashed, next, other;
        QCOMPARE(startHolder(first, key), QStringLiteral("claimed"));
        QCOMPARE(startHolder(second, key), QStringLiteral("refused"));
        QVERIFY(second.waitForFinished(10000) && !SingleInstance(key).claim());
        first.closeWriteChannel();
        QVERIFY(first.waitForFinished(10000) && first.exitCode() == 0);

        // A killed holder leaves its segment behind; the next one still gets in
        // and its own segment still refuses others.
        QCOMPARE(startHolder(crashed, key), QStringLiteral("claimed"));
        crashed.kill();
        QVERIFY(crashed.waitForFinished(10000));
#ifdef Q_OS_LINUX
        QVERIFY(segmentExists(key));
#endif
        QCOMPARE(startHolder(next, key), QStringLiteral("claimed"));
        QCOMPARE(startHolder(other, key), QStringLiteral("refused"));
        QVERIFY(other.waitForFinished(10000));
        next.closeWriteChannel();
        QVERIFY(next.waitForFinished(10000));
        QVERIFY(!segmentExists(key));
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
        QVERIFY(second.waitForFinished(30000) && second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0);
        QCOMPARE(QString::fromLocal8Bit(second.readAllStandardError()).trimmed(), alreadyRunning);
        QCOMPARE(first.state(), QProcess::Running);
        // English when asked for on the command line, whatever LANGUAGE says.
        startStation(third, dir, {QStringLiteral("--lang=en")}, QStringLiteral("es_ES:es"));
        QVERIFY(third.waitForFinished(30000));
        QCOMPARE(QString::fromUtf8(third.readAllStandardError()).trimmed(), alreadyRunning);
        // A crash leaves the segment behind; the next start still works.
        first.kill();
        QVERIFY(first.waitForFinished(10000) && SingleInstance(stationKey).claim());

        // A plain file where the data folder should be: the error is told and
        // the station ends normally, leaving nothing behind.
        QTemporaryDir blocked;
        QFile blocker(blocked.filePath(QStringLiteral("data")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        QProcess station;
        startStation(station, blocked);
        QVERIFY(station.waitForFinished(60000) && station.exitCode() == 0);
        const QString output = QString::fromLocal8Bit(station.readAllStandardError()).trimmed();
        QVERIFY2(output.startsWith(QStringLiteral("Error: ")) && output.size() > 7, qPrintable(output));
        QVERIFY(!segmentExists(stationKey));
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
        QStringList arguments{QStringLiteral("-locations"), QStringLiteral("none"), QStringLiteral("-no-obsolete")};
        for (const char *folder : {"app", "acquisition", "config", "display", "monitoring", "patients", "review",
                                   "reports", "storage", "dsp"})
            if (sources.exists(QLatin1String(folder)))
                arguments << QLatin1String(folder);
        QProcess process;
        process.setWorkingDirectory(sources.path());
        process.start(lupdate, arguments << QStringLiteral("-ts") << collected);
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
    TestStation test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_station.moc"
