#pragma once

#include "storage/recordrules.h"

#include <QList>
#include <QVector>

#include <array>

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

    // The series of the five history plots, in the order they are shown:
    // heart rate and systolic pressure (three phases each), then weight,
    // body-mass index and abdomen (one series each).
    std::array<QVector<const HistorySeries *>, 5> plotSeries() const;
};

// Refills `history` in place, so that adaptors holding pointers to its series stay valid.
void collectHistory(const QList<const MonitorSession *> &sessions, SessionHistory &history);

// Sessions attended out of all, in whole percent (integer division); 0 for none.
int attendancePercent(const QList<const MonitorSession *> &sessions);
