#pragma once

#include <QSharedMemory>
#include <QString>

// Keeps a second copy of the station from running. The running copy holds a
// small shared-memory segment under a fixed key; another copy cannot create it.
//
// A copy that crashed cannot release its segment, and on Linux such a segment
// outlives the process. claim() therefore first attaches to an existing
// segment and detaches again: a segment nobody else is attached to is removed
// by that detach, while a live owner keeps it. A system semaphore (released by
// the system when its holder dies) makes this check and the creation one step
// for copies started at the same moment.
class SingleInstance
{
public:
    explicit SingleInstance(const QString &key);
    ~SingleInstance();

    SingleInstance(const SingleInstance &) = delete;
    SingleInstance &operator=(const SingleInstance &) = delete;

    // True when this process now holds the key (or already held it).
    bool claim();
    bool isClaimed() const { return m_claimed; }

    static constexpr int segmentSize = 256;

private:
    QString m_key;
    QSharedMemory m_memory;
    bool m_claimed = false;
};
