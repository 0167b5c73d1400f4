#pragma once

#include <QtGlobal>

class MonitorDatabase;

struct DemoDataOptions
{
    int patients = 5;
    int sessions = 6;   // per patient
    int minutes = 3;    // of ECG per attended session
    quint32 seed = 1;
};

struct DemoDataResult
{
    int patients = 0;
    int sessions = 0;
    int absentSessions = 0;
};

// Fills a database with believable patients and finished sessions for trying
// the review and the reports: complete patient records, per-second trends,
// blood-pressure checkpoints, events and ECG recordings whose rate follows the
// heart-rate trend. Everything goes through the database's own operations.
// The same options give the same data on a fresh root.
DemoDataResult fillDemoData(MonitorDatabase &database, const DemoDataOptions &options);
