#pragma once

#include "dsp/tsignal.h"

#include <QByteArray>
#include <QFile>
#include <QJsonObject>
#include <QPair>
#include <QString>
#include <QVector>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

// A stretch of a recording without ECG: samples that never arrived (the link
// was lost, stalled or restarted, frames were bad, monitoring was paused) or
// that could not be kept (a write failure that lasted longer than the frames
// held in memory). First sample index and number of samples, per channel.
// The file holds zeros there, so that every later sample stays at its true
// time; readers show the stretch as missing, never as a flat line.
struct RecordingGap
{
    qint64 start = 0;
    qint64 length = 0;
    bool operator==(const RecordingGap &other) const { return start == other.start && length == other.length; }
};

// At most `room` gaps standing for `gaps` (in order): where there are more,
// the neighbours with the fewest samples between them are joined, so that
// as little ECG as possible is counted as missing.
QVector<RecordingGap> listedGaps(QVector<RecordingGap> gaps, int room);

// A signal kept in a recording file: a header area of headerSize bytes, then
// 16-bit little-endian samples interleaved by channel. Appends go to the end
// of the file and reach the system at once. Complete blocks are read through
// the page cache; the incomplete last block is served from a tail window.
//
// Every write is checked. When one fails (disk full, file size limit), the
// file keeps every whole frame that reached it, and later appends are held in
// memory (the newest PendingCapacity frames) so that the signal keeps growing
// for the live display and for time offsets. retryWrite() writes them once
// the file takes them again; frames that no longer fitted in memory become a
// gap of zeros, listed in the header under "ecg"."gaps" as [start, length]
// pairs (readers that do not know the key see silence at the true time).
class TFileSignal : public TSignal
{
public:
    static constexpr int WindowLength = 16384;
    static constexpr int RecordingHeaderSize = 4096;
    static constexpr int PendingCapacity = 16384; // frames, about a minute at 250/s
    // Gaps listed in the header; beyond them, the closest neighbours are
    // listed as one (see listedGaps()).
    static constexpr int MaxListedGaps = 32;

    enum class Access {
        Create,    // creates or truncates the file, read and write
        CreateNew, // creates a file that must not exist yet, read and write
        Update, // an existing file, read and write
        Read    // an existing file, read only: appends stay in memory
    };

    // Create and CreateNew: fill the header area with zeros (throw
    // StorageError "Cannot create file", also for an existing file with
    // CreateNew, or "Write error" when the zeros cannot be written).
    // Update and Read: throw StorageError "Cannot open file", also for
    // anything that is not a regular file.
    TFileSignal(const QString &path, int channelCount, int rate, int headerSize, Access access);
    // create true is Access::Create, false Access::Update.
    TFileSignal(const QString &path, int channelCount, int rate, int headerSize, bool create);
    ~TFileSignal() override;

    int sample(int channel, int index) override;
    void readRange(int channel, int start, int n, double *out) override;
    qint16 *readBlock(int channel, int block) override;
    void freeBlock(qint16 *block) override;

    void appendInterleaved(const void *data, int byteCount) override;
    void appendChannels(const qint16 *const *channels, int n) override;
    void appendChannelsF64(const double *const *channels, int n) override;

    // Writes up to headerSize bytes at offset 0 and zeros after them up to
    // headerSize; the samples are never touched. Throws StorageError "Write
    // error" when the header does not reach the file.
    void writeHeader(const char *bytes, int size);
    void writeHeader(const QByteArray &bytes) { writeHeader(bytes.constData(), bytes.size()); }

    QString path() const { return m_path; }
    int headerSize() const { return m_headerSize; }
    bool isCreated() const { return m_created; }
    // True while frames wait in memory after a failed write (and always for
    // a file opened for reading, whose appends stay in memory).
    bool hasWriteFailed() const { return m_writeFailed; }
    QString writeError() const { return m_writeError; }
    // Writes the frames held in memory (zeros for those that were dropped)
    // and lists any new gap in the header; true when nothing waits any more.
    // Stops at the first write that fails again.
    bool retryWrite();
    // Frames held by the file, and all frames appended (the file's and those
    // in memory), also beyond the int range of sampleCount().
    qint64 savedSampleCount() const { return m_savedFrames; }
    qint64 frameCount() const { return m_savedFrames + m_pendingFrames; }
    const QVector<RecordingGap> &gaps() const { return m_gaps; }
    // Appends `frames` frames of zeros marked as a gap: the ECG of that
    // stretch is missing. A gap of a second or more is listed in the header
    // at once, shorter ones at the next listGaps() (or when the file closes).
    void appendGap(qint64 frames);
    // Lists in the header every gap not listed yet; false when the header
    // cannot be written now (it is tried again later).
    bool listGaps();
    // True when the sample lies in a gap.
    bool isInGap(qint64 index) const;
    // The gaps as (first sample, count) pairs, as the displays take them.
    QVector<QPair<qint64, qint64>> gapSpans() const;

    // Reads the JSON header of a recording file ("NVECG1" + JSON in the 4096-
    // byte header area). False when the file cannot be read, is not a
    // recording or its header is not a JSON object with a non-empty "ecg".
    static bool readRecordingHeader(const QString &path, QJsonObject &header);
    // Opens a recording file by path with the range, resolution and channel
    // names of its header, for reading only; null when readRecordingHeader
    // fails or the "ecg" values are unusable. Throws StorageError "Cannot
    // open file" when the file cannot be opened.
    static std::unique_ptr<TFileSignal> openRecordingFile(const QString &path);

private:
    void appendFrames(const qint16 *interleaved, int frames);
    qint64 writeFrames(const qint16 *interleaved, qint64 frames);
    void keepPending(const qint16 *interleaved, qint64 frames);
    bool writePending();
    void addGap(qint64 start, qint64 length);
    bool listGapsInHeader();
    void updateCounts();
    void reloadWindow(int index);

    QString m_path;
    QFile m_file;
    int m_headerSize;
    bool m_created;
    qint64 m_end = 0;         // bytes on disk: every write goes exactly here
    qint64 m_savedFrames = 0; // whole frames on disk
    bool m_writeFailed = false;
    QString m_writeError;
    // Frames appended after a failed write: frame i (counted from the start
    // of the recording) sits at slot i % PendingCapacity while it is among
    // the newest PendingCapacity.
    std::vector<qint16> m_pending;
    qint64 m_pendingFrames = 0;
    QVector<RecordingGap> m_gaps;
    bool m_gapsListed = true; // the header lists every gap of m_gaps
    std::vector<std::vector<qint16>> m_window; // per channel
    int m_windowStart = 0;
    int m_windowCount = 0;
};
