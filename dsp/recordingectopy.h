#pragma once

#include "dsp/tbeatevidence.h"

#include <QPair>
#include <QVector>
#include <QtGlobal>

#include <atomic>
#include <vector>

class TSignal;

// The ventricular ectopy of a whole recording, worked out again from its
// samples by the chain the live monitor runs (the station's beat detector,
// classifier and signal-quality judgement, EctopyStream), so that review and
// the reports need no stored beat labels and count what the monitor counted.

// One beat of a recording: the sample index of its QRS centre and the label
// it counts with (a ventricular beat in a noisy stretch is not classified).
struct LabelledBeat
{
    qint64 index = 0;
    BeatLabel label = BeatLabel::Unclassified;
};

// Stretches of a recording that hold no ECG: (first sample, count), in order.
using RecordingGaps = QVector<QPair<qint64, qint64>>;

// Runs the detector and the ectopy chain over one channel of raw station
// samples, from the first sample to the last, as the live station does: a
// gap of up to EctopyStream::BridgedGap samples is bridged with the last
// sample, after a longer one the classifier learns anew. Returns the beats
// in order. When `cancelled` becomes true the work stops early and returns
// what it has (callers then discard it).
std::vector<LabelledBeat> classifyRecording(TSignal &signal, int channel = 0, const RecordingGaps &gaps = {},
                                            const std::atomic<bool> *cancelled = nullptr);

// Three or more ventricular beats in a row, joined as the live alarms join
// them (see ventricularruns.h).
struct VentricularRun
{
    qint64 start = 0; // sample index of the first beat
    qint64 end = 0;   // sample index of the last beat
    int beats = 0;
    int rateBpm = 0;  // from the mean interval between its beats
    bool tachycardia = false; // fast enough to be a ventricular tachycardia
};

struct EctopyStatistics
{
    int pvcTotal = 0;
    // The most ventricular beats in any 60 s, and the sample index of the
    // first of them (-1 when there is none).
    int maxPerMinute = 0;
    qint64 maxMinuteStart = -1;
    int couplets = 0; // exactly two ventricular beats in a row
    std::vector<VentricularRun> runs;
    int longestRun = -1; // index in runs: most beats, the first of equals; -1 without runs
    // Ventricular beats per hour of recording; 0 for an empty recording.
    double pvcPerHour = 0.0;
    // Runs above VentricularSequence::TachycardiaRate: those the VT alarm calls.
    int tachycardias = 0;
};

// Couplets and runs by the live alarms' rule: any beat that is not
// ventricular (normal or not classified), or a pause, ends a sequence of
// ventricular beats. `rate` in samples per second; `sampleCount`
// is the recording's length.
EctopyStatistics ectopyStatistics(const std::vector<LabelledBeat> &beats, int rate, qint64 sampleCount);

// Everything review and the reports show of one recording.
struct RecordingEctopy
{
    int rate = 0;
    qint64 sampleCount = 0;
    std::vector<LabelledBeat> beats;
    EctopyStatistics statistics;
};
// classifyRecording() and ectopyStatistics() over channel 0.
RecordingEctopy analyseRecording(TSignal &signal, const RecordingGaps &gaps = {},
                                 const std::atomic<bool> *cancelled = nullptr);

// Ventricular beats in the minute up to each second: value s counts the
// ventricular beats in (s - 60 s, s], one value per whole second of the
// recording, like the live heart-rate trend.
std::vector<int> ventricularTrend(const std::vector<LabelledBeat> &beats, int rate, qint64 sampleCount);

// What the live count the station stores (entry n: the ventricular beats of
// second n) still tells when the recording cannot be read: the total, the
// rate per hour over the seconds counted and the busiest minute to the second
// (start as the sample index `rate` gives). Couplets and runs need the beats
// themselves: none are given.
EctopyStatistics countedStatistics(const QVector<int> &perSecond, int rate);
// The same counts as a ventricularTrend(): the beats of the minute up to
// each second.
std::vector<int> countedTrend(const QVector<int> &perSecond);

// Sample indices of the ventricular beats, for marks on an ECG display.
std::vector<qint64> ventricularIndices(const std::vector<LabelledBeat> &beats);
