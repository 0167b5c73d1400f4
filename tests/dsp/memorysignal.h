#pragma once

#include "dsp/tmemorysignal.h"

// An in-memory recording that counts the blocks it has to read.
class MemorySignal : public TMemorySignal
{
public:
    MemorySignal(const std::vector<qint16> &samples, int blockLength, int rate)
        : TMemorySignal({samples}, blockLength, rate)
    {
    }

    qint16 *readBlock(int channel, int block) override
    {
        qint16 *data = TMemorySignal::readBlock(channel, block);
        blocksRead += data ? 1 : 0;
        return data;
    }

    int blocksRead = 0;
};
