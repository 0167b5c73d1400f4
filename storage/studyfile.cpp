#include "storage/studyfile.h"

#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/storageerror.h"
#include "storage/storedtime.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QSaveFile>
#include <QtEndian>

#include <vector>
#include <zlib.h>

namespace {

const QByteArray MagicCompressed("NVSTUDY2");
const QByteArray MagicPlain("NVSTUDY1");

QString translated(const char *text)
{
    return QCoreApplication::translate("MonitorDatabase", text);
}

[[noreturn]] void raise(const char *text)
{
    throw StorageError(translated(text).toStdString());
}

// The first text of a JSON value (searched depth first) that is longer than
// the bound, with the key it is stored under; false when there is none.
bool findLongText(const QJsonValue &value, const QString &key, QString &longKey)
{
    if (value.isString()) {
        if (value.toString().size() <= MaxStudyTextLength)
            return false;
        longKey = key;
        return true;
    }
    if (value.isArray()) {
        for (const QJsonValue &element : value.toArray())
            if (findLongText(element, key, longKey))
                return true;
    } else if (value.isObject()) {
        const QJsonObject object = value.toObject();
        for (auto it = object.constBegin(); it != object.constEnd(); ++it)
            if (findLongText(it.value(), it.key(), longKey))
                return true;
    }
    return false;
}

// The patient's texts cut to the bound: the study keeps a copy of the
// record, whose whole text stays in the index.
QJsonObject boundedPatient(QJsonObject patient)
{
    for (auto it = patient.begin(); it != patient.end(); ++it) {
        if (it.value().isString() && it.value().toString().size() > MaxStudyTextLength) {
            QString text = it.value().toString();
            int n = MaxStudyTextLength;
            if (text.at(n - 1).isHighSurrogate())
                --n;
            text.truncate(n);
            it.value() = text;
        }
    }
    return patient;
}

enum class Uncompressed { Ok, Damaged, TooLarge };

// The qCompress layout (4-byte big-endian stated length, then a zlib stream)
// inflated piece by piece, so that neither the stated nor the actual length
// can make it allocate more than maxSize bytes. A damaged payload gives an
// empty result.
Uncompressed uncompressBounded(const QByteArray &payload, qint64 maxSize, QByteArray &out)
{
    out.clear();
    if (payload.size() < 4)
        return Uncompressed::Damaged;
    const quint32 stated = qFromBigEndian<quint32>(payload.constData());
    if (stated > maxSize)
        return Uncompressed::TooLarge;
    out.reserve(int(stated));

    z_stream stream{};
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(payload.constData() + 4));
    stream.avail_in = uInt(payload.size() - 4);
    if (inflateInit(&stream) != Z_OK)
        return Uncompressed::Damaged;
    std::vector<char> piece(64 * 1024);
    Uncompressed result = Uncompressed::Damaged;
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef *>(piece.data());
        stream.avail_out = uInt(piece.size());
        const int status = inflate(&stream, Z_NO_FLUSH);
        const qint64 produced = qint64(piece.size()) - stream.avail_out;
        if (out.size() + produced > maxSize) {
            result = Uncompressed::TooLarge;
            break;
        }
        out.append(piece.data(), int(produced));
        if (status == Z_STREAM_END) {
            result = Uncompressed::Ok;
            break;
        }
        // Z_BUF_ERROR with input left cannot happen here; without input the
        // stream was cut short.
        if (status != Z_OK)
            break;
    }
    inflateEnd(&stream);
    if (result != Uncompressed::Ok)
        out.clear();
    return result;
}

template<typename T>
QJsonArray toArray(const QVector<T> &values)
{
    QJsonArray array;
    for (const T &v : values)
        array.append(v);
    return array;
}

} // namespace

QJsonObject rhythmJson(const QVector<RhythmEpisode> &episodes)
{
    QJsonArray list;
    for (const RhythmEpisode &e : episodes) {
        QJsonObject o;
        o.insert(QStringLiteral("start"), double(e.start) / RhythmRate);
        o.insert(QStringLiteral("end"), double(e.end) / RhythmRate);
        o.insert(QStringLiteral("label"), QString::fromLatin1(rhythmLabelName(e.label)));
        list.append(o);
    }
    QJsonObject rhythm;
    rhythm.insert(QStringLiteral("episodes"), list);
    return rhythm;
}

QVector<RhythmEpisode> rhythmFromJson(const QJsonObject &rhythm)
{
    // Episodes that cannot be read (an unknown label, an end before the
    // start) are left out; the others keep their order.
    QVector<RhythmEpisode> episodes;
    for (const QJsonValue &v : rhythm.value(QStringLiteral("episodes")).toArray()) {
        const QJsonObject o = v.toObject();
        RhythmEpisode e;
        const double start = o.value(QStringLiteral("start")).toDouble(-1.0);
        const double end = o.value(QStringLiteral("end")).toDouble(-1.0);
        if (!(start >= 0.0) || !(end >= start) || end > 1e9
            || !rhythmLabelFromName(o.value(QStringLiteral("label")).toString(), e.label))
            continue;
        e.start = qRound64(start * RhythmRate);
        e.end = qRound64(end * RhythmRate);
        episodes.append(e);
    }
    return episodes;
}

QJsonObject studyHeaderJson(const QString &startDateTime)
{
    QJsonObject study;
    study.insert(QStringLiteral("studyType"), QStringLiteral("Monitor session"));
    study.insert(QStringLiteral("studyDateTime"), startDateTime);
    return study;
}

QJsonObject studyJson(const MonitorSession &session, const PatientRecord &patient)
{
    const QString start = StoredTime::toText(session.startDateTime);
    const QJsonObject study = studyHeaderJson(start);

    QJsonObject data;
    data.insert(QStringLiteral("sessionNumber"), session.sessionNumber);
    data.insert(QStringLiteral("presence"), session.presence);
    data.insert(QStringLiteral("startDateTime"), start);
    data.insert(QStringLiteral("exerciseType"), session.exerciseType);
    data.insert(QStringLiteral("weight"), session.weight);
    data.insert(QStringLiteral("height"), session.height);
    data.insert(QStringLiteral("abdomen"), session.abdomen);
    data.insert(QStringLiteral("borgRPE"), session.borgRPE);
    data.insert(QStringLiteral("symptoms"), session.symptoms);
    data.insert(QStringLiteral("conclusion"), session.conclusion);

    QJsonArray checkpoints;
    for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
        const Checkpoint c = session.checkpoint(phase);
        QJsonObject o;
        o.insert(QStringLiteral("phase"), MonitorSession::phaseName(phase));
        o.insert(QStringLiteral("timeOffset"), c.timeOffset);
        o.insert(QStringLiteral("heartRate"), c.heartRate);
        o.insert(QStringLiteral("sysBP"), c.sysBP);
        o.insert(QStringLiteral("diaBP"), c.diaBP);
        checkpoints.append(o);
    }
    QJsonObject results;
    results.insert(QStringLiteral("hrTrend"), toArray(session.hrTrend));
    results.insert(QStringLiteral("spo2Trend"), toArray(session.spo2Trend));
    results.insert(QStringLiteral("tempTrend"), toArray(session.tempTrend));
    // Sessions recorded without beat labels have no PVC data and no key, so
    // that an older study file read and written again stays as it was.
    if (!session.pvcTrend.isEmpty())
        results.insert(QStringLiteral("pvcTrend"), toArray(session.pvcTrend));
    if (session.stTrend.analysed)
        results.insert(QStringLiteral("stTrend"), session.stTrend.toJson());
    results.insert(QStringLiteral("checkpoints"), checkpoints);

    QJsonArray events;
    for (const SessionEvent &e : session.events) {
        QJsonObject o;
        o.insert(QStringLiteral("description"), e.description);
        o.insert(QStringLiteral("timeOffset"), e.timeOffset);
        o.insert(QStringLiteral("print"), e.print);
        events.append(o);
    }

    QJsonObject top;
    top.insert(QStringLiteral("study"), study);
    // The patient's id goes with it, so that a rebuilt index can give the
    // patient the same number again (readers of the record ignore it).
    QJsonObject patientObject = boundedPatient(patient.toJson());
    if (patient.id > 0)
        patientObject.insert(QStringLiteral("id"), patient.id);
    top.insert(QStringLiteral("patient"), patientObject);
    top.insert(QStringLiteral("session"), data);
    top.insert(QStringLiteral("results"), results);
    top.insert(QStringLiteral("events"), events);
    // Only sessions that alarmed carry the key; readers without it see none.
    if (!session.alarmLog.isEmpty())
        top.insert(QStringLiteral("alarms"), alarmLogJson(session.alarmLog));
    // Likewise only sessions whose rhythm was judged.
    if (session.rhythmAnalysed)
        top.insert(QStringLiteral("rhythm"), rhythmJson(session.rhythmEpisodes));
    return top;
}

QString studyBoundsViolation(const QJsonObject &study)
{
    const int events = study.value(QStringLiteral("events")).toArray().size();
    if (events > MaxStudyEvents)
        return translated(QT_TRANSLATE_NOOP("MonitorDatabase", "The session holds %1 events, more than %2"))
            .arg(events)
            .arg(MaxStudyEvents);
    QString key;
    if (findLongText(study, QString(), key))
        return translated(QT_TRANSLATE_NOOP("MonitorDatabase", "The text \"%1\" is longer than %2 characters"))
            .arg(key)
            .arg(MaxStudyTextLength);
    return QString();
}

void writeStudyFile(const MonitorSession &session, const PatientRecord &patient, const QString &path)
{
    const QJsonObject study = studyJson(session, patient);
    const QString violation = studyBoundsViolation(study);
    if (!violation.isEmpty())
        throw StorageError(violation.toStdString());
    const QByteArray json = QJsonDocument(study).toJson(QJsonDocument::Compact);
    if (json.size() > MaxStudyJsonSize)
        throw StorageError(translated(QT_TRANSLATE_NOOP("MonitorDatabase", "The session is larger than %1 MiB"))
                               .arg(MaxStudyJsonSize >> 20)
                               .toStdString());
    // The save file replaces the target only on commit, so a failed or
    // interrupted write leaves the previous study file whole.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        raise(QT_TRANSLATE_NOOP("MonitorDatabase", "Cannot create study file"));
    // A full disk can end a write short without reporting an error, so the
    // byte count is checked before the new file may replace the old one.
    const QByteArray bytes = MagicCompressed + qCompress(json);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        file.commit();
        raise(QT_TRANSLATE_NOOP("MonitorDatabase", "Write error"));
    }
    if (!file.commit())
        raise(QT_TRANSLATE_NOOP("MonitorDatabase", "Write error"));
}

bool readStudyFile(const QString &path, QJsonDocument &document, QString *why)
{
    const auto refuse = [why](const QString &reason) {
        if (why)
            *why = reason;
        return false;
    };
    // Opening a pipe for reading would wait for a writer for ever.
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return refuse(translated(QT_TRANSLATE_NOOP("MonitorDatabase", "Not a regular file")));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(file.errorString());
    const QByteArray magic = file.read(8);
    if (magic.size() < 8 || (magic != MagicCompressed && magic != MagicPlain))
        return refuse(translated(QT_TRANSLATE_NOOP("MonitorDatabase", "Not a study file")));
    // Compression never makes a study bigger than its JSON by more than a
    // few bytes, so the bound holds for what is read too.
    const QString tooLarge =
        translated(QT_TRANSLATE_NOOP("MonitorDatabase", "The session is larger than %1 MiB")).arg(MaxStudyJsonSize >> 20);
    if (file.size() - magic.size() > MaxStudyJsonSize + 1024)
        return refuse(tooLarge);
    const QByteArray payload = file.readAll();
    if (payload.isEmpty())
        return refuse(translated(QT_TRANSLATE_NOOP("MonitorDatabase", "Not a study file")));
    QByteArray json = payload;
    if (magic == MagicCompressed) {
        // A damaged payload leaves nothing to parse (refused as damaged
        // below); one that would expand beyond any real session is not a
        // readable study at all.
        if (uncompressBounded(payload, MaxStudyJsonSize, json) == Uncompressed::TooLarge)
            return refuse(tooLarge);
    }
    QJsonParseError parsed{};
    document = QJsonDocument::fromJson(json, &parsed);
    if (parsed.error != QJsonParseError::NoError) {
        document = QJsonDocument();
        return refuse(parsed.error == QJsonParseError::DeepNesting
                          ? translated(QT_TRANSLATE_NOOP("MonitorDatabase", "The study file is nested too deeply"))
                          : translated(QT_TRANSLATE_NOOP("MonitorDatabase", "The study file is damaged")));
    }
    const QString violation = studyBoundsViolation(document.object());
    if (!violation.isEmpty()) {
        document = QJsonDocument();
        return refuse(violation);
    }
    return true;
}

std::unique_ptr<MonitorSession> sessionFromStudy(const QJsonObject &study, int patientId, int sessionNumber)
{
    const QJsonObject s = study.value(QStringLiteral("session")).toObject();
    SessionData data;
    data.patientId = patientId;
    data.sessionNumber = sessionNumber;
    data.presence = s.value(QStringLiteral("presence")).toBool(false);
    data.startDateTime = StoredTime::fromText(s.value(QStringLiteral("startDateTime")).toString());
    data.exerciseType = s.value(QStringLiteral("exerciseType")).toString();
    data.weight = s.value(QStringLiteral("weight")).toDouble(0.0);
    data.height = s.value(QStringLiteral("height")).toDouble(0.0);
    data.abdomen = s.value(QStringLiteral("abdomen")).toDouble(0.0);
    data.borgRPE = s.value(QStringLiteral("borgRPE")).toInt(0);
    data.symptoms = s.value(QStringLiteral("symptoms")).toString();
    data.conclusion = s.value(QStringLiteral("conclusion")).toString();

    auto session = std::make_unique<MonitorSession>(data);
    const QJsonObject results = study.value(QStringLiteral("results")).toObject();
    const QJsonArray hr = results.value(QStringLiteral("hrTrend")).toArray();
    const QJsonArray spo2 = results.value(QStringLiteral("spo2Trend")).toArray();
    const QJsonArray temp = results.value(QStringLiteral("tempTrend")).toArray();
    const QJsonArray pvc = results.value(QStringLiteral("pvcTrend")).toArray();
    session->hrTrend.reserve(hr.size());
    for (const QJsonValue &v : hr)
        session->hrTrend.append(v.toInt(0));
    session->spo2Trend.reserve(spo2.size());
    for (const QJsonValue &v : spo2)
        session->spo2Trend.append(v.toInt(0));
    session->tempTrend.reserve(temp.size());
    for (const QJsonValue &v : temp)
        session->tempTrend.append(v.toDouble(0.0));
    // Files written before beats were labelled have none: no data.
    session->pvcTrend.reserve(pvc.size());
    for (const QJsonValue &v : pvc)
        session->pvcTrend.append(v.toInt(0));
    // Files written before the ST segment was measured: not analysed.
    session->stTrend = StSessionData::fromJson(results.value(QStringLiteral("stTrend")));

    // A later checkpoint of a phase replaces an earlier one; unknown phases
    // do not come from this program and are ignored.
    for (const QJsonValue &v : results.value(QStringLiteral("checkpoints")).toArray()) {
        const QJsonObject o = v.toObject();
        const int phase = MonitorSession::phaseFromName(o.value(QStringLiteral("phase")).toString());
        if (phase == 0)
            continue;
        Checkpoint c;
        c.timeOffset = o.value(QStringLiteral("timeOffset")).toDouble(0.0);
        c.heartRate = o.value(QStringLiteral("heartRate")).toInt(0);
        c.sysBP = o.value(QStringLiteral("sysBP")).toInt(0);
        c.diaBP = o.value(QStringLiteral("diaBP")).toInt(0);
        session->setCheckpoint(phase, c);
    }

    for (const QJsonValue &v : study.value(QStringLiteral("events")).toArray()) {
        const QJsonObject o = v.toObject();
        SessionEvent e;
        e.description = o.value(QStringLiteral("description")).toString();
        e.timeOffset = o.value(QStringLiteral("timeOffset")).toInt(0);
        e.print = o.value(QStringLiteral("print")).toBool(false);
        session->events.append(e);
    }
    session->alarmLog = alarmLogFromJson(study.value(QStringLiteral("alarms")).toArray());
    const QJsonValue rhythm = study.value(QStringLiteral("rhythm"));
    session->rhythmAnalysed = rhythm.isObject();
    session->rhythmEpisodes = rhythmFromJson(rhythm.toObject());
    return session;
}

bool readStoredStudy(const QString &path, StoredStudy &study, QString *why)
{
    QJsonDocument document;
    if (!readStudyFile(path, document, why))
        return false;
    const auto refuse = [why](const char *reason) {
        if (why)
            *why = translated(reason);
        return false;
    };
    const QJsonObject top = document.object();
    if (top.isEmpty())
        return refuse(QT_TRANSLATE_NOOP("MonitorDatabase", "The study file is damaged"));
    const QJsonObject header = top.value(QStringLiteral("study")).toObject();
    if (header.value(QStringLiteral("studyType")).toString() != QLatin1String("Monitor session"))
        return refuse(QT_TRANSLATE_NOOP("MonitorDatabase", "Not a monitor session"));
    const QJsonObject patient = top.value(QStringLiteral("patient")).toObject();
    study.patient = PatientRecord::fromJson(patient);
    study.storedPatientId = patient.value(QStringLiteral("id")).toInt(0);
    if (study.patient.uuid.isNull())
        return refuse(QT_TRANSLATE_NOOP("MonitorDatabase", "The study file names no patient"));
    const QJsonObject session = top.value(QStringLiteral("session")).toObject();
    study.session = session.isEmpty()
        ? nullptr
        : sessionFromStudy(top, 0, session.value(QStringLiteral("sessionNumber")).toInt(0));
    return true;
}
