#include "tfilteredsignal.h"

#include "dsp/tblockfilter.h"
#include "dsp/tblockwindow.h"

#include <algorithm>
#include <cstring>

TFilteredSignal::TFilteredSignal(TSignal *source, TBlockFilter *sharedFilter)
    : TFilteredSignal(source, std::vector<TBlockFilter *>())
{
    m_sharedFilter = sharedFilter;
}

TFilteredSignal::TFilteredSignal(TSignal *source, const std::vector<TBlockFilter *> &channelFilters)
    : TSignal(source->channelCount())
    , m_source(source)
    , m_channelFilters(channelFilters)
{
    copyLayoutFrom(*source);
    if (auto *below = dynamic_cast<TFilteredSignal *>(source))
        m_depth = below->m_depth + 1;
    m_source->addListener(this);
}

TFilteredSignal::~TFilteredSignal()
{
    m_source->removeListener(this);
    clearPageCache();
}

TBlockFilter *TFilteredSignal::filterFor(int channel) const
{
    if (m_sharedFilter)
        return m_sharedFilter;
    return channel < int(m_channelFilters.size()) ? m_channelFilters[channel] : nullptr;
}

int TFilteredSignal::sample(int channel, int index)
{
    return pagedSample(channel, index);
}

void TFilteredSignal::readRange(int channel, int start, int n, double *out)
{
    pagedReadRange(channel, start, n, out);
}

qint16 *TFilteredSignal::readBlock(int channel, int block)
{
    if (channel < 0 || channel >= channelCount() || block < 0 || block >= blockCount())
        return nullptr;
    const int n = blockLength();
    qint16 *data = new qint16[n];
    TBlockFilter *filter = filterFor(channel);
    if (!filter) {
        const qint16 *src = m_source->fetchPage(channel, block);
        if (src) {
            std::memcpy(data, src, sizeof(qint16) * size_t(n));
            m_source->releasePage(channel, block);
        } else {
            std::fill(data, data + n, qint16(0));
        }
        return data;
    }
    TBlockWindow window;
    window.n = n;
    window.source = m_source;
    window.channel = channel;
    window.block = block;
    window.previous = m_source->fetchPage(channel, block - 1);
    window.current = m_source->fetchPage(channel, block);
    window.next = m_source->fetchPage(channel, block + 1);
    filter->filterBlock(window, data);
    for (int b = block - 1; b <= block + 1; ++b)
        m_source->releasePage(channel, b);
    return data;
}

void TFilteredSignal::freeBlock(qint16 *block)
{
    delete[] block;
}

void TFilteredSignal::signalChanged()
{
    const int oldBlocks = blockCount();
    setBlockCount(m_source->blockCount());
    setSampleCount(m_source->sampleCount());
    if (blockCount() > oldBlocks) {
        // The last blocks were computed with zeros where the source had no
        // next block yet; drop them so they are computed again.
        for (int c = 0; c < channelCount(); ++c)
            for (int b = std::max(0, oldBlocks - m_depth); b < oldBlocks; ++b)
                dropPage(c, b);
    }
    notifyListeners();
}
