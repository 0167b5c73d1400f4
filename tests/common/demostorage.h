#pragma once

#include "storage/demodata.h"
#include "storage/monitordatabase.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

// A temporary storage root whose database (the process's open database
// while it lives) holds demonstration patients with finished sessions.
class DemoStorage
{
public:
    explicit DemoStorage(int patients = 1, int sessions = 3, int minutes = 1)
    {
        DemoDataOptions options;
        options.patients = patients;
        options.sessions = sessions;
        options.minutes = minutes;
        database = std::make_unique<MonitorDatabase>(root.path());
        fillDemoData(*database, options);
    }

    int firstPatientId() const { return database->listPatients().first().id; }

    QString studyPath(int patientId, int sessionNumber) const
    {
        SessionInfo info;
        database->loadSession(patientId, sessionNumber, info);
        return database->studyPath(info.baseFilename);
    }

    QByteArray studyBytes(int patientId, int sessionNumber) const
    {
        QFile file(studyPath(patientId, sessionNumber));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QTemporaryDir root;
    std::unique_ptr<MonitorDatabase> database;
};
