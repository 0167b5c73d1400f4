#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStringList>
#include <QTimer>

// Answers every message box that comes up while it lives with one button and
// records the boxes' titles, texts, and whether a wait cursor or progress
// dialog was still showing with them.
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
