#pragma once

#include "testsettings.h"

#include "storage/monitordatabase.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

// A storage root of its own in a temporary folder, with the one database of
// the process open on it, and the shortest ways to fill it.
class TestStorage
{
public:
    TestStorage() { QStandardPaths::setTestModeEnabled(true); reopen(); }
    ~TestStorage() { database.reset(); }

    QString root() const { return dir.path(); }
    MonitorDatabase *operator->() const { return database.get(); }

    // Closes the database and opens it again, as the next start of the station would.
    void reopen()
    {
        database.reset();
        database = std::make_unique<MonitorDatabase>(dir.path());
    }

    int addPatient(const QString &last, const QString &first = QStringLiteral("Ana"))
    {
        PatientRecord record;
        record.lastName = last;
        record.firstName = first;
        record.birthDate = QDate(1950, 1, 31);
        database->insertPatient(record);
        return record.id;
    }

    std::unique_ptr<MonitorSession> startSession(int patientId, const QDateTime &start, bool presence = true)
    {
        SessionData data;
        data.patientId = patientId;
        data.sessionNumber = database->nextSessionNumber(patientId);
        data.presence = presence;
        data.startDateTime = start;
        data.exerciseType = QStringLiteral("Bike");
        data.weight = 80;
        return database->startSession(data);
    }

    QTemporaryDir dir;
    std::unique_ptr<MonitorDatabase> database;
};

// Puts exactly these bytes in a file, replacing what it held.
inline bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

inline QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}
