#pragma once

#include <QApplication>
#include <QMessageBox>

// The station's application object. An exception thrown while any event is
// handled (a button, a timer, a deferred initialization) is caught here, its
// message kept, and the event loop ended, so that the start-up code can show
// it in one error box and end the program.
class StationApplication : public QApplication
{
    Q_OBJECT

public:
    StationApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    bool hasFailed() const { return m_failed; }
    QString failureMessage() const { return m_failureMessage; }

    // Shows a message box. With CARDIOLANE_NONINTERACTIVE=1 in the environment
    // the message goes to standard error instead, so scripts and tests can run
    // the program without anyone to press OK.
    static void showMessage(QMessageBox::Icon icon, const QString &title, const QString &text);

private:
    void fail(const QString &message);

    bool m_failed = false;
    QString m_failureMessage;
};
