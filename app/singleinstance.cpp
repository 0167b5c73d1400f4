#include "app/singleinstance.h"

#include <QSystemSemaphore>

SingleInstance::SingleInstance(const QString &key)
    : m_key(key), m_memory(key)
{
}

SingleInstance::~SingleInstance()
{
    if (m_claimed)
        m_memory.detach();
}

bool SingleInstance::claim()
{
    if (m_claimed)
        return true;
    QSystemSemaphore lock(m_key + QStringLiteral(" lock"), 1, QSystemSemaphore::Open);
    const bool locked = lock.acquire();
    // Clears a segment left behind by a copy that ended without detaching.
    if (m_memory.attach())
        m_memory.detach();
    m_claimed = m_memory.create(segmentSize, QSharedMemory::ReadWrite);
    if (locked)
        lock.release();
    return m_claimed;
}
