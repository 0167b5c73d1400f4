#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

class MonitorSession;
struct RhythmEpisode;
struct PatientRecord;

// One time-stamped note of an exported session.
struct EdfAnnotation
{
    double onset = 0.0; // seconds from the session's start
    QString text;
};

// Everything that happened in a session at its own time, ordered by time
// (entries of the same time keep the order below): every event with its
// description, every blood-pressure reading that was entered
// ("BP 130/85 mmHg, basal") and every alarm's onset, acknowledgement and end
// ("Alarm: ASYSTOLE (high)"), and the onset and end of every stretch of atrial
// fibrillation. Further kinds of entries join here.
QVector<EdfAnnotation> sessionAnnotations(const MonitorSession &session);

// "AF onset" and "AF end" at the start and end of each stretch of atrial
// fibrillation among the episodes (sample indices at RhythmRate).
QVector<EdfAnnotation> rhythmAnnotations(const QVector<RhythmEpisode> &episodes);

// The text with every part of the patient's first and last name (as typed
// and without accents, whole words, any case) replaced by "X". A name part
// ends where letters end: "Ana_ok" and "Ana2" hold the name, "Anabel" does
// not. Accents count in any form, composed or as separate marks.
QString withoutPatientName(const QString &text, const PatientRecord &patient);

// withoutPatientName(), and also the patient's birth date (in the usual
// written forms), medical record number, identity-card number and telephone
// (with or without spaces, dots or dashes) replaced by "X".
QString withoutPatientIdentity(const QString &text, const PatientRecord &patient);

// sessionAnnotations() for a file that must not identify the patient:
// events keep their time and kind but not their text, which was typed at the
// station and may say anything ("Event" instead); readings and alarms, whose
// texts the station writes, stay, with withoutPatientIdentity() applied.
QVector<EdfAnnotation> anonymizedAnnotations(const MonitorSession &session, const PatientRecord &patient);

// The text on one line, cut into pieces of at most maxBytes bytes of UTF-8,
// between words where possible and never inside a character; every piece but
// the last ends with "...". One piece when the text fits.
QStringList splitAnnotationText(const QString &text, int maxBytes);

// Printable ASCII for the file's header: accents dropped, any other
// character outside printable ASCII as "?".
QByteArray edfHeaderText(const QString &text);
