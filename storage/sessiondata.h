#pragma once

#include <QDateTime>
#include <QString>

// What the user enters for one session before and after monitoring.
struct SessionData
{
    int patientId = 0;
    int sessionNumber = 0;
    bool presence = true;
    QDateTime startDateTime;
    QString exerciseType;
    double weight = 0.0, height = 0.0, abdomen = 0.0;
    int borgRPE = 0;
    QString symptoms, conclusion;
};
