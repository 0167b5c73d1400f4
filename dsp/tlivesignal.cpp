#include "tlivesignal.h"

#include "dsp/sampleconversion.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

TLiveSignal::TLiveSignal(int blockLength, int capacity, int channelCount, int rate)
    : TSignal(channelCount)
    , m_capacity(capacity)
{
    if (blockLength < 1 || capacity < 1)
        throw std::invalid_argument("A live signal needs a block length and a capacity of at least 1");
    setBlockLength(blockLength);
    setRate(rate);
    setSampleWidth(16);
    setResolutionBits(16);
    setRange(-1.0, 1.0);
    m_rings.assign(channelCount, std::vector<qint16>(capacity, 0));
}

TLiveSignal::~TLiveSignal()
{
    clearPageCache();
}

void TLiveSignal::copyScaleFrom(const TSignal &other)
{
    setResolutionBits(other.resolutionBits());
    setRange(other.minimum(), other.maximum());
    for (int c = 0; c < channelCount() && c < other.channelCount(); ++c)
        setChannelName(c, other.channelName(c));
}

int TLiveSignal::oldestHeld() const
{
    return std::max(0, sampleCount() - m_capacity);
}

int TLiveSignal::sample(int channel, int index)
{
    if (channel < 0 || channel >= channelCount() || index < oldestHeld() || index >= sampleCount())
        return 0;
    return m_rings[channel][index % m_capacity];
}

void TLiveSignal::readRange(int channel, int start, int n, double *out)
{
    if (n <= 0)
        return;
    if (channel < 0 || channel >= channelCount()) {
        std::fill(out, out + n, 0.0);
        return;
    }
    const qint64 end = qint64(start) + n;
    const qint64 lo = std::clamp<qint64>(oldestHeld(), start, end);
    const qint64 hi = std::clamp<qint64>(sampleCount(), lo, end);
    std::fill(out, out + (lo - start), 0.0);
    std::fill(out + (hi - start), out + n, 0.0);
    const qint16 *ring = m_rings[channel].data();
    qint64 i = lo;
    while (i < hi) {
        // Copy up to the end of the ring, then wrap.
        const int slot = int(i % m_capacity);
        const qint64 run = std::min<qint64>(hi - i, m_capacity - slot);
        double *dest = out + (i - start);
        for (qint64 k = 0; k < run; ++k)
            dest[k] = ring[slot + k];
        i += run;
    }
}

qint16 *TLiveSignal::readBlock(int channel, int block)
{
    if (channel < 0 || channel >= channelCount() || block < 0 || block >= blockCount())
        return nullptr;
    const int n = blockLength();
    qint16 *data = new qint16[n];
    const qint64 first = qint64(block) * n;
    if (first >= oldestHeld()) {
        for (int k = 0; k < n; ++k)
            data[k] = m_rings[channel][(first + k) % m_capacity];
    } else {
        std::fill(data, data + n, qint16(0));
    }
    return data;
}

void TLiveSignal::freeBlock(qint16 *block)
{
    delete[] block;
}

void TLiveSignal::finishAppend(int n)
{
    setSampleCount(sampleCount() + n);
    setBlockCount(sampleCount() / blockLength());
    notifyListeners();
}

void TLiveSignal::appendInterleaved(const void *data, int byteCount)
{
    const int channels = channelCount();
    const int frames = byteCount > 0 ? byteCount / (2 * channels) : 0;
    const char *bytes = static_cast<const char *>(data);
    for (int f = 0; f < frames; ++f) {
        for (int c = 0; c < channels; ++c) {
            qint16 value;
            std::memcpy(&value, bytes + 2 * (f * channels + c), sizeof value);
            m_rings[c][m_writePosition] = value;
        }
        if (++m_writePosition == m_capacity)
            m_writePosition = 0;
    }
    finishAppend(frames);
}

void TLiveSignal::appendChannels(const qint16 *const *channels, int n)
{
    n = std::max(n, 0);
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < channelCount(); ++c)
            m_rings[c][m_writePosition] = channels[c][i];
        if (++m_writePosition == m_capacity)
            m_writePosition = 0;
    }
    finishAppend(n);
}

void TLiveSignal::appendChannelsF64(const double *const *channels, int n)
{
    n = std::max(n, 0);
    for (int i = 0; i < n; ++i) {
        for (int c = 0; c < channelCount(); ++c)
            m_rings[c][m_writePosition] = SampleConversion::wrapToInt16(channels[c][i]);
        if (++m_writePosition == m_capacity)
            m_writePosition = 0;
    }
    finishAppend(n);
}
