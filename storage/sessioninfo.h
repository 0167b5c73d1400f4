#pragma once

#include <QDateTime>
#include <QJsonObject>
#include <QString>

// One row of the Session table.
struct SessionInfo
{
    int patientId = 0;
    int sessionNumber = 0;
    bool presence = false;
    QDateTime startDateTime;
    QString baseFilename;

    // The row's JSON: "baseFilename", "startDateTime" and "presence" only.
    QJsonObject toJson() const;
    // Reads the row JSON into baseFilename, startDateTime and presence.
    void readJson(const QJsonObject &object);
};
