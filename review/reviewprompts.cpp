#include "review/reviewprompts.h"

#include "storage/errortext.h"

#include <QCoreApplication>

#include <exception>

namespace ReviewPrompts {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("ReviewPrompts", text);
}

} // namespace

int show(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
         QMessageBox::StandardButtons buttons, const QString &details)
{
    QMessageBox box(icon, title, text, buttons, parent);
    if (!details.isEmpty())
        box.setInformativeText(details);
    if (buttons.testFlag(QMessageBox::Cancel))
        box.setDefaultButton(QMessageBox::Cancel);
    box.setWindowModality(Qt::WindowModal);
    return box.exec();
}

bool runShowingErrors(QWidget *parent, const std::function<void()> &action)
{
    try {
        action();
        return true;
    } catch (const std::exception &error) {
        show(parent, QMessageBox::Critical, tr("Error"), errorText(error));
        return false;
    }
}

bool saveOrAskDiscard(QWidget *parent, const std::function<void()> &save, const std::function<void()> &discard)
{
    try {
        save();
        return true;
    } catch (const std::exception &error) {
        const int answer = show(parent, QMessageBox::Critical, tr("Error"), errorText(error),
                                QMessageBox::Discard | QMessageBox::Cancel,
                                tr("Your changes were not saved. Discard them, or cancel to keep them and try again."));
        if (answer != QMessageBox::Discard)
            return false;
        discard();
        return true;
    }
}

} // namespace ReviewPrompts
