#pragma once

#include "dsp/tsignal.h"

#include <algorithm>
#include <vector>

// A signal held in plain vectors, for display tests: every sample appended
// stays addressable.
class MemorySignal : public TSignal
{
public:
    MemorySignal(int channels, int rate, int blockLength = 250)
        : TSignal(channels), m_data(size_t(channels))
    {
        setRate(rate);
        setBlockLength(blockLength);
    }

    // Appends the same value to every channel n times.
    void appendConstant(int value, int n)
    {
        for (auto &channel : m_data)
            channel.insert(channel.end(), size_t(n), qint16(value));
        setSampleCount(int(m_data[0].size()));
        setBlockCount(sampleCount() / blockLength());
    }

    int sample(int channel, int index) override
    {
        if (channel < 0 || channel >= channelCount() || index < 0 || index >= sampleCount())
            return 0;
        return m_data[size_t(channel)][size_t(index)];
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
        auto *data = new qint16[size_t(blockLength())];
        for (int i = 0; i < blockLength(); ++i)
            data[i] = qint16(sample(channel, block * blockLength() + i));
        return data;
    }
    void freeBlock(qint16 *block) override { delete[] block; }

private:
    std::vector<std::vector<qint16>> m_data;
};
