#include "tsignal.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

TSignal::TSignal(int channelCount)
    : m_channelCount(channelCount)
{
    if (channelCount < 1 || channelCount > MaxChannels)
        throw std::invalid_argument("A signal has between 1 and 16 channels");
    for (int c = 0; c < channelCount; ++c)
        m_channels.push_back(std::make_unique<TSignalChannel>(this, c));
    m_pageTable.assign(channelCount, std::vector<Page>(InitialPageTableSize));
    recomputeLsb();
}

TSignal::~TSignal()
{
    // Derived classes free their pages in their own destructors through
    // clearPageCache(); anything left here was allocated with new[].
    for (auto &channelPages : m_pageTable)
        for (Page &p : channelPages)
            delete[] p.data;
}

void TSignal::appendInterleaved(const void *, int)
{
    notifyListeners();
}

void TSignal::appendChannels(const qint16 *const *, int)
{
    notifyListeners();
}

void TSignal::appendChannelsF64(const double *const *, int)
{
    notifyListeners();
}

TSignalChannel *TSignal::channel(int index) const
{
    if (index < 0 || index >= m_channelCount)
        return nullptr;
    return m_channels[index].get();
}

QString TSignal::channelName(int index) const
{
    const TSignalChannel *c = channel(index);
    return c ? c->name() : QString();
}

void TSignal::setChannelName(int index, const QString &name)
{
    if (TSignalChannel *c = channel(index))
        c->setName(name);
}

void TSignal::setRange(double minimum, double maximum)
{
    m_minimum = minimum;
    m_maximum = maximum;
    recomputeLsb();
}

void TSignal::setResolutionBits(int bits)
{
    m_resolutionBits = bits;
    recomputeLsb();
}

void TSignal::recomputeLsb()
{
    m_lsb = (m_maximum - m_minimum) / std::pow(2.0, m_resolutionBits);
}

double TSignal::duration() const
{
    return m_rate > 0 ? double(m_sampleCount) / m_rate : 0.0;
}

int TSignal::samplesIn(double seconds) const
{
    return int(m_rate * seconds + 0.5);
}

int TSignal::mean(int channel, int start, int n)
{
    if (n <= 0)
        return 0;
    qint64 sum = 0;
    for (int i = 0; i < n; ++i)
        sum += sample(channel, start + i);
    return int(sum / n);
}

void TSignal::addListener(TSignalListener *listener)
{
    if (listener && std::find(m_listeners.begin(), m_listeners.end(), listener) == m_listeners.end())
        m_listeners.push_back(listener);
}

void TSignal::removeListener(TSignalListener *listener)
{
    m_listeners.erase(std::remove(m_listeners.begin(), m_listeners.end(), listener), m_listeners.end());
}

void TSignal::notifyListeners()
{
    // A listener may remove itself while being told; iterate over a copy.
    const std::vector<TSignalListener *> listeners = m_listeners;
    for (TSignalListener *l : listeners)
        l->signalChanged();
}

void TSignal::copyLayoutFrom(const TSignal &other)
{
    for (int c = 0; c < m_channelCount && c < other.channelCount(); ++c)
        setChannelName(c, other.channelName(c));
    m_rate = other.rate();
    m_sampleWidth = other.sampleWidth();
    m_resolutionBits = other.resolutionBits();
    m_minimum = other.minimum();
    m_maximum = other.maximum();
    recomputeLsb();
    m_blockLength = other.blockLength();
    m_blockCount = other.blockCount();
    m_sampleCount = other.sampleCount();
}

TSignal::Page *TSignal::page(int channel, int block)
{
    std::vector<Page> &pages = m_pageTable[channel];
    if (block >= int(pages.size()))
        pages.resize(std::max<size_t>(pages.size() * 2, size_t(block) + 1));
    return &pages[block];
}

const qint16 *TSignal::fetchPage(int channel, int block)
{
    if (block < 0 || block >= m_blockCount || channel < 0 || channel >= m_channelCount)
        return nullptr;
    Page *p = page(channel, block);
    if (!p->data) {
        if (int(m_cacheList.size()) > MaxCachedPages)
            evictOne();
        p->data = readBlock(channel, block);
        if (!p->data)
            return nullptr;
        p->references = 0;
        p->cachePosition = m_cacheList.insert(m_cacheList.end(), {channel, block});
    }
    ++p->references;
    return p->data;
}

void TSignal::releasePage(int channel, int block)
{
    if (channel < 0 || channel >= m_channelCount || block < 0 || block >= int(m_pageTable[channel].size()))
        return;
    Page &p = m_pageTable[channel][block];
    if (p.references > 0)
        --p.references;
}

void TSignal::evictOne()
{
    for (auto it = m_cacheList.begin(); it != m_cacheList.end(); ++it) {
        Page &p = m_pageTable[it->first][it->second];
        if (p.references == 0 && p.data) {
            freeBlock(p.data);
            p.data = nullptr;
            m_cacheList.erase(it);
            return;
        }
    }
}

void TSignal::dropPage(int channel, int block)
{
    if (channel < 0 || channel >= m_channelCount || block < 0 || block >= int(m_pageTable[channel].size()))
        return;
    Page &p = m_pageTable[channel][block];
    if (!p.data || p.references > 0)
        return;
    freeBlock(p.data);
    p.data = nullptr;
    m_cacheList.erase(p.cachePosition);
}

void TSignal::clearPageCache()
{
    for (const auto &entry : m_cacheList) {
        Page &p = m_pageTable[entry.first][entry.second];
        freeBlock(p.data);
        p.data = nullptr;
        p.references = 0;
    }
    m_cacheList.clear();
}

int TSignal::pagedSample(int channel, int index)
{
    if (index < 0 || m_blockLength <= 0)
        return 0;
    const int block = index / m_blockLength;
    if (block >= m_blockCount)
        return 0;
    const qint16 *data = fetchPage(channel, block);
    if (!data)
        return 0;
    const int value = data[index - block * m_blockLength];
    releasePage(channel, block);
    return value;
}

void TSignal::pagedReadRange(int channel, int start, int n, double *out)
{
    const qint64 end = qint64(start) + n;
    const qint64 addressableEnd = qint64(m_blockCount) * m_blockLength;
    qint64 i = start;
    while (i < end) {
        if (i < 0 || i >= addressableEnd || m_blockLength <= 0) {
            // Outside the blocks: zeros up to the next addressable position.
            const qint64 stop = i < 0 ? std::min<qint64>(0, end) : end;
            for (; i < stop; ++i)
                out[i - start] = 0.0;
            continue;
        }
        const int block = int(i / m_blockLength);
        const int offset = int(i - qint64(block) * m_blockLength);
        const int run = int(std::min<qint64>(m_blockLength - offset, end - i));
        const qint16 *data = fetchPage(channel, block);
        double *dest = out + (i - start);
        if (data) {
            for (int k = 0; k < run; ++k)
                dest[k] = data[offset + k];
            releasePage(channel, block);
        } else {
            std::fill(dest, dest + run, 0.0);
        }
        i += run;
    }
}
