#include "acquisition/samplebuffer.h"

#include <QMutexLocker>

#include <algorithm>

void SampleBuffer::appendSample(short sample)
{
    const quint16 value = quint16(sample);
    QMutexLocker locker(&mutex);
    bytes.push_back(uchar(value & 0xff));
    bytes.push_back(uchar(value >> 8));
}

int SampleBuffer::sampleCount()
{
    QMutexLocker locker(&mutex);
    return int(bytes.size() / 2);
}

int SampleBuffer::takeSamples(short *samples, int maxCount)
{
    const int n = std::min(maxCount, sampleCount());
    for (int i = 0; i < n; ++i) {
        unsigned char low, high;
        {
            QMutexLocker locker(&mutex);
            low = bytes.front();
            bytes.pop_front();
            high = bytes.front();
            bytes.pop_front();
        }
        samples[i] = short(quint16(low | (high << 8)));
    }
    return std::max(n, 0);
}
