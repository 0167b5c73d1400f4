#pragma once

#include "dsp/tsignal.h"

#include <QByteArray>
#include <QFile>
#include <QJsonObject>
#include <QString>

#include <algorithm>
#include <climits>
#include <memory>
#include <vector>

// A signal kept in a recording file: a header area of headerSize bytes, then
// 16-bit little-endian samples interleaved by channel. Appends go to the end
// of the file and reach the system at once. Complete blocks are read through
// the page cache; the incomplete last block is served from a tail window.
//
// Every write is checked. When one fails (disk full, file size limit, a file
// opened for reading only), nothing more is written: the file keeps every
// whole frame that reached it, and later appends are held in memory (the
// newest UnsavedCapacity frames) so that the signal keeps growing for the
// live display and for time offsets.
class TFileSignal : public TSignal
{
public:
    static constexpr int WindowLength = 16384;
    static constexpr int RecordingHeaderSize = 4096;
    static constexpr int UnsavedCapacity = 16384;

    enum class Access {
        Create, // creates or truncates the file, read and write
        Update, // an existing file, read and write
        Read    // an existing file, read only: appends stay in memory
    };

    // Create: fills the header area with zeros (throws StorageError "Cannot
    // create file", or "Write error" when the zeros cannot be written).
    // Update and Read: throw StorageError "Cannot open file".
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
    // True once a write has failed (or for a file opened for reading): from
    // then on appends are kept in memory only.
    bool hasWriteFailed() const { return m_writeFailed; }
    QString writeError() const { return m_writeError; }
    // Frames held by the file; the rest of sampleCount() is in memory.
    int savedSampleCount() const { return int(std::min<qint64>(m_savedFrames, INT_MAX)); }

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
    void keepUnsaved(const qint16 *interleaved, qint64 frames);
    void stopWriting(const QString &reason);
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
    std::vector<qint16> m_unsaved; // ring of interleaved frames not on disk
    qint64 m_unsavedFrames = 0;    // frames appended after the failure
    std::vector<std::vector<qint16>> m_window; // per channel
    int m_windowStart = 0;
    int m_windowCount = 0;
};
