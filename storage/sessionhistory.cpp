#include "storage/sessionhistory.h"

#include "storage/monitorsession.h"

void SessionHistory::clear()
{
    // Assigned in place: the series keep their addresses.
    *this = SessionHistory();
}

std::array<QVector<const HistorySeries *>, 5> SessionHistory::plotSeries() const
{
    return {QVector<const HistorySeries *>{&heartRate[0], &heartRate[1], &heartRate[2]},
            QVector<const HistorySeries *>{&systolic[0], &systolic[1], &systolic[2]},
            QVector<const HistorySeries *>{&weight}, QVector<const HistorySeries *>{&bmi},
            QVector<const HistorySeries *>{&abdomen}};
}

void collectHistory(const QList<const MonitorSession *> &sessions, SessionHistory &history)
{
    history.clear();
    for (const MonitorSession *session : sessions) {
        const int number = session->sessionNumber;
        for (int phase = PhaseBasal; phase <= PhasePostExercise; ++phase) {
            const Checkpoint c = session->checkpoint(phase);
            if (c.heartRate > 0)
                history.heartRate[phase - 1].append({number, double(c.heartRate)});
            if (c.sysBP > 0)
                history.systolic[phase - 1].append({number, double(c.sysBP)});
        }
        if (session->weight > 0.0)
            history.weight.append({number, session->weight});
        const double bmi = RecordRules::bodyMassIndex(session->weight, session->height);
        if (bmi > 0.0)
            history.bmi.append({number, bmi});
        if (session->abdomen > 0.0)
            history.abdomen.append({number, session->abdomen});
    }
}

int attendancePercent(const QList<const MonitorSession *> &sessions)
{
    if (sessions.isEmpty())
        return 0;
    int present = 0;
    for (const MonitorSession *session : sessions)
        present += session->presence ? 1 : 0;
    return present * 100 / sessions.size();
}
