#pragma once

#include "dsp/tsignal.h"

#include <vector>

// A ring buffer holding the most recent `capacity` samples of each channel of
// a growing signal: the output of a live filter stage. The sample count grows
// without bound; only the last `capacity` samples can be read back, older
// positions read as 0.
class TLiveSignal : public TSignal
{
public:
    // Throws std::invalid_argument for a block length or capacity below 1 or a
    // channel count outside 1..16.
    TLiveSignal(int blockLength, int capacity, int channelCount, int rate);
    ~TLiveSignal() override;

    int capacity() const { return m_capacity; }
    // Takes the resolution, range and channel names of another signal, so that
    // a stage output is scaled exactly like its input.
    void copyScaleFrom(const TSignal &other);

    int sample(int channel, int index) override;
    void readRange(int channel, int start, int n, double *out) override;
    // A copy of a block while it is wholly held in the ring, zeros once it is not.
    qint16 *readBlock(int channel, int block) override;
    void freeBlock(qint16 *block) override;

    void appendInterleaved(const void *data, int byteCount) override;
    void appendChannels(const qint16 *const *channels, int n) override;
    // Truncates toward zero and keeps the low 16 bits (no saturation).
    void appendChannelsF64(const double *const *channels, int n) override;

private:
    // First index still held.
    int oldestHeld() const;
    void finishAppend(int n);

    int m_capacity;
    int m_writePosition = 0;
    std::vector<std::vector<qint16>> m_rings;
};
