#include "app/stationstart.h"

#include "app/languagechoice.h"
#include "app/mainwindow.h"
#include "app/singleinstance.h"
#include "app/stationapplication.h"
#include "storage/errortext.h"

#include <QFile>
#include <QTranslator>

#include <csignal>
#include <exception>

namespace {

// Loads a translation from the program's folder and installs it only if it
// loaded; a missing file leaves the interface in English.
void installTranslation(QCoreApplication &app, const QString &name)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(name, QCoreApplication::applicationDirPath()))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

QString readStyleSheet()
{
    QFile file(QStringLiteral(":/styles/dark.css"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll());
}

} // namespace

int StationStart::run(int &argc, char **argv)
{
#ifdef SIGXFSZ
    // A write beyond the process's file-size limit then fails like one to a
    // full disk, which every write path handles, instead of ending the station
    // and the monitoring of every patient with it.
    std::signal(SIGXFSZ, SIG_IGN);
#endif
    // Scaled screens get the interface at their scale, and the painted
    // displays draw at the screen's own pixel density (set before the
    // application exists).
    QCoreApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QCoreApplication::setAttribute(Qt::AA_UseHighDpiPixmaps);
    // The exact scale, not rounded to a whole number: at 150 dpi a rounded
    // scale of 2 would make every millimetre of ECG paper 28% too long.
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
    StationApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromLatin1(organizationName()));
    QCoreApplication::setApplicationName(QString::fromLatin1(applicationName()));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(applicationVersion()));

    if (LanguageChoice::wantsSpanish(QCoreApplication::arguments(), qgetenv("LANGUAGE"))) {
        installTranslation(app, QStringLiteral("qt_es"));
        installTranslation(app, QStringLiteral("NorvaneCardiolane_es"));
    }

    const QString key = QStringLiteral("%1 %2").arg(QCoreApplication::organizationName(),
                                                    QCoreApplication::applicationName());
    SingleInstance instance(key);
    if (!instance.claim()) {
        StationApplication::showMessage(QMessageBox::Information, StationApplication::tr("Information"),
                                        StationApplication::tr("%1 is already running").arg(key));
        return 0;
    }

    QString failure;
    try {
        app.setStyleSheet(readStyleSheet());
        MainWindow window;
        window.show();
        const int code = app.exec();
        if (!app.hasFailed())
            return code;
        failure = app.failureMessage();
    } catch (const std::exception &e) {
        failure = errorText(e);
    } catch (...) {
        failure = unspecifiedErrorText();
    }
    // The windows are gone by now; the box stands alone, with the normal
    // cursor even if the failure interrupted a long operation, and the program
    // ends normally after it.
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    StationApplication::showMessage(QMessageBox::Critical, StationApplication::tr("Error"), failure);
    return 0;
}
