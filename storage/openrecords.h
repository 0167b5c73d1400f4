#pragma once

#include <QHash>
#include <QPair>
#include <QSet>

// What the station's windows hold open, so that no window writes or deletes
// what another one is using: the sessions a monitoring window records (it
// alone writes their study files until it is gone) and the patients shown in
// review windows (one window each, never deleted meanwhile). The station owns
// one and hands it to the windows that open or delete records; used on the
// GUI thread only.
class OpenRecords
{
public:
    void holdSession(int patientId, int sessionNumber);
    void releaseSession(int patientId, int sessionNumber);
    bool isSessionHeld(int patientId, int sessionNumber) const;
    // True while some session of the patient is held.
    bool isMonitored(int patientId) const;

    // Holds of the same patient are counted; the last release ends the review.
    void holdReview(int patientId);
    void releaseReview(int patientId);
    bool isReviewed(int patientId) const;

private:
    QSet<QPair<int, int>> m_sessions;
    QHash<int, int> m_reviews;
};
