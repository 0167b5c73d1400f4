#include "storage/tfilesignal.h"

#include "storage/recordingheader.h"
#include "storage/storageerror.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const char RecordingMagic[] = "NVECG1";
constexpr int MagicSize = 6;
// Upper bounds for values read from foreign headers.
constexpr int MaxRate = 100000;
constexpr int MaxResolution = 32;

[[noreturn]] void raise(const char *text)
{
    throw StorageError(QCoreApplication::translate("TFileSignal", text).toStdString());
}

// Truncates toward zero and keeps the low 16 bits, without saturation.
qint16 lowBits(double value)
{
    if (!std::isfinite(value))
        return 0;
    const double wrapped = std::fmod(std::trunc(value), 65536.0);
    return qint16(quint16(int(wrapped) & 0xFFFF));
}

// A pipe or a device would block a reader or never end; folders cannot be read.
bool isOtherThanRegularFile(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && !info.isFile();
}

// "ecg"."gaps" of a header: [start, length] pairs; anything else is ignored.
QVector<RecordingGap> gapsFromHeader(const QJsonObject &header)
{
    QVector<RecordingGap> gaps;
    const QJsonArray list = header.value(QStringLiteral("ecg")).toObject().value(QStringLiteral("gaps")).toArray();
    for (const QJsonValue &entry : list) {
        const QJsonArray pair = entry.toArray();
        const double start = pair.at(0).toDouble(-1), length = pair.at(1).toDouble(-1);
        if (pair.size() == 2 && start >= 0 && length > 0 && start < 1e15 && length < 1e15)
            gaps.append(RecordingGap{qint64(start), qint64(length)});
    }
    return gaps;
}

} // namespace

QVector<RecordingGap> listedGaps(QVector<RecordingGap> gaps, int room)
{
    // Joins the two neighbours with the least ECG between them until the
    // list fits: that ECG is then counted as missing too, and no more of it
    // than needed.
    while (gaps.size() > std::max(room, 1)) {
        int closest = 0;
        qint64 least = std::numeric_limits<qint64>::max();
        for (int i = 0; i + 1 < gaps.size(); ++i) {
            const qint64 between = gaps[i + 1].start - (gaps[i].start + gaps[i].length);
            if (between < least) {
                least = between;
                closest = i;
            }
        }
        gaps[closest].length = gaps[closest + 1].start + gaps[closest + 1].length - gaps[closest].start;
        gaps.remove(closest + 1);
    }
    return gaps;
}

TFileSignal::TFileSignal(const QString &path, int channelCount, int rate, int headerSize, bool create)
    : TFileSignal(path, channelCount, rate, headerSize, create ? Access::Create : Access::Update)
{
}

TFileSignal::TFileSignal(const QString &path, int channelCount, int rate, int headerSize, Access access)
    : TSignal(channelCount)
    , m_path(path)
    , m_file(path)
    , m_headerSize(headerSize)
    , m_created(access == Access::Create)
{
    // Unbuffered: every append reaches the system at once and its result is
    // known at once.
    switch (access) {
    case Access::Create:
    case Access::CreateNew: {
        const QIODevice::OpenMode exclusive = access == Access::CreateNew ? QIODevice::NewOnly : QIODevice::Truncate;
        if (!m_file.open(QIODevice::ReadWrite | exclusive | QIODevice::Unbuffered))
            raise(QT_TRANSLATE_NOOP("TFileSignal", "Cannot create file"));
        const QByteArray zeros(headerSize, '\0');
        if (m_file.write(zeros) != zeros.size()) {
            // A new file that never got its header is no recording: it goes.
            if (access == Access::CreateNew)
                m_file.remove();
            raise(QT_TRANSLATE_NOOP("TFileSignal", "Write error"));
        }
        break;
    }
    case Access::Update:
        if (isOtherThanRegularFile(path) || !m_file.open(QIODevice::ReadWrite | QIODevice::ExistingOnly | QIODevice::Unbuffered))
            raise(QT_TRANSLATE_NOOP("TFileSignal", "Cannot open file"));
        break;
    case Access::Read:
        if (isOtherThanRegularFile(path) || !m_file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
            raise(QT_TRANSLATE_NOOP("TFileSignal", "Cannot open file"));
        m_writeFailed = true;
        m_writeError = QCoreApplication::translate("TFileSignal", "The file is open for reading only");
        break;
    }
    setRate(rate);
    setSampleWidth(16);
    setResolutionBits(16);
    setRange(-1.0, 1.0);
    setBlockLength(4 * rate);
    m_window.assign(channelCount, std::vector<qint16>(WindowLength));
    // Appends continue after the last whole frame.
    const qint64 frameBytes = 2 * qint64(channelCount);
    m_end = headerSize + std::max<qint64>(0, m_file.size() - headerSize) / frameBytes * frameBytes;
    updateCounts();
}

TFileSignal::~TFileSignal()
{
    // Gaps still waiting to be listed reach the header as the file closes.
    if (m_file.isWritable() && !m_writeFailed)
        listGaps();
    clearPageCache();
}

void TFileSignal::updateCounts()
{
    m_savedFrames = (m_end - m_headerSize) / (2 * channelCount());
    setSampleCount(int(std::min<qint64>(frameCount(), INT_MAX)));
    // A file being written keeps its incomplete last block in the tail window,
    // where it cannot go stale in the page cache. A file only read never grows:
    // that block is read like the others, padded with zeros, so that filtered
    // views reach the end of the recording.
    const qint64 length = blockLength();
    const qint64 blocks = length <= 0 ? 0
        : m_file.isWritable()         ? m_savedFrames / length
                                      : (m_savedFrames + length - 1) / length;
    setBlockCount(int(std::min<qint64>(blocks, INT_MAX)));
}

int TFileSignal::sample(int channel, int index)
{
    if (channel < 0 || channel >= channelCount() || index < 0 || index >= sampleCount())
        return 0;
    if (index >= m_savedFrames) {
        // Held in memory since writing stopped; only the newest frames are kept.
        if (index < frameCount() - PendingCapacity)
            return 0;
        return m_pending[size_t(index % PendingCapacity) * channelCount() + channel];
    }
    if (index / blockLength() < blockCount())
        return pagedSample(channel, index);
    // The incomplete last block comes from the tail window.
    if (index < m_windowStart || index >= m_windowStart + m_windowCount)
        reloadWindow(index);
    if (index < m_windowStart || index >= m_windowStart + m_windowCount)
        return 0;
    return m_window[channel][index - m_windowStart];
}

void TFileSignal::reloadWindow(int index)
{
    const int saved = int(std::min<qint64>(m_savedFrames, INT_MAX));
    int start = index - WindowLength / 2;
    if (start < 0)
        start = 0;
    else if (start + WindowLength > saved)
        start = std::max(0, saved - WindowLength);
    const int channels = channelCount();
    std::vector<qint16> frames(size_t(WindowLength) * channels);
    m_file.seek(m_headerSize + qint64(2) * channels * start);
    const qint64 bytes = m_file.read(reinterpret_cast<char *>(frames.data()), qint64(frames.size()) * 2);
    // Bytes past the saved frames (a frame cut short by a failed write) are not samples.
    const int held = bytes > 0 ? int(std::min<qint64>(bytes / (2 * channels), saved - start)) : 0;
    for (int k = 0; k < held; ++k)
        for (int c = 0; c < channels; ++c)
            m_window[c][k] = qFromLittleEndian(frames[size_t(k) * channels + c]);
    m_windowStart = start;
    m_windowCount = held;
}

void TFileSignal::readRange(int channel, int start, int n, double *out)
{
    if (n <= 0)
        return;
    // Blocks through the page cache; what they do not hold from the file (the
    // tail of a file being written, frames kept in memory) sample by sample.
    pagedReadRange(channel, start, n, out);
    const qint64 paged = std::min<qint64>(qint64(blockCount()) * blockLength(), m_savedFrames);
    const qint64 tailStart = std::max<qint64>(paged, start);
    const qint64 tailEnd = std::min<qint64>(sampleCount(), qint64(start) + n);
    for (qint64 i = tailStart; i < tailEnd; ++i)
        out[i - start] = sample(channel, int(i));
}

qint16 *TFileSignal::readBlock(int channel, int block)
{
    if (block < 0 || block >= blockCount() || channel < 0 || channel >= channelCount())
        return nullptr;
    const int length = blockLength();
    const int channels = channelCount();
    std::vector<qint16> frames(size_t(length) * channels, 0);
    m_file.seek(m_headerSize + qint64(2) * channels * block * length);
    // Only whole frames count; a short read leaves the zeros in place.
    const qint64 saved = std::min<qint64>(length, m_savedFrames - qint64(block) * length);
    m_file.read(reinterpret_cast<char *>(frames.data()), saved * channels * 2);
    qint16 *data = new qint16[length];
    for (int k = 0; k < length; ++k)
        data[k] = qFromLittleEndian(frames[size_t(k) * channels + channel]);
    return data;
}

void TFileSignal::freeBlock(qint16 *block)
{
    delete[] block;
}

void TFileSignal::appendFrames(const qint16 *interleaved, int frames)
{
    if (frames > 0) {
        // While frames wait in memory, new ones queue behind them: only
        // retryWrite() goes back to the disk, at its own pace.
        const qint64 written = m_writeFailed ? 0 : writeFrames(interleaved, frames);
        if (written < frames)
            keepPending(interleaved + written * channelCount(), frames - written);
        updateCounts();
    }
    notifyListeners();
}

qint64 TFileSignal::writeFrames(const qint16 *interleaved, qint64 frames)
{
    const qint64 savedBefore = m_savedFrames;
    const qint64 bytes = frames * channelCount() * 2;
#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
    const char *data = reinterpret_cast<const char *>(interleaved);
#else
    std::vector<qint16> le(interleaved, interleaved + frames * channelCount());
    for (qint16 &v : le)
        v = qToLittleEndian(v);
    const char *data = reinterpret_cast<const char *>(le.data());
#endif
    // The end is tracked here, not asked of the file: after a failed write
    // the file may report another size, and a write anywhere else would
    // overwrite the header or earlier samples.
    // A write cut short is continued until the system refuses with a
    // reason (no space, file too large) that the user can be told.
    qint64 done = m_file.seek(m_end) ? 0 : -1;
    while (done >= 0 && done < bytes) {
        const qint64 n = m_file.write(data + done, bytes - done);
        if (n <= 0)
            break;
        done += n;
    }
    if (done > 0)
        m_end += done;
    if (done != bytes) {
        m_writeFailed = true;
        m_writeError = m_file.errorString();
    }
    updateCounts();
    // A frame cut short counts as not written: the next write goes over it.
    m_end = m_headerSize + m_savedFrames * channelCount() * 2;
    return m_savedFrames - savedBefore;
}

void TFileSignal::keepPending(const qint16 *interleaved, qint64 frames)
{
    const int channels = channelCount();
    if (m_pending.empty())
        m_pending.resize(size_t(PendingCapacity) * channels);
    for (qint64 k = 0; k < frames; ++k) {
        const size_t slot = size_t((m_savedFrames + m_pendingFrames) % PendingCapacity) * channels;
        std::copy_n(interleaved + k * channels, channels, m_pending.begin() + qint64(slot));
        ++m_pendingFrames;
    }
}

bool TFileSignal::retryWrite()
{
    if (!m_file.isWritable())
        return false;
    if (m_pendingFrames > 0 && writePending()) {
        m_writeFailed = false;
        m_writeError.clear();
    }
    if (!m_gapsListed)
        m_gapsListed = listGapsInHeader();
    updateCounts();
    return !m_writeFailed;
}

bool TFileSignal::writePending()
{
    const int channels = channelCount();
    while (m_pendingFrames > 0) {
        const qint64 dropped = m_pendingFrames - PendingCapacity;
        qint64 written = 0, wanted = 0;
        if (dropped > 0) {
            // Frames no longer in memory: zeros keep the later ones at their time.
            wanted = std::min<qint64>(dropped, WindowLength);
            const std::vector<qint16> zeros(size_t(wanted) * channels, 0);
            written = writeFrames(zeros.data(), wanted);
            if (written > 0)
                addGap(m_savedFrames - written, written);
        } else {
            const qint64 slot = m_savedFrames % PendingCapacity;
            wanted = std::min<qint64>(m_pendingFrames, PendingCapacity - slot);
            written = writeFrames(m_pending.data() + slot * channels, wanted);
        }
        m_pendingFrames -= written; // the frames now counted as saved
        if (written < wanted)
            return false;
    }
    return true;
}

void TFileSignal::addGap(qint64 start, qint64 length)
{
    m_gapsListed = false;
    // Kept in order of their start: a gap of frames lost to the disk may come
    // after a later one of frames that never arrived. Touching gaps join.
    int i = int(std::upper_bound(m_gaps.cbegin(), m_gaps.cend(), start,
                                 [](qint64 s, const RecordingGap &gap) { return s < gap.start; })
                - m_gaps.cbegin());
    if (i > 0 && m_gaps[i - 1].start + m_gaps[i - 1].length >= start) {
        --i;
        m_gaps[i].length = std::max(m_gaps[i].length, start + length - m_gaps[i].start);
    } else {
        m_gaps.insert(i, RecordingGap{start, length});
    }
    while (i + 1 < m_gaps.size() && m_gaps[i + 1].start <= m_gaps[i].start + m_gaps[i].length) {
        m_gaps[i].length = std::max(m_gaps[i].length, m_gaps[i + 1].start + m_gaps[i + 1].length - m_gaps[i].start);
        m_gaps.remove(i + 1);
    }
}

void TFileSignal::appendGap(qint64 frames)
{
    if (frames <= 0)
        return;
    const qint64 start = frameCount();
    const std::vector<qint16> zeros(size_t(std::min<qint64>(frames, WindowLength)) * channelCount(), 0);
    for (qint64 left = frames; left > 0;) {
        const int n = int(std::min<qint64>(left, WindowLength));
        appendFrames(zeros.data(), n);
        left -= n;
    }
    addGap(start, frames);
    if (frames >= rate())
        listGaps();
}

bool TFileSignal::listGaps()
{
    if (!m_gapsListed && m_file.isWritable())
        m_gapsListed = listGapsInHeader();
    return m_gapsListed;
}

bool TFileSignal::isInGap(qint64 index) const
{
    // Gaps are kept in order of their start.
    auto after = std::upper_bound(m_gaps.begin(), m_gaps.end(), index,
                                  [](qint64 i, const RecordingGap &gap) { return i < gap.start; });
    return after != m_gaps.begin() && index < (after - 1)->start + (after - 1)->length;
}

QVector<QPair<qint64, qint64>> TFileSignal::gapSpans() const
{
    QVector<QPair<qint64, qint64>> spans;
    for (const RecordingGap &gap : m_gaps)
        spans.append({gap.start, gap.length});
    return spans;
}

bool TFileSignal::listGapsInHeader()
{
    // The header area holds the magic and then JSON up to its first zero
    // byte; a file whose header was never written has nothing to add to.
    QByteArray area(m_headerSize, '\0');
    if (!m_file.seek(0) || m_file.read(area.data(), m_headerSize) != m_headerSize)
        return false;
    if (!area.startsWith(RecordingMagic))
        return true;
    QByteArray text = area.mid(MagicSize);
    text.truncate(text.indexOf('\0') < 0 ? text.size() : text.indexOf('\0'));
    QJsonObject header = QJsonDocument::fromJson(text).object();
    if (header.isEmpty())
        return true;
    QJsonArray list;
    for (const RecordingGap &gap : listedGaps(m_gaps, MaxListedGaps))
        list.append(QJsonArray{double(gap.start), double(gap.length)});
    QJsonObject ecg = header.value(QStringLiteral("ecg")).toObject();
    ecg.insert(QStringLiteral("gaps"), list);
    header.insert(QStringLiteral("ecg"), ecg);
    try {
        writeHeader(fitRecordingHeader(header, m_headerSize));
    } catch (const StorageError &) {
        return false;
    }
    return true;
}

void TFileSignal::appendInterleaved(const void *data, int byteCount)
{
    // A trailing partial frame is ignored so the file stays frame-aligned.
    const int frames = byteCount > 0 ? byteCount / (2 * channelCount()) : 0;
    if (frames == 0) {
        notifyListeners();
        return;
    }
    std::vector<qint16> copy(size_t(frames) * channelCount());
    std::memcpy(copy.data(), data, copy.size() * 2);
    appendFrames(copy.data(), frames);
}

void TFileSignal::appendChannels(const qint16 *const *channels, int n)
{
    const int count = channelCount();
    std::vector<qint16> frames(size_t(std::max(n, 0)) * count);
    for (int k = 0; k < n; ++k)
        for (int c = 0; c < count; ++c)
            frames[size_t(k) * count + c] = channels[c][k];
    appendFrames(frames.data(), std::max(n, 0));
}

void TFileSignal::appendChannelsF64(const double *const *channels, int n)
{
    const int count = channelCount();
    std::vector<qint16> frames(size_t(std::max(n, 0)) * count);
    for (int k = 0; k < n; ++k)
        for (int c = 0; c < count; ++c)
            frames[size_t(k) * count + c] = lowBits(channels[c][k]);
    appendFrames(frames.data(), std::max(n, 0));
}

void TFileSignal::writeHeader(const char *bytes, int size)
{
    const int n = std::clamp(size, 0, m_headerSize);
    QByteArray area(m_headerSize, '\0');
    if (n > 0)
        std::memcpy(area.data(), bytes, size_t(n));
    if (!m_file.seek(0) || m_file.write(area) != area.size())
        raise(QT_TRANSLATE_NOOP("TFileSignal", "Write error"));
}

bool TFileSignal::readRecordingHeader(const QString &path, QJsonObject &header)
{
    if (isOtherThanRegularFile(path))
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray magic = file.read(MagicSize);
    if (magic != QByteArray(RecordingMagic))
        return false;
    // The JSON ends at the first zero byte of the header area.
    QByteArray text = file.read(RecordingHeaderSize - MagicSize);
    const int zero = text.indexOf('\0');
    if (zero >= 0)
        text.truncate(zero);
    const QJsonDocument document = QJsonDocument::fromJson(text);
    const QJsonObject object = document.object();
    if (object.isEmpty() || object.value(QStringLiteral("ecg")).toObject().isEmpty())
        return false;
    header = object;
    return true;
}

std::unique_ptr<TFileSignal> TFileSignal::openRecordingFile(const QString &path)
{
    QJsonObject header;
    if (!readRecordingHeader(path, header))
        return nullptr;
    const QJsonObject ecg = header.value(QStringLiteral("ecg")).toObject();
    const int resolution = ecg.value(QStringLiteral("resolution")).toInt(0);
    const double gainMin = ecg.value(QStringLiteral("gainMin")).toDouble(0.0);
    const double gainMax = ecg.value(QStringLiteral("gainMax")).toDouble(0.0);
    const int rate = ecg.value(QStringLiteral("samplingRate")).toInt(0);
    const QString format = ecg.value(QStringLiteral("sampleFormat")).toString();
    const QJsonArray names = ecg.value(QStringLiteral("channels")).toArray();
    if (resolution <= 0 || resolution > MaxResolution || rate <= 0 || rate > MaxRate || names.isEmpty()
        || names.size() > TSignal::MaxChannels || format.isEmpty())
        return nullptr;
    auto signal = std::make_unique<TFileSignal>(path, names.size(), rate, RecordingHeaderSize, Access::Read);
    signal->setRange(gainMin, gainMax);
    signal->setResolutionBits(resolution);
    for (int i = 0; i < names.size(); ++i)
        signal->setChannelName(i, names.at(i).toString());
    signal->m_gaps = gapsFromHeader(header);
    return signal;
}
