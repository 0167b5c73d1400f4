#pragma once

#include "dsp/tsignal.h"

#include <QByteArray>
#include <QFile>
#include <QJsonObject>
#include <QString>

#include <memory>
#include <vector>

// A signal kept in a recording file: a header area of headerSize bytes, then
// 16-bit little-endian samples interleaved by channel. Appends go to the end
// of the file and reach the disk at once. Complete blocks are read through the
// page cache; the incomplete last block is served from a tail window.
class TFileSignal : public TSignal
{
public:
    static constexpr int WindowLength = 16384;
    static constexpr int RecordingHeaderSize = 4096;

    // create: creates or truncates the file and fills the header area with
    // zeros (throws StorageError "Cannot create file"); otherwise opens an
    // existing file for update, or only for reading with readOnly (throws
    // StorageError "Cannot open file"). A read-only signal ignores appends.
    TFileSignal(const QString &path, int channelCount, int rate, int headerSize, bool create, bool readOnly = false);
    ~TFileSignal() override;

    int sample(int channel, int index) override;
    void readRange(int channel, int start, int n, double *out) override;
    qint16 *readBlock(int channel, int block) override;
    void freeBlock(qint16 *block) override;

    void appendInterleaved(const void *data, int byteCount) override;
    void appendChannels(const qint16 *const *channels, int n) override;
    void appendChannelsF64(const double *const *channels, int n) override;

    // Writes up to headerSize bytes at offset 0 and zeros after them up to
    // headerSize; the samples are never touched.
    void writeHeader(const char *bytes, int size);
    void writeHeader(const QByteArray &bytes) { writeHeader(bytes.constData(), bytes.size()); }

    QString path() const { return m_path; }
    int headerSize() const { return m_headerSize; }
    bool isCreated() const { return m_created; }

    // Reads the JSON header of a recording file ("NVECG1" + JSON in the 4096-
    // byte header area). False when the file cannot be read, is not a
    // recording or its header is not a JSON object with a non-empty "ecg".
    static bool readRecordingHeader(const QString &path, QJsonObject &header);
    // Opens a recording file by path with the range, resolution and channel
    // names of its header; null when readRecordingHeader fails or the "ecg"
    // values are unusable. Throws StorageError "Cannot open file" when the
    // file cannot be opened for update (or for reading, with readOnly: a
    // handle of its own for a reader on another thread).
    static std::unique_ptr<TFileSignal> openRecordingFile(const QString &path, bool readOnly = false);

private:
    void appendFrames(const qint16 *interleaved, int frames);
    void updateCounts(qint64 fileSize);
    void reloadWindow(int index);

    QString m_path;
    QFile m_file;
    int m_headerSize;
    bool m_created;
    std::vector<std::vector<qint16>> m_window; // per channel
    int m_windowStart = 0;
    int m_windowCount = 0;
};
