#pragma once

#include <QMessageBox>
#include <QString>

#include <functional>

// The messages of the review window and its pages. They are modal to their
// window only, so that the monitoring window and other reviews stay usable
// meanwhile; storage errors are shown and never end the station.
namespace ReviewPrompts {

int show(QWidget *parent, QMessageBox::Icon icon, const QString &title, const QString &text,
         QMessageBox::StandardButtons buttons = QMessageBox::Ok, const QString &details = QString());

// Runs `action`; a failure is shown in the "Error" box. True on success.
bool runShowingErrors(QWidget *parent, const std::function<void()> &action);

// Runs `save`; when it fails, shows the error and lets the user discard the
// changes (runs `discard`, true) or keep them (false).
bool saveOrAskDiscard(QWidget *parent, const std::function<void()> &save, const std::function<void()> &discard);

} // namespace ReviewPrompts
