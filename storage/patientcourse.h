#pragma once

#include "storage/sessioninfo.h"

#include <QList>

#include <memory>
#include <vector>

class MonitorDatabase;
class MonitorSession;

// A patient's course: every session the index lists, in ascending session
// number, opened with its study file and recording. A session whose study
// file cannot be read stays in the course as its index row, so that callers
// can say which sessions are missing (number and start) and count attendance
// over all of them. The course owns the sessions it opened.
class PatientCourse
{
public:
    // Reads the index and opens every session. Throws StorageError when the
    // index cannot be read; a session that cannot be opened is only listed.
    PatientCourse(MonitorDatabase &database, int patientId);
    ~PatientCourse();

    PatientCourse(const PatientCourse &) = delete;
    PatientCourse &operator=(const PatientCourse &) = delete;

    int patientId() const { return m_patientId; }
    // Every listed session, readable or not.
    int listedCount() const { return m_rows.size(); }
    // The sessions that could be opened.
    QList<MonitorSession *> sessions() const;
    QList<const MonitorSession *> readSessions() const;
    // The opened session of that number; null when none was opened.
    MonitorSession *session(int sessionNumber) const;
    // Index rows of the sessions whose study file could not be read.
    QList<SessionInfo> unreadable() const;

    // Listed sessions attended, by the index's presence of each.
    int presentCount() const;
    // Attended out of listed, in whole percent (integer division); 0 for none.
    int attendancePercent() const;

private:
    int m_patientId;
    QList<SessionInfo> m_rows;
    // One per row, null where the session could not be opened.
    std::vector<std::unique_ptr<MonitorSession>> m_sessions;
};
