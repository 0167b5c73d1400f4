#pragma once

#include <QDateTime>
#include <QtGlobal>

// Where live monitoring reads the time. Dates come from the wall clock;
// elapsed time from a monotonic clock, which only the passing of time moves:
// a change of the system clock during a session shifts no event and fills no
// pause with hours of silence. Tests give a clock of their own.
class SessionClock
{
public:
    virtual ~SessionClock() = default;
    virtual QDateTime now() const;
    // Milliseconds since some fixed moment, never going back.
    virtual qint64 monotonicMs() const;

    // The system's clocks.
    static const SessionClock &system();
};
