#pragma once

#include <QList>
#include <QVector>

class MonitorSession;

// One value of one session in a patient's course.
struct HistoryPoint
{
    int x = 0;      // session number
    double y = 0.0; // value
};
using HistorySeries = QVector<HistoryPoint>;

// The course of a patient over all sessions, as the review's summary page
// and the summary report plot it. Series hold points in the order of the
// sessions given (ascending session number); a value that was never entered
// (0) gives no point.
struct SessionHistory
{
    HistorySeries heartRate[3]; // checkpoint heart rate > 0, phases 1..3
    HistorySeries systolic[3];  // checkpoint systolic pressure > 0, phases 1..3
    HistorySeries weight;       // weight > 0
    HistorySeries bmi;          // weight > 0 and height > 0
    HistorySeries abdomen;      // abdominal perimeter > 0

    void clear();
};

// Refills `history` in place, so that adaptors holding pointers to its series stay valid.
void collectHistory(const QList<const MonitorSession *> &sessions, SessionHistory &history);

// Weight (kg) / (height (cm) / 100)^2; 0 unless both are above 0.
double bodyMassIndex(double weightKg, double heightCm);

// Sessions attended out of all, in whole percent (integer division); 0 for none.
int attendancePercent(const QList<const MonitorSession *> &sessions);
