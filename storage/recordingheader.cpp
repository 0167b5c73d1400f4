#include "storage/recordingheader.h"

#include "dsp/tsignal.h"
#include "storage/patientrecord.h"
#include "storage/sessiondata.h"
#include "storage/storedtime.h"
#include "storage/studyfile.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QByteArray Magic("NVECG1");

// Shortens the longest text of an object (other than the skipped keys) by
// about `excess` characters; false when there is nothing left to shorten.
bool shortenLongest(QJsonObject &object, int excess, const QStringList &skip)
{
    QString longestKey;
    int longest = 0;
    for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
        if (!it.value().isString() || skip.contains(it.key()))
            continue;
        const int length = it.value().toString().size();
        if (length > longest) {
            longest = length;
            longestKey = it.key();
        }
    }
    if (longest == 0)
        return false;
    QString text = object.value(longestKey).toString();
    // Every character takes at least one byte of JSON, so cutting `excess`
    // characters removes at least `excess` bytes.
    int n = std::max(0, longest - std::max(excess, 1));
    if (n > 0 && text.at(n - 1).isHighSurrogate())
        --n;
    text.truncate(n);
    object.insert(longestKey, text);
    return true;
}

QByteArray withMagic(const QJsonObject &header)
{
    return Magic + QJsonDocument(header).toJson(QJsonDocument::Compact);
}

} // namespace

QJsonObject recordingHeaderJson(const TSignal &recording, const PatientRecord &patient, const SessionData &data)
{
    const QString start = StoredTime::toText(data.startDateTime);
    const QJsonObject study = studyHeaderJson(start);

    QJsonObject session;
    session.insert(QStringLiteral("sessionNumber"), data.sessionNumber);
    session.insert(QStringLiteral("startDateTime"), start);
    session.insert(QStringLiteral("exerciseType"), data.exerciseType);
    session.insert(QStringLiteral("weight"), data.weight);
    session.insert(QStringLiteral("height"), data.height);
    session.insert(QStringLiteral("abdomen"), data.abdomen);

    QJsonArray channels;
    for (int c = 0; c < recording.channelCount(); ++c)
        channels.append(recording.channelName(c));
    QJsonObject ecg;
    ecg.insert(QStringLiteral("sampleFormat"), QStringLiteral("short"));
    ecg.insert(QStringLiteral("samplingRate"), recording.rate());
    ecg.insert(QStringLiteral("resolution"), recording.resolutionBits());
    ecg.insert(QStringLiteral("gainMin"), recording.minimum());
    ecg.insert(QStringLiteral("gainMax"), recording.maximum());
    ecg.insert(QStringLiteral("channels"), channels);

    QJsonObject header;
    header.insert(QStringLiteral("study"), study);
    header.insert(QStringLiteral("patient"), patient.toJson());
    header.insert(QStringLiteral("session"), session);
    header.insert(QStringLiteral("ecg"), ecg);
    return header;
}

QByteArray fitRecordingHeader(QJsonObject header, int headerSize)
{
    QByteArray bytes = withMagic(header);
    if (bytes.size() <= headerSize)
        return bytes;
    // Identity and dates keep their full form; everything else may shrink.
    const QStringList keep = {QStringLiteral("uuid"), QStringLiteral("birthDate"), QStringLiteral("sex")};
    QJsonObject patient = header.value(QStringLiteral("patient")).toObject();
    while (bytes.size() > headerSize && shortenLongest(patient, bytes.size() - headerSize, keep)) {
        header.insert(QStringLiteral("patient"), patient);
        bytes = withMagic(header);
    }
    QJsonObject session = header.value(QStringLiteral("session")).toObject();
    const QStringList sessionKeep = {QStringLiteral("startDateTime")};
    while (bytes.size() > headerSize && shortenLongest(session, bytes.size() - headerSize, sessionKeep)) {
        header.insert(QStringLiteral("session"), session);
        bytes = withMagic(header);
    }
    return bytes;
}

QByteArray recordingHeaderBytes(const TSignal &recording, const PatientRecord &patient, const SessionData &data,
                                int headerSize)
{
    return fitRecordingHeader(recordingHeaderJson(recording, patient, data), headerSize);
}
