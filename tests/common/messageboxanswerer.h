#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>

#include <functional>

// Answers every message box that comes up while it lives with one button and
// records the boxes' titles, texts, whether each was modal to its window only,
// and whether a wait cursor or progress dialog was still showing with it.
// `whileShown`, when set, sees each box while it is up, before it is answered.
class MessageBoxAnswerer : public QObject
{
public:
    explicit MessageBoxAnswerer(QMessageBox::StandardButton answer)
        : m_answer(answer)
    {
        connect(&m_timer, &QTimer::timeout, this, &MessageBoxAnswerer::answer);
        m_timer.start(20);
    }

    QStringList titles;
    QStringList texts;
    QList<bool> busy;
    QList<bool> windowModal;
    std::function<void(QMessageBox *)> whileShown;

private:
    void answer()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        titles.append(box->windowTitle());
        texts.append(box->text());
        bool progressShown = false;
        for (QWidget *widget : QApplication::allWidgets())
            progressShown = progressShown || (qobject_cast<QProgressDialog *>(widget) && widget->isVisible());
        busy.append(progressShown || QApplication::overrideCursor());
        windowModal.append(box->windowModality() == Qt::WindowModal);
        if (whileShown)
            whileShown(box);
        QAbstractButton *button = box->button(m_answer);
        if (!button)
            button = box->button(QMessageBox::Ok);
        if (button)
            button->click();
        else
            box->reject();
    }

    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
};

// Hands the next modal dialog to `action` from inside the dialog's own event
// loop. Arm it before clicking the button that opens the dialog.
inline void answerNextModal(const std::function<void(QWidget *)> &action, int timeoutMs = 5000)
{
    auto *timer = new QTimer;
    const QDeadlineTimer deadline(timeoutMs);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, action, deadline]() {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal && !deadline.hasExpired())
            return;
        timer->stop();
        timer->deleteLater();
        if (modal)
            action(modal);
    });
    timer->start(10);
}
