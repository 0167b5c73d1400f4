#include "tmemorysignal.h"

#include <algorithm>
#include <stdexcept>

namespace {

int channelCountOf(const std::vector<std::vector<qint16>> &channels)
{
    return int(channels.size());
}

} // namespace

TMemorySignal::TMemorySignal(std::vector<std::vector<qint16>> channels, int blockLength, int rate)
    : TSignal(channelCountOf(channels))
    , m_data(std::move(channels))
{
    if (blockLength < 1)
        throw std::invalid_argument("A signal needs a block length of at least 1");
    size_t longest = 0;
    for (const auto &c : m_data)
        longest = std::max(longest, c.size());
    for (auto &c : m_data)
        c.resize(longest, 0);
    setBlockLength(blockLength);
    setRate(rate);
    setSampleCount(int(longest));
    setBlockCount(sampleCount() / blockLength);
}

TMemorySignal::~TMemorySignal()
{
    clearPageCache();
}

int TMemorySignal::sample(int channel, int index)
{
    if (channel < 0 || channel >= channelCount() || index < 0 || index >= sampleCount())
        return 0;
    return m_data[channel][index];
}

void TMemorySignal::readRange(int channel, int start, int n, double *out)
{
    for (int i = 0; i < n; ++i)
        out[i] = sample(channel, start + i);
}

qint16 *TMemorySignal::readBlock(int channel, int block)
{
    if (channel < 0 || channel >= channelCount() || block < 0 || block >= blockCount())
        return nullptr;
    qint16 *data = new qint16[blockLength()];
    std::copy_n(m_data[channel].begin() + qint64(block) * blockLength(), blockLength(), data);
    return data;
}

void TMemorySignal::freeBlock(qint16 *block)
{
    delete[] block;
}
