#include "app/stationapplication.h"

#include "storage/errortext.h"
#include "storage/storageerror.h"

#include <QTimer>

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
    } catch (const StorageError &e) {
        if (m_started)
            tellStorageFailure(errorText(e));
        else
            fail(errorText(e));
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

void StationApplication::tellStorageFailure(const QString &message)
{
    // One box at a time, shown once the failed handler has unwound; a failure
    // while it is up goes to standard error rather than stacking boxes.
    std::fprintf(stderr, "Storage error: %s\n", message.toUtf8().constData());
    if (m_telling)
        return;
    m_telling = true;
    QTimer::singleShot(0, this, [this, message] {
        showMessage(QMessageBox::Critical, tr("Error"), message);
        m_telling = false;
    });
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
