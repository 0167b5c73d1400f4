#pragma once

#include <QByteArray>
#include <QJsonObject>

class TSignal;
struct PatientRecord;
struct SessionData;

// The JSON header of a recording: "study", "patient", "session" and "ecg".
QJsonObject recordingHeaderJson(const TSignal &recording, const PatientRecord &patient, const SessionData &data);

// "NVECG1" + the compact header JSON, at most headerSize bytes. When the JSON
// would not fit, the longest texts of the patient object (then the exercise
// type) are shortened until it does, so the header is always complete JSON.
QByteArray recordingHeaderBytes(const TSignal &recording, const PatientRecord &patient, const SessionData &data,
                                int headerSize);
// The same shortening on a ready header object.
QByteArray fitRecordingHeader(QJsonObject header, int headerSize);
