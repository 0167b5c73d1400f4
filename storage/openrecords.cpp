#include "storage/openrecords.h"

void OpenRecords::holdSession(int patientId, int sessionNumber)
{
    m_sessions.insert(qMakePair(patientId, sessionNumber));
}

void OpenRecords::releaseSession(int patientId, int sessionNumber)
{
    m_sessions.remove(qMakePair(patientId, sessionNumber));
}

bool OpenRecords::isSessionHeld(int patientId, int sessionNumber) const
{
    return m_sessions.contains(qMakePair(patientId, sessionNumber));
}

bool OpenRecords::isMonitored(int patientId) const
{
    for (const QPair<int, int> &session : m_sessions) {
        if (session.first == patientId)
            return true;
    }
    return false;
}

void OpenRecords::holdReview(int patientId)
{
    ++m_reviews[patientId];
}

void OpenRecords::releaseReview(int patientId)
{
    if (--m_reviews[patientId] <= 0)
        m_reviews.remove(patientId);
}

bool OpenRecords::isReviewed(int patientId) const
{
    return m_reviews.value(patientId) > 0;
}
