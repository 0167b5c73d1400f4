#pragma once

#include "dsp/tsignal.h"

#include <algorithm>
#include <vector>

// A complete one-channel-or-more recording held in memory, served in blocks
// like a recording file. Counts the blocks it has to read.
class MemorySignal : public TSignal
{
public:
    MemorySignal(const std::vector<std::vector<qint16>> &channels, int blockLength, int rate)
        : TSignal(int(channels.size())), m_data(channels)
    {
        setBlockLength(blockLength);
        setRate(rate);
        setSampleCount(int(channels[0].size()));
        setBlockCount(sampleCount() / blockLength);
    }
    MemorySignal(const std::vector<qint16> &samples, int blockLength, int rate)
        : MemorySignal(std::vector<std::vector<qint16>>{samples}, blockLength, rate)
    {
    }
    ~MemorySignal() override { clearPageCache(); }

    int sample(int channel, int index) override
    {
        if (channel < 0 || channel >= channelCount() || index < 0 || index >= sampleCount())
            return 0;
        return m_data[channel][index];
    }
    void readRange(int channel, int start, int n, double *out) override
    {
        for (int i = 0; i < n; ++i)
            out[i] = sample(channel, start + i);
    }
    qint16 *readBlock(int channel, int block) override
    {
        if (block < 0 || block >= blockCount())
            return nullptr;
        ++blocksRead;
        qint16 *data = new qint16[blockLength()];
        std::copy_n(m_data[channel].begin() + qint64(block) * blockLength(), blockLength(), data);
        return data;
    }
    void freeBlock(qint16 *block) override { delete[] block; }

    int blocksRead = 0;

private:
    std::vector<std::vector<qint16>> m_data;
};
