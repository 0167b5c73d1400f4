#include "acquisition/samplebuffer.h"

#include <QMutexLocker>

#include <algorithm>

void SampleBuffer::appendSample(short sample)
{
    const quint16 value = quint16(sample);
    QMutexLocker locker(&mutex);
    bytes.push_back(uchar(value & 0xff));
    bytes.push_back(uchar(value >> 8));
    ++appended;
}

void SampleBuffer::appendGap(qint64 count)
{
    if (count <= 0)
        return;
    QMutexLocker locker(&mutex);
    if (!gaps.empty() && gaps.back().first == appended)
        gaps.back().second += count;
    else
        gaps.emplace_back(appended, count);
}

int SampleBuffer::sampleCount()
{
    QMutexLocker locker(&mutex);
    return int(bytes.size() / 2);
}

int SampleBuffer::takeSamples(short *samples, int maxCount)
{
    int n = 0;
    {
        QMutexLocker locker(&mutex);
        qint64 limit = std::min<qint64>(maxCount, qint64(bytes.size() / 2));
        if (!gaps.empty())
            limit = std::min(limit, gaps.front().first - taken);
        n = int(std::max<qint64>(limit, 0));
        taken += n;
    }
    // Only the GUI thread takes: the samples counted above stay at the front.
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
    return n;
}

qint64 SampleBuffer::takeGap()
{
    QMutexLocker locker(&mutex);
    if (gaps.empty() || gaps.front().first != taken)
        return 0;
    const qint64 count = gaps.front().second;
    gaps.pop_front();
    return count;
}
