#pragma once

#include "testsettings.h"

#include "storage/demodata.h"
#include "storage/monitordatabase.h"
#include "storage/openrecords.h"
#include "storage/storageerror.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <functional>
#include <memory>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif

// A storage root of its own in a temporary folder, with the one database of
// the process open on it, the station's record of what its windows hold
// open, and the shortest ways to fill it.
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
    OpenRecords records;
};

// A statement run directly on the index of an open database (damage a test
// inflicts, rows it reads as stored); an empty statement prepares nothing.
inline QSqlQuery indexQuery(const MonitorDatabase &database, const QString &statement = QString())
{
    return QSqlQuery(statement, QSqlDatabase::database(database.connectionName(), false));
}

// A patient with every field filled: each text holds its key and an accent.
inline PatientRecord fullPatient()
{
    QJsonObject o{{"uuid", "{0f8fad5b-d9cb-469f-a165-70867728950e}"}, {"birthDate", "19560309"}};
    for (const char *key : {"firstName", "lastName", "sex", "personIdType", "personIdNumber", "medicalGroupName",
                            "medicalGroupNumber", "medicalHistoryNumber", "address", "city", "state", "country",
                            "phoneNumber", "comments", "risks", "medication", "adaptation", "conclusion"})
        o.insert(QLatin1String(key), QLatin1String(key) + QStringLiteral(" ñ"));
    return PatientRecord::fromJson(o);
}

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

// The message of the storage error `action` throws; empty when it throws none.
inline QString storageErrorOf(const std::function<void()> &action)
{
    try {
        action();
    } catch (const StorageError &e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

#ifdef Q_OS_UNIX
// While it lives, no file of this process grows past `bytes`, as on a full
// disk: a write beyond fails instead of ending the process.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(qint64 bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limited = m_saved;
        limited.rlim_cur = rlim_t(bytes);
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_saved{};
};
#endif

// A storage root holding demonstration patients with finished sessions.
class DemoStorage : public TestStorage
{
public:
    explicit DemoStorage(int patients = 1, int sessions = 3, int minutes = 1)
    {
        DemoDataOptions options;
        options.patients = patients;
        options.sessions = sessions;
        options.minutes = minutes;
        fillDemoData(*database, options);
    }

    int firstPatientId() const { return database->listPatients().first().id; }

    QString studyPath(int patientId, int sessionNumber) const
    {
        SessionInfo info;
        database->loadSession(patientId, sessionNumber, info);
        return database->studyPath(info.baseFilename);
    }

    QByteArray studyBytes(int patientId, int sessionNumber) const { return readFile(studyPath(patientId, sessionNumber)); }
};
