#pragma once

#include <QMutex>

#include <deque>

// Hand-over of ECG samples from a module's reader thread to the GUI thread:
// pairs of bytes, low byte first, touched only under the mutex.
struct SampleBuffer
{
    QMutex mutex;
    std::deque<unsigned char> bytes;

    // Appends one sample (reader thread).
    void appendSample(short sample);
    // Whole samples queued; a lone trailing byte does not count.
    int sampleCount();
    // Moves up to maxCount samples, oldest first, locking once per sample.
    int takeSamples(short *samples, int maxCount);
};
