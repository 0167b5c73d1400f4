#include "storage/sessionclock.h"

#include <chrono>

QDateTime SessionClock::now() const
{
    return QDateTime::currentDateTime();
}

qint64 SessionClock::monotonicMs() const
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

const SessionClock &SessionClock::system()
{
    static const SessionClock clock;
    return clock;
}
