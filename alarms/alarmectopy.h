#pragma once

#include "alarms/alarmconditions.h"
#include "alarms/alarmst.h"
#include "dsp/ectopystream.h"
#include "dsp/trhythmanalyser.h"
#include "dsp/ventricularruns.h"

#include <QVector>
#include <QtGlobal>

#include <deque>
#include <memory>

// A ventricular beat: where its QRS is in the patient's recording (sample
// index) and when it happened (the caller's monotonic milliseconds).
struct VentricularBeat
{
    qint64 sample = 0;
    qint64 time = 0;
};

// What one patient's labelled beats add up to: the ventricular beats counted
// over a sliding minute and kept for the marks of the last seconds, and those
// in a row joined into couplets and runs. Takes the labels in beat order.
class EctopyCounter
{
public:
    static constexpr int SampleRate = 250;
    static constexpr qint64 MinuteMs = 60000;
    // The marks of the ventricular beats cover the last 10 s of the trace.
    static constexpr qint64 RecentMs = 10000;
    // A couplet or a run is still a cause this long after its last beat, so
    // that its banner is up long enough to be read.
    static constexpr qint64 HoldMs = 5000;
    // Couplets and runs are joined by the rule review and the reports use.
    static constexpr int RunMinimumBeats = VentricularSequence::RunMinimumBeats;
    static constexpr int TachycardiaRate = VentricularSequence::TachycardiaRate;

    void addVentricular(const VentricularBeat &beat);
    // A beat of another label (normal or not classified) ends a run.
    void addOther();
    // A run does not go on across a gap in the trace.
    void endRun();

    int pvcPerMinute(qint64 now) const;
    int recentCount(qint64 now) const;
    // The recording sample indices of the ventricular beats of the last RecentMs.
    QVector<qint64> recentVentricularBeats(qint64 now) const;
    // The sample index of the last ventricular beat, -1 before the first.
    qint64 newestSample() const { return m_minute.empty() ? -1 : m_minute.back().sample; }
    EctopyFigures figures(qint64 now) const;
    // Couplets, runs and runs above TachycardiaRate ended so far, counted
    // as review and the reports count them for the same beats.
    int couplets() const { return m_couplets; }
    int runs() const { return m_runs; }
    int tachycardias() const { return m_tachycardias; }
    // Time of the latest ventricular beat; later beats are never placed before it.
    qint64 lastTime() const { return m_minute.empty() ? 0 : m_minute.back().time; }
    // Drops the beats that left the sliding minute.
    void forget(qint64 now);

private:
    std::deque<VentricularBeat>::const_iterator firstAfter(qint64 time) const;
    void noteEnded(const VentricularSequence &ended);

    std::deque<VentricularBeat> m_minute;   // the ventricular beats of the last minute, oldest first
    // The ventricular beats in a row that the last labels make.
    VentricularSequences m_sequences{SampleRate};
    VentricularBeat m_runLast;
    // The latest tachycardia (its beats, rate and last beat) and couplet.
    int m_tachyBeats = 0;
    int m_tachyRate = 0;
    qint64 m_tachyLast = 0;
    bool m_coupletSeen = false;
    qint64 m_coupletLast = 0;
    int m_couplets = 0;
    int m_runs = 0;
    int m_tachycardias = 0;
};

// One patient's ventricular ectopy while monitoring: every beat of the
// station's detector labelled and judged by the ectopy chain review runs too
// (EctopyStream), counted by an EctopyCounter. A beat is placed in time from
// its age in samples when the poll that brought it arrived. Per sample, the
// classifier's store and comparison and the quality judgement's sums; the
// rest is done once per beat.
class AlarmEctopy
{
public:
    AlarmEctopy();

    // Acquisition starts (again) with a fresh detector whose sample 0 is
    // sample `recordingOffset` of the patient's recording. The classifier
    // learns anew; the minute's count, the marks and runs go on.
    void restart(qint64 recordingOffset);
    // A gap in the trace that the detector was not fed: the samples after it
    // start at `recordingOffset`, the detector goes on counting. The
    // classifier learns anew, as after restart(). The beats it still held are
    // settled and counted, the ventricular ones appended to `decided`.
    void restartAfterGap(qint64 recordingOffset, QVector<VentricularBeat> *decided = nullptr);
    // The samples of one poll, whose last sample arrived at `now`, and the
    // beats the detector confirmed meanwhile: their indices and the position
    // in `samples` of the sample whose feed confirmed each. Ventricular beats
    // counted on the way are appended to `decided` when given. A ventricular
    // beat in a stretch that cannot be analysed counts as a beat not
    // classified unless it belongs to a fast run of wide, clean beats (see
    // EctopyStream).
    void addSamples(const short *samples, int count, const int *beats, const int *positions, int beatCount,
                    qint64 now, QVector<VentricularBeat> *decided = nullptr);
    // Acquisition stopped: the beats still waiting are decided now.
    void finish(QVector<VentricularBeat> *decided = nullptr);

    const EctopyCounter &counter() const { return m_counter; }
    // The patient's ST measurement takes the same samples and decisions.
    AlarmSt &st() { return m_st; }
    const AlarmSt &st() const { return m_st; }

    // The rhythm judged from the same samples and labelled beats: the running
    // one, and the episodes closed since last taken, in recording sample
    // indices. A restart or finish() closes the running episode where the
    // samples ended; an unjudged stretch counts as unanalysable.
    RhythmLabel rhythm() const { return m_rhythm->current(); }
    bool takeRhythmEpisode(RhythmEpisode &episode);

private:
    void takeDecisions(qint64 now, qint64 latest, QVector<VentricularBeat> *decided);
    // Counts the beats the last decisions settled.
    void count(qint64 now, qint64 latest, QVector<VentricularBeat> *decided);
    void closeRhythm();

    EctopyStream m_stream;
    std::vector<CountedBeat> m_counted;   // settled by the last decisions, reused
    EctopyCounter m_counter;
    AlarmSt m_st;
    qint64 m_offset = 0;        // recording index of the classifier's sample 0
    qint64 m_fed = 0;           // samples given to the classifier since its restart
    qint64 m_detectorFed = 0;   // samples the detector took since restart()
    qint64 m_lastPoll = 0;
    std::unique_ptr<TRhythmAnalyser> m_rhythm;
    std::deque<RhythmEpisode> m_rhythmEpisodes;   // closed, in recording indices
};
