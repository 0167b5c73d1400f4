#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QPointer>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

// Answers the next modal dialog from inside its own event loop: polls until a
// modal widget is active, then hands it to the action. Tests arm it before
// clicking the button that opens the dialog. Returns a flag that stops the
// polling when set to false.
inline std::shared_ptr<bool> answerNextModal(const std::function<void(QWidget *)> &action,
                                             int timeoutMs = 5000)
{
    auto armed = std::make_shared<bool>(true);
    auto *timer = new QTimer;
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action, armed, deadline]() {
        QWidget *modal = *armed ? QApplication::activeModalWidget() : nullptr;
        if (*armed && !modal && !deadline.hasExpired())
            return;
        *armed = false;
        timer->stop();
        timer->deleteLater();
        if (modal)
            action(modal);
    });
    timer->start(10);
    return armed;
}

// Clicks a message box button and remembers the box's title and text.
struct MessageBoxAnswer
{
    QString title;
    QString text;
    bool seen = false;
    std::shared_ptr<bool> armed;
    void disarm() { *armed = false; }
};

inline std::shared_ptr<MessageBoxAnswer> answerMessageBox(QMessageBox::StandardButton button)
{
    auto answer = std::make_shared<MessageBoxAnswer>();
    answer->armed = answerNextModal([answer, button](QWidget *modal) {
        auto *box = qobject_cast<QMessageBox *>(modal);
        if (!box)
            return;
        answer->seen = true;
        answer->title = box->windowTitle();
        answer->text = box->text();
        if (QAbstractButton *b = box->button(button))
            b->click();
        else
            box->reject();
    });
    return answer;
}

// Settings of the station go to a temporary folder, never to the user's.
inline void isolateSettings(const QString &folder)
{
    QStandardPaths::setTestModeEnabled(true);
    QCoreApplication::setOrganizationName(QStringLiteral("Norvane"));
    QCoreApplication::setApplicationName(QStringLiteral("CardiolaneTest"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder);
    QSettings().clear();
}
