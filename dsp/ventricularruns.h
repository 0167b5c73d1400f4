#pragma once

#include <QtGlobal>

// The one rule that joins ventricular beats into couplets and runs, for the
// live alarms and for review and the reports alike, so that the panel, the
// alarm log and the report never disagree about the same ECG. Ventricular
// beats in a row make a sequence; any other beat (normal or not classified)
// ends it, and so does a pause of PauseMs or more between two of its beats.
// Two beats are a couplet; three or more a run, and a run whose mean rate is
// above TachycardiaRate a ventricular tachycardia.
struct VentricularSequence
{
    static constexpr qint64 PauseMs = 2000;
    static constexpr int RunMinimumBeats = 3;
    static constexpr int TachycardiaRate = 100;

    qint64 first = 0;   // sample index of its first beat
    qint64 last = 0;    // and of its last
    int beats = 0;

    // Mean rate from the first beat to the last, bpm rounded; 0 for a single beat.
    int rateBpm(int sampleRate) const
    {
        const qint64 span = last - first;
        return span > 0 ? int((qint64(beats - 1) * 60 * sampleRate + span / 2) / span) : 0;
    }
    bool isCouplet() const { return beats == 2; }
    bool isRun() const { return beats >= RunMinimumBeats; }
    bool isTachycardia(int sampleRate) const { return isRun() && rateBpm(sampleRate) > TachycardiaRate; }
};

// Builds the sequences from beats given in order.
class VentricularSequences
{
public:
    explicit VentricularSequences(int sampleRate) : m_rate(sampleRate) {}

    // A ventricular beat at sample `index`. When it comes after a pause, the
    // sequence before it ends first: true then, with that sequence in `ended`.
    bool addVentricular(qint64 index, VentricularSequence *ended = nullptr);
    // Another beat, or a gap in the trace: the sequence ends. True when there
    // was one, given in `ended`.
    bool addOther(VentricularSequence *ended = nullptr);
    // The sequence still open (beats 0 without one).
    const VentricularSequence &current() const { return m_current; }

private:
    int m_rate;
    VentricularSequence m_current;
};
