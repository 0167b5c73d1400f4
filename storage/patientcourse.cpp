#include "storage/patientcourse.h"

#include "storage/monitordatabase.h"
#include "storage/monitorsession.h"

#include <exception>

PatientCourse::PatientCourse(MonitorDatabase &database, int patientId)
    : m_patientId(patientId), m_rows(database.listSessions(patientId))
{
    for (const SessionInfo &row : qAsConst(m_rows)) {
        std::unique_ptr<MonitorSession> session;
        try {
            session = database.openSession(patientId, row.sessionNumber);
        } catch (const std::exception &) {
            // Listed as unreadable, like a study file that cannot be read.
        }
        m_sessions.push_back(std::move(session));
    }
}

PatientCourse::~PatientCourse() = default;

QList<MonitorSession *> PatientCourse::sessions() const
{
    QList<MonitorSession *> opened;
    for (const auto &session : m_sessions) {
        if (session)
            opened.append(session.get());
    }
    return opened;
}

QList<const MonitorSession *> PatientCourse::readSessions() const
{
    QList<const MonitorSession *> opened;
    for (MonitorSession *session : sessions())
        opened.append(session);
    return opened;
}

MonitorSession *PatientCourse::session(int sessionNumber) const
{
    for (const auto &session : m_sessions) {
        if (session && session->sessionNumber == sessionNumber)
            return session.get();
    }
    return nullptr;
}

QList<SessionInfo> PatientCourse::unreadable() const
{
    QList<SessionInfo> missing;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (!m_sessions[size_t(i)])
            missing.append(m_rows[i]);
    }
    return missing;
}

int PatientCourse::presentCount() const
{
    int present = 0;
    for (const SessionInfo &row : m_rows)
        present += row.presence ? 1 : 0;
    return present;
}

int PatientCourse::attendancePercent() const
{
    return m_rows.isEmpty() ? 0 : presentCount() * 100 / m_rows.size();
}
