#include "storage/edfexport.h"

#include "storage/edfannotations.h"
#include "storage/edfgaps.h"
#include "storage/monitorsession.h"
#include "storage/patientrecord.h"
#include "storage/storageerror.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <edflib.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <memory>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <cstdio>
#include <unistd.h>
#endif

namespace {

// The library keeps only this many bytes of a description; longer texts go
// into several annotations of the same time.
constexpr int MaxAnnotationBytes = 40;
// Each annotation signal holds one annotation per one-second record.
constexpr int MaxAnnotationSignals = 64;
// Dates the file's header can hold.
constexpr int FirstYear = 1985, LastYear = 2084;
constexpr int TemperatureSteps = 100; // per degree

[[noreturn]] void raise(const char *text)
{
    throw StorageError(QCoreApplication::translate("EdfExport", text).toStdString());
}

void check(int result)
{
    if (result < 0)
        raise(QT_TRANSLATE_NOOP("EdfExport", "Write error"));
}

// One signal of the file: its samples are stored as they are, one count
// standing for `scale` physical units, within the digital range.
struct EdfSignal
{
    QByteArray label, unit;
    int samplesPerRecord = 1;
    double scale = 1.0;
    int digitalMin = 0, digitalMax = 0;
};

struct AnnotationPiece
{
    qint64 onset = 0; // 100-microsecond units
    QByteArray text;  // UTF-8
    qint64 duration = -1; // 100-microsecond units, -1 for none
};

// What the file will hold, worked out before anything is written.
struct ExportPlan
{
    std::vector<EdfSignal> signalList;
    int channels = 0;
    bool withSpo2 = false, withTemperature = false;
    QVector<int> stPerSecond;   // the ST trend in microvolts, one value a second; empty when not analysed
    qint64 records = 0;
    std::vector<AnnotationPiece> annotations;
    int annotationSignals = 1;
    double missingSeconds = 0.0;
};

// Reads one channel's counts in order, one block at a time, so that memory
// does not depend on the recording's length.
class ChannelReader
{
public:
    ChannelReader(TSignal &signal, int channel) : m_signal(signal), m_channel(channel) {}
    ~ChannelReader() { release(); }
    ChannelReader(const ChannelReader &) = delete;
    ChannelReader &operator=(const ChannelReader &) = delete;

    // The next n counts; zeros past the end of the recording.
    void read(qint16 *out, int n)
    {
        for (int k = 0; k < n; ++k, ++m_next)
            out[k] = count(m_next);
    }

private:
    qint16 count(qint64 index)
    {
        if (index >= m_signal.sampleCount())
            return 0;
        const int length = m_signal.blockLength();
        const int block = int(index / length);
        // The incomplete last block of a file still being written is not a block.
        if (block >= m_signal.blockCount())
            return qint16(m_signal.sample(m_channel, int(index)));
        if (block != m_block) {
            release();
            m_data = m_signal.readBlock(m_channel, block);
            m_block = block;
        }
        return m_data ? m_data[index - qint64(block) * length] : 0;
    }

    void release()
    {
        if (m_data)
            m_signal.freeBlock(m_data);
        m_data = nullptr;
    }

    TSignal &m_signal;
    int m_channel;
    qint64 m_next = 0;
    int m_block = -1;
    qint16 *m_data = nullptr;
};

// An open EDFlib handle, closed when it goes out of scope.
class EdfHandle
{
public:
    explicit EdfHandle(int handle) : m_handle(handle) {}
    ~EdfHandle()
    {
        if (m_handle >= 0)
            edfclose_file(m_handle);
    }
    EdfHandle(const EdfHandle &) = delete;
    EdfHandle &operator=(const EdfHandle &) = delete;

    int get() const { return m_handle; }
    // Closes now; false when the library reports a failure.
    bool close()
    {
        const int handle = m_handle;
        m_handle = -1;
        return edfclose_file(handle) == 0;
    }

private:
    int m_handle;
};

// The module's range in counts (the recording's stated minimum to maximum),
// widened in steps of half that range where the recording holds counts
// beyond it (a saturated or disturbed input): no count is clipped, and every
// limit stays a short decimal the header holds exactly. Readers may size the
// trace by it, so it is not simply the whole 16-bit range.
std::pair<int, int> ecgRange(TSignal &recording)
{
    constexpr int Lowest = std::numeric_limits<qint16>::min(), Highest = std::numeric_limits<qint16>::max();
    const double lsb = recording.lsb();
    int low = int(std::clamp<double>(std::round(recording.minimum() / lsb), Lowest, 0));
    int high = int(std::clamp<double>(std::round(recording.maximum() / lsb), 1, Highest));
    const int step = std::max(1, (high - low) / 2);
    std::vector<qint16> chunk(65536);
    int seenLow = 0, seenHigh = 0;
    for (int c = 0; c < recording.channelCount(); ++c) {
        ChannelReader reader(recording, c);
        for (qint64 at = 0; at < recording.sampleCount(); at += qint64(chunk.size())) {
            const int n = int(std::min<qint64>(qint64(chunk.size()), recording.sampleCount() - at));
            reader.read(chunk.data(), n);
            const auto [lo, hi] = std::minmax_element(chunk.begin(), chunk.begin() + n);
            seenLow = std::min<int>(seenLow, *lo);
            seenHigh = std::max<int>(seenHigh, *hi);
        }
    }
    while (seenHigh > high && high < Highest)
        high = int(std::min<qint64>(qint64(high) + step, Highest));
    while (seenLow < low && low > Lowest)
        low = int(std::max<qint64>(qint64(low) - step, Lowest));
    return {low, high};
}

// A trend's digital range: the usual values, widened to hold every entry.
template <typename Trend>
EdfSignal trendSignal(const char *label, const char *unit, double scale, int low, int high, const Trend &trend)
{
    EdfSignal signal{label, unit, 1, scale, low, high};
    for (const auto value : trend) {
        const double count = std::round(value / scale);
        if (std::isfinite(count)) {
            signal.digitalMin = int(std::clamp<double>(count, -32768, signal.digitalMin));
            signal.digitalMax = int(std::clamp<double>(count, signal.digitalMax, 32767));
        }
    }
    return signal;
}

// The ST trend a value a second: each point's median holds for the seconds
// since the previous point (the first from the start).
QVector<int> stPerSecond(const StSessionData &st)
{
    QVector<int> values;
    if (!st.analysed || st.trend.isEmpty())
        return values;
    const double last = st.trend.constLast().timeS;
    if (!(last > 0.0) || last > 48.0 * 3600.0)
        return values;
    values.resize(int(std::ceil(last)));
    double from = 0.0;
    for (const StTrendPoint &p : st.trend) {
        const long uv = std::isfinite(p.stUv) ? std::lround(p.stUv) : 0;
        for (int s = std::max(0, int(std::floor(from))); s < std::min(values.size(), int(std::ceil(p.timeS))); ++s)
            values[s] = int(uv);
        from = std::max(from, p.timeS);
    }
    return values;
}

QByteArray channelLabel(const TSignal &recording, int channel)
{
    const QString lead = recording.channelName(channel).trimmed();
    if (!lead.isEmpty())
        return "ECG " + edfHeaderText(lead);
    return recording.channelCount() > 1 ? "ECG " + QByteArray::number(channel + 1) : QByteArray("ECG");
}

// A patient subfield: ASCII without spaces, empty (written as "X") when unknown.
QByteArray subfield(const QString &text)
{
    return edfHeaderText(text.simplified()).replace(' ', '_');
}

ExportPlan planExport(const MonitorSession &session, const PatientRecord &patient, const EdfExportOptions &options)
{
    TFileSignal *recording = session.recording();
    if (!recording || recording->sampleCount() <= 0 || recording->rate() <= 0)
        raise(QT_TRANSLATE_NOOP("EdfExport", "The session has no ECG recording"));
    if (!(recording->lsb() > 0.0) || !std::isfinite(recording->lsb()))
        raise(QT_TRANSLATE_NOOP("EdfExport", "The recording's value range cannot be stored"));
    const QDate day = session.startDateTime.date();
    if (!session.startDateTime.isValid() || day.year() < FirstYear || day.year() > LastYear)
        raise(QT_TRANSLATE_NOOP("EdfExport", "The session's start date cannot be stored"));

    ExportPlan plan;
    plan.channels = recording->channelCount();
    const auto [low, high] = ecgRange(*recording);
    for (int c = 0; c < plan.channels; ++c)
        plan.signalList.push_back({channelLabel(*recording, c), "mV", recording->rate(), recording->lsb(), low, high});
    plan.signalList.push_back(trendSignal("HR", "bpm", 1.0, 0, 250, session.hrTrend));
    plan.withSpo2 = std::any_of(session.spo2Trend.begin(), session.spo2Trend.end(), [](int v) { return v != 0; });
    plan.withTemperature =
        std::any_of(session.tempTrend.begin(), session.tempTrend.end(), [](double v) { return v != 0.0; });
    if (plan.withSpo2)
        plan.signalList.push_back(trendSignal("SpO2", "%", 1.0, 0, 100, session.spo2Trend));
    if (plan.withTemperature)
        plan.signalList.push_back(trendSignal("Temp", "degC", 1.0 / TemperatureSteps, 0, 45 * TemperatureSteps,
                                              session.tempTrend));
    plan.stPerSecond = stPerSecond(session.stTrend);
    if (!plan.stPerSecond.isEmpty())
        plan.signalList.push_back(trendSignal("ST", "uV", 1.0, -2000, 2000, plan.stPerSecond));

    // Whole seconds holding every sample and every trend entry.
    const qint64 rate = recording->rate();
    plan.records = (recording->sampleCount() + rate - 1) / rate;
    plan.records = std::max<qint64>(plan.records, session.hrTrend.size());
    if (plan.withSpo2)
        plan.records = std::max<qint64>(plan.records, session.spo2Trend.size());
    if (plan.withTemperature)
        plan.records = std::max<qint64>(plan.records, session.tempTrend.size());
    plan.records = std::max<qint64>(plan.records, plan.stPerSecond.size());

    const QVector<EdfAnnotation> annotations =
        options.anonymize ? anonymizedAnnotations(session, patient) : sessionAnnotations(session);
    for (const EdfAnnotation &a : annotations) {
        const QString &text = a.text;
        // The file cannot place a note before its start: such a note (a clock
        // set back during the session) goes to the start.
        const double seconds = std::isfinite(a.onset) ? std::clamp(a.onset, 0.0, 1e12) : 0.0;
        const qint64 onset = std::llround(seconds * 10000.0);
        for (const QString &piece : splitAnnotationText(text, MaxAnnotationBytes))
            plan.annotations.push_back({onset, piece.toUtf8()});
    }
    // Every note lies inside the file: an alarm that ended after the last
    // sample extends it.
    for (const AnnotationPiece &a : plan.annotations)
        plan.records = std::max(plan.records, a.onset / 10000 + 1);
    // Where the file has no ECG it says so: zeros there are no signal.
    for (const EdfMissingEcg &stretch : missingEcg(session, plan.records)) {
        plan.annotations.push_back({std::llround(stretch.onset * 10000.0), missingEcgText().toUtf8(),
                                    std::max<qint64>(1, std::llround(stretch.duration * 10000.0))});
        plan.missingSeconds += stretch.duration;
    }
    std::stable_sort(plan.annotations.begin(), plan.annotations.end(),
                     [](const AnnotationPiece &a, const AnnotationPiece &b) { return a.onset < b.onset; });
    const qint64 needed = (qint64(plan.annotations.size()) + plan.records - 1) / plan.records;
    if (needed > MaxAnnotationSignals)
        raise(QT_TRANSLATE_NOOP("EdfExport", "The session has more annotations than its recording can hold"));
    plan.annotationSignals = int(std::max<qint64>(1, needed));
    return plan;
}

void setHeader(int handle, const ExportPlan &plan, const MonitorSession &session, const PatientRecord &patient,
               const EdfExportOptions &options)
{
    for (int s = 0; s < int(plan.signalList.size()); ++s) {
        const EdfSignal &signal = plan.signalList[size_t(s)];
        // A count times the scale is its physical value.
        check(edf_set_samplefrequency(handle, s, signal.samplesPerRecord));
        check(edf_set_digital_minimum(handle, s, signal.digitalMin));
        check(edf_set_digital_maximum(handle, s, signal.digitalMax));
        check(edf_set_physical_minimum(handle, s, signal.digitalMin * signal.scale));
        check(edf_set_physical_maximum(handle, s, signal.digitalMax * signal.scale));
        check(edf_set_label(handle, s, signal.label.constData()));
        check(edf_set_physical_dimension(handle, s, signal.unit.constData()));
    }
    const QDateTime &start = session.startDateTime;
    check(edf_set_startdatetime(handle, start.date().year(), start.date().month(), start.date().day(),
                                start.time().hour(), start.time().minute(), start.time().second()));
    if (!options.anonymize) {
        check(edf_set_patientcode(handle, subfield(patient.medicalHistoryNumber).constData()));
        if (patient.sex == QLatin1String("M") || patient.sex == QLatin1String("F"))
            check(edf_set_gender(handle, patient.sex == QLatin1String("M") ? 1 : 0));
        const QDate birth = patient.birthDate;
        if (birth.isValid() && birth.year() >= 1800 && birth.year() <= 3000)
            check(edf_set_birthdate(handle, birth.year(), birth.month(), birth.day()));
        check(edf_set_patientname(handle, subfield(patient.displayName()).constData()));
        check(edf_set_technician(handle, subfield(options.technician).left(MaxEdfTechnicianLength).constData()));
    }
    check(edf_set_equipment(handle, "Cardiolane"));
    check(edf_set_number_of_annotation_signals(handle, plan.annotationSignals));
}

void writeRecords(int handle, const ExportPlan &plan, const MonitorSession &session)
{
    TFileSignal &recording = *session.recording();
    std::vector<std::unique_ptr<ChannelReader>> readers;
    for (int c = 0; c < plan.channels; ++c)
        readers.push_back(std::make_unique<ChannelReader>(recording, c));
    int perRecord = 0;
    for (const EdfSignal &signal : plan.signalList)
        perRecord += signal.samplesPerRecord;
    std::vector<short> record(static_cast<size_t>(perRecord));
    const int rate = recording.rate();
    for (qint64 r = 0; r < plan.records; ++r) {
        short *out = record.data();
        for (int c = 0; c < plan.channels; ++c, out += rate)
            readers[size_t(c)]->read(out, rate);
        // Trend entry r belongs to second r; 0 where a trend ends earlier.
        const int i = int(r);
        *out++ = short(std::clamp(session.hrTrend.value(i), -32768, 32767));
        if (plan.withSpo2)
            *out++ = short(std::clamp(session.spo2Trend.value(i), -32768, 32767));
        if (plan.withTemperature) {
            const double t = session.tempTrend.value(i) * TemperatureSteps;
            *out++ = short(std::isfinite(t) ? std::clamp(std::lround(t), -32768L, 32767L) : 0);
        }
        if (!plan.stPerSecond.isEmpty())
            *out++ = short(std::clamp(plan.stPerSecond.value(i), -32768, 32767));
        check(edf_blockwrite_digital_short_samples(handle, record.data()));
    }
    for (const AnnotationPiece &a : plan.annotations)
        check(edfwrite_annotation_utf8(handle, a.onset, a.duration, a.text.constData()));
}

// Reads the finished file back: an EDF+ file with every record and every
// annotation, which also proves that every byte reached the file.
bool isComplete(const QString &path, const ExportPlan &plan)
{
    auto header = std::make_unique<edf_hdr_struct>();
    if (edfopen_file_readonly(QFile::encodeName(path).constData(), header.get(), EDFLIB_READ_ALL_ANNOTATIONS) != 0)
        return false;
    const bool complete = header->filetype == EDFLIB_FILETYPE_EDFPLUS
                          && header->edfsignals == int(plan.signalList.size())
                          && header->datarecords_in_file == plan.records
                          && header->annotations_in_file == qint64(plan.annotations.size());
    edfclose_file(header->handle);
    return complete;
}

bool syncToDisk(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite))
        return false;
#ifdef _WIN32
    return _commit(file.handle()) == 0;
#else
    return fsync(file.handle()) == 0;
#endif
}

// Puts the finished file in the target's place in one step.
bool replaceFile(const QString &from, const QString &to)
{
#ifdef _WIN32
    return MoveFileExW(reinterpret_cast<LPCWSTR>(from.utf16()), reinterpret_cast<LPCWSTR>(to.utf16()),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
#else
    return std::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0;
#endif
}

// A hidden name beside the target for the file while it is written: the
// target's name with a unique ending, shortened so that the whole stays
// within the 255 bytes a file name may have.
QString temporaryTemplate(const QFileInfo &target)
{
    constexpr int MaxNameBytes = 255;
    const QString ending = QStringLiteral(".XXXXXX");
    QString name = target.fileName();
    while (!name.isEmpty() && QFile::encodeName(QLatin1Char('.') + name + ending).size() > MaxNameBytes) {
        name.chop(1);
        if (!name.isEmpty() && name.at(name.size() - 1).isHighSurrogate())
            name.chop(1);
    }
    return target.absolutePath() + QStringLiteral("/.") + name + ending;
}

} // namespace

EdfExportResult exportSessionEdf(const MonitorSession &session, const PatientRecord &patient, const QString &path,
                                 const EdfExportOptions &options)
{
    const ExportPlan plan = planExport(session, patient, options);

    // A unique name beside the target, removed again unless it replaces it.
    const QFileInfo target(path);
    QTemporaryFile temporary(temporaryTemplate(target));
    if (target.isDir() || !temporary.open())
        raise(QT_TRANSLATE_NOOP("EdfExport", "Cannot create file"));
    const QString temporaryPath = temporary.fileName();
    temporary.close();

    EdfHandle file(edfopen_file_writeonly(QFile::encodeName(temporaryPath).constData(), EDFLIB_FILETYPE_EDFPLUS,
                                          int(plan.signalList.size())));
    if (file.get() < 0)
        raise(QT_TRANSLATE_NOOP("EdfExport", "Cannot create file"));
    setHeader(file.get(), plan, session, patient, options);
    writeRecords(file.get(), plan, session);
    if (!file.close() || !isComplete(temporaryPath, plan) || !syncToDisk(temporaryPath))
        raise(QT_TRANSLATE_NOOP("EdfExport", "Write error"));

    // The file keeps the permissions of the one it replaces; a new one is
    // readable by everyone, like other files the user creates.
    temporary.setPermissions(target.exists() ? QFile::permissions(path)
                                             : QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser
                                                   | QFile::WriteUser | QFile::ReadGroup | QFile::ReadOther);
    if (!replaceFile(temporaryPath, target.absoluteFilePath()))
        raise(QT_TRANSLATE_NOOP("EdfExport", "Cannot create file"));
    temporary.setAutoRemove(false);
    EdfExportResult result;
    result.missingSeconds = plan.missingSeconds;
    return result;
}
