#pragma once

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QString>

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
