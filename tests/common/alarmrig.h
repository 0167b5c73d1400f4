#pragma once

#include "acquisition/recorder.h"
#include "acquisition/replaysource.h"
#include "alarms/alarmmonitor.h"
#include "storage/monitorsession.h"

#include <memory>
#include <vector>

// A recorder and an alarm monitor on a test clock, with patients whose
// modules replay given samples: what the alarm tests drive, poll by poll.
struct AlarmRig
{
    qint64 now = 0;
    Recorder recorder;
    AlarmMonitor alarms{[this] { return now; }};
    std::vector<std::unique_ptr<ReplaySource>> sources;
    std::vector<std::unique_ptr<MonitorSession>> sessions;

    AlarmRig() { alarms.watch(&recorder); }

    // Patient number sessions.size() + 1, monitored from now on. `session`,
    // when given, is used instead of a new one (not owned).
    MonitorSession &add(std::vector<qint16> samples, bool linkWatched = true, MonitorSession *session = nullptr)
    {
        sources.push_back(std::make_unique<ReplaySource>(std::move(samples), [this] { return now; }));
        if (!session) {
            SessionData data;
            data.patientId = int(sessions.size()) + 1;
            sessions.push_back(std::make_unique<MonitorSession>(data));
            session = sessions.back().get();
        }
        recorder.addSource(sources.back().get(), session);
        alarms.addPatient(session->patientId > 0 ? session->patientId : 1, session, sources.back().get(), linkWatched);
        return *session;
    }

    // Polls, keeps the trends and evaluates the alarms up to `seconds`.
    void runTo(double seconds)
    {
        for (; now < qint64(seconds * 1000); now += Recorder::PollInterval) {
            recorder.pollSources();
            if (now % 1000 == 0)
                recorder.updateTrends();
            alarms.tick();
        }
    }
};
