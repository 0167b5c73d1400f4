#pragma once

#include <QMutex>
#include <QtGlobal>

#include <deque>
#include <utility>

// Hand-over of ECG samples from a module's reader thread to the GUI thread:
// pairs of bytes, low byte first, touched only under the mutex. Samples the
// reader knows were lost (bad frames) are marked where they belong in the
// stream, so that the recording can keep every later sample at its time.
struct SampleBuffer
{
    QMutex mutex;
    std::deque<unsigned char> bytes;

    // Appends one sample (reader thread).
    void appendSample(short sample);
    // Marks `count` samples lost before the next sample appended (reader thread).
    void appendGap(qint64 count);
    // Whole samples queued; a lone trailing byte does not count.
    int sampleCount();
    // Moves up to maxCount samples, oldest first; never moves samples from
    // beyond a marked gap, so that takeGap() comes first.
    int takeSamples(short *samples, int maxCount);
    // The samples lost before the next queued sample, 0 when none; taking
    // them clears the mark.
    qint64 takeGap();

private:
    // Samples appended and taken so far; each gap mark is the number of
    // samples appended before it and its length.
    qint64 appended = 0;
    qint64 taken = 0;
    std::deque<std::pair<qint64, qint64>> gaps;
};
