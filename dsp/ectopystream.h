#pragma once

#include "dsp/ecgquality.h"
#include "dsp/tbeatclassifier.h"

#include <QtGlobal>

#include <memory>
#include <vector>

// A beat as the ectopy figures take it: where its QRS centre lies in the
// patient's recording and the label it counts with. A ventricular beat the
// signal-quality judgement does not let count is not classified.
struct CountedBeat
{
    qint64 sample = 0;
    BeatLabel label = BeatLabel::Unclassified;
};

// The causal chain from the beat detector's beats to the ventricular beats
// that count: a classifier that learns the patient, a signal-quality judgement
// of the same samples, and the rule that lets a ventricular beat in a noisy
// stretch count only inside a run of wide, clean beats. The live monitor and
// review (with the reports) both run it, sample by sample, so that the PVC
// figures of a recording are the same however it was looked at.
//
// Feed every sample the detector took with addSample() and each beat it
// confirmed with addBeat() right after the sample that confirmed it; whenever
// either returns true, take the decisions with takeDecision(). A gap in the
// trace longer than BridgedGap restarts the chain (the classifier learns
// anew); shorter ones are bridged with the last sample.
class EctopyStream
{
public:
    static constexpr int SampleRate = 250;
    // Gaps up to this many samples are bridged with the last sample.
    static constexpr int BridgedGap = 125;

    // A ventricular beat in a stretch judged noisy counts anyway in a run of
    // at least RunToTrust ventricular beats at 100 bpm or faster whose
    // noisy-stretch beats are all wide (1.5 times the normal QRS or more) and
    // clean (high-frequency noise under a fortieth of the QRS amplitude, the
    // baseline moving less than one normal QRS amplitude across the beat):
    // a tachycardia's wide, blunt beats can make a stretch look noisy, while
    // motion noise rarely makes clean wide complexes that keep a fast rate.
    static constexpr int RunToTrust = 3;
    static constexpr int RunLongestInterval = SampleRate * 3 / 5;
    static constexpr float RunWidthRatio = 1.5f;
    static constexpr float RunNoise = 0.025f;
    static constexpr float RunBaselineShift = 1.0f;
    static bool runLikeBeat(const TBeatDecision &decision);

    EctopyStream();

    // Starts afresh: the next sample is sample `recordingOffset` of the
    // recording, and the detector has taken `detectorBase` samples before it
    // (its beat indices are counted from its own start).
    void restart(qint64 recordingOffset, qint64 detectorBase);

    bool addSample(int sample)
    {
        m_quality.addSample(sample);
        return m_classifier->addSample(sample);
    }
    // A beat at the detector's sample `detectorIndex`.
    bool addBeat(qint64 detectorIndex);

    // The next decision of the classifier, false when none waits. The beats
    // whose count is settled by it are appended to `counted` in beat order:
    // none while a ventricular beat in a noisy stretch waits for its run to
    // prove itself, several when such beats are settled.
    bool takeDecision(TBeatDecision &decision, std::vector<CountedBeat> &counted);
    // The signal ended: the waiting beats are decided (take them as usual),
    // then settle() lets the beats still held count as not classified.
    void finish() { m_classifier->finish(); }
    void settle(std::vector<CountedBeat> &counted);

    // Recording sample index of the chain's sample 0.
    qint64 recordingOffset() const { return m_offset; }

private:
    struct HeldBeat
    {
        CountedBeat beat;
        bool trusted = false;   // in a stretch judged analysable
    };
    void releaseHeld(bool asVentricular, std::vector<CountedBeat> &counted);

    std::unique_ptr<TBeatClassifier> m_classifier;
    EcgQuality m_quality;
    qint64 m_offset = 0;        // recording index of sample 0
    qint64 m_base = 0;          // detector index of sample 0
    std::vector<HeldBeat> m_held;   // ventricular beats awaiting their run
    int m_runBeats = 0;         // wide clean ventricular beats in a row, at a ventricular rate
};
