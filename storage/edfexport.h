#pragma once

#include <QString>

class MonitorSession;
struct PatientRecord;

struct EdfExportOptions
{
    // The patient field becomes "X X X X" and the technician is left out;
    // annotations are anonymizedAnnotations(): events without their texts,
    // nothing that identifies the patient.
    bool anonymize = false;
    // Who ran the session; empty when not known. The file holds its first
    // MaxEdfTechnicianLength characters (accents dropped, spaces as "_").
    QString technician;
};

// The longest technician's name a file's header holds.
constexpr int MaxEdfTechnicianLength = 40;

// Writes one session as an EDF+ file with continuous one-second records:
// - one signal per recorded ECG channel ("ECG <lead>"), in mV at the
//   recording's rate, whose digital values are the recording's own counts
//   and whose range is the module's (wider only for counts beyond it);
// - the heart-rate trend ("HR", bpm, 1/s), and the SpO2 and temperature
//   trends when they hold a reading;
// - the patient and recording header fields and the session's start;
// - an annotation for every entry of sessionAnnotations(), the file long
//   enough to hold the last of them;
// - where the recording holds no ECG (its gaps, the time after its last
//   sample), zeros and an annotation "ECG missing" with the stretch's
//   duration, so that no reader takes the missing stretch for a flat line.
// The last second is completed with zeros, and so are trends shorter than
// the recording.
//
// The file is written beside the target under a temporary name, read back to
// check it, and only then put in the target's place: on any failure the
// target is left as it was and the temporary file is removed. Memory does not
// grow with the session's length (the recording is read block by block).
// One export at a time: the library's opening and closing of files are not
// safe on several threads at once.
//
// Throws StorageError: "The session has no ECG recording" (none, or one
// without samples), "The recording's value range cannot be stored",
// "The session's start date cannot be stored", "The session has more
// annotations than its recording can hold", "Cannot create file" (the
// target's folder cannot take a new file), "Write error".
struct EdfExportResult
{
    // Seconds of the file marked "ECG missing".
    double missingSeconds = 0.0;
};

EdfExportResult exportSessionEdf(const MonitorSession &session, const PatientRecord &patient, const QString &path,
                                 const EdfExportOptions &options = {});
