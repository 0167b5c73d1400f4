#pragma once

#include <QJsonDocument>
#include <QJsonObject>
#include <QString>
#include <QVector>
#include <QtGlobal>

#include <memory>

#include "storage/patientrecord.h"

class MonitorSession;
struct RhythmEpisode;
struct PatientRecord;

// A study file keeps one whole session: "NVSTUDY2" + qCompress(compact JSON).
// Files starting "NVSTUDY1" hold the JSON uncompressed and are read too.

// The "study" object shared by study files and recording headers.
QJsonObject studyHeaderJson(const QString &startDateTime);

// The "rhythm" object of a study: its episodes with start and end in seconds
// of recording and the label's name. Reading leaves out episodes it cannot
// read. Sample indices are at RhythmRate.
constexpr int RhythmRate = 250;
QJsonObject rhythmJson(const QVector<RhythmEpisode> &episodes);
QVector<RhythmEpisode> rhythmFromJson(const QJsonObject &rhythm);

// The study JSON of a session and its patient.
QJsonObject studyJson(const MonitorSession &session, const PatientRecord &patient);

// Bounds of what is read as a study of this station: a 12-hour session is a
// few megabytes of JSON with a few hundred events; anything far beyond is not
// a study of this station and would only stall the windows and reports that
// show it. The writer keeps to the same bounds, so that it never replaces a
// good study file by one that could not be read back.
constexpr qint64 MaxStudyJsonSize = 64 * 1024 * 1024;
constexpr int MaxStudyEvents = 10000;
constexpr int MaxStudyTextLength = 65535; // characters of any one text

// Why a study object is out of those bounds (too many events, a text too
// long); empty when it is within them.
QString studyBoundsViolation(const QJsonObject &study);

// Replaces the study file at path as a whole, through a save file. The
// patient's copy is cut to the text bound (the index keeps the whole record).
// Throws StorageError "Cannot create study file" or "Write error", or the
// bound that the session exceeds; the previous file survives all of them.
void writeStudyFile(const MonitorSession &session, const PatientRecord &patient, const QString &path);

// False when the path is not a regular file (a folder, a pipe or a device is
// never opened), cannot be read, is shorter than 8 bytes, starts with another
// magic, holds nothing after it, states or holds more than MaxStudyJsonSize
// bytes of JSON (checked before anything that large is allocated), or parses
// into a study beyond the bounds, or whose payload does not uncompress or
// parse (too deeply nested, for one). `why`, when given, then tells which.
bool readStudyFile(const QString &path, QJsonDocument &document, QString *why = nullptr);

// Rebuilds a session from a study object (top-level object not empty) for the
// given patient and session number; the recording is left to the caller.
std::unique_ptr<MonitorSession> sessionFromStudy(const QJsonObject &study, int patientId, int sessionNumber);

// A study file as the index is rebuilt from it: the patient's copy of the
// record and, when the file holds one, the session with the number it was
// stored under (patient id left 0).
struct StoredStudy
{
    PatientRecord patient;
    int storedPatientId = 0;   // the patient's number when the file was written; 0 in older files
    std::unique_ptr<MonitorSession> session;
};

// Reads a study file of a monitored session through readStudyFile. False,
// with the reason in `why`, when that refuses it, when its payload is
// damaged, or when it is not a monitor session or names no patient uuid.
bool readStoredStudy(const QString &path, StoredStudy &study, QString *why = nullptr);
