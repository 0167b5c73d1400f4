#include "app/stationapplication.h"

#include "storage/errortext.h"

#include <QMessageBox>
#include <cstdio>
#include <exception>

StationApplication::StationApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
}

bool StationApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &e) {
        fail(errorText(e));
    } catch (...) {
        fail(unspecifiedErrorText());
    }
    return false;
}

void StationApplication::fail(const QString &message)
{
    // The first failure is the one the user needs to see; later ones are
    // usually consequences of it.
    if (!m_failed) {
        m_failed = true;
        m_failureMessage = message;
    }
    exit(0);
}

void StationApplication::showMessage(QMessageBox::Icon icon, const QString &title, const QString &text)
{
    if (qgetenv("CARDIOLANE_NONINTERACTIVE") == "1") {
        std::fprintf(stderr, "%s: %s\n", title.toUtf8().constData(), text.toUtf8().constData());
        return;
    }
    QMessageBox box(icon, title, text, QMessageBox::Ok);
    box.exec();
}
