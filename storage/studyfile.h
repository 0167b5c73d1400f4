#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QtGlobal>

#include <memory>

class MonitorSession;
struct PatientRecord;

// A study file keeps one whole session: "NVSTUDY2" + qCompress(compact JSON).
// Files starting "NVSTUDY1" hold the JSON uncompressed and are read too.

// The "study" object shared by study files and recording headers.
QJsonObject studyHeaderJson(const QString &startDateTime);

// The study JSON of a session and its patient.
QJsonObject studyJson(const MonitorSession &session, const PatientRecord &patient);

// Replaces the study file at path as a whole, through a save file.
// Throws StorageError "Cannot create study file" or "Write error"; the
// previous file survives both.
void writeStudyFile(const MonitorSession &session, const PatientRecord &patient, const QString &path);

// Largest study JSON read: a 12-hour session is a few megabytes; anything
// beyond this bound is not a study of this station.
constexpr qint64 MaxStudyJsonSize = 64 * 1024 * 1024;

// False when the file cannot be read, is shorter than 8 bytes, starts with
// another magic, holds nothing after it, or states or holds more than
// MaxStudyJsonSize bytes of JSON (checked before anything that large is
// allocated). A payload that does not uncompress or parse gives an empty
// document.
bool readStudyFile(const QString &path, QJsonDocument &document);

// Rebuilds a session from a study object (top-level object not empty) for the
// given patient and session number; the recording is left to the caller.
std::unique_ptr<MonitorSession> sessionFromStudy(const QJsonObject &study, int patientId, int sessionNumber);
