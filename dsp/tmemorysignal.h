#pragma once

#include "dsp/tsignal.h"

#include <vector>

// A complete recording held in memory: every sample is readable directly,
// complete blocks are served through the page cache like a recording file's.
// Used where samples come from somewhere other than a recording file (the
// command-line companion, benchmarks).
class TMemorySignal : public TSignal
{
public:
    // One vector per channel, all of the same length (shorter ones read 0 at
    // the end). Throws std::invalid_argument for more than 16 channels or a
    // block length below 1.
    TMemorySignal(std::vector<std::vector<qint16>> channels, int blockLength, int rate);
    ~TMemorySignal() override;

    int sample(int channel, int index) override;
    void readRange(int channel, int start, int n, double *out) override;
    qint16 *readBlock(int channel, int block) override;
    void freeBlock(qint16 *block) override;

private:
    std::vector<std::vector<qint16>> m_data;
};
