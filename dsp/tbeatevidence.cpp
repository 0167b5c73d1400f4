#include "dsp/tbeatevidence.h"

namespace {

// Artefacts: noise above 3.5% of the beat's QRS amplitude, or a baseline that
// moved by more than the normal QRS height within the beat, make the shape
// meaningless. Such a beat is not classified rather than taken for
// ventricular: electrode motion on an exercising patient draws spikes and
// waves that differ from the normal beat as much as an ectopic one does, and
// every false ventricular beat feeds the PVC rate, couplets and runs.
constexpr float NoiseLimit = 0.035f;
// A complex markedly wider and half again as tall as the normal one stands
// out of twice that noise, and so does a beat that matches a template whose
// beats were mostly ventricular (its shape was confirmed beat after beat,
// which noise does not do): runs of ventricular beats stay ventricular in
// muscle and motion noise.
constexpr float StandingOutWidening = 1.4f;
constexpr float StandingOutAmplitude = 1.5f;
constexpr float StandingOutNoiseLimit = 0.06f;
constexpr float BaselineShiftLimit = 1.2f;

// Shape. A moderately different beat has lost some correlation with the
// normal QRS or T wave, or is 30% wider or taller; a markedly different one
// has little correlation left or is 60% wider. A ventricular complex is
// rarely narrower than the patient's normal QRS, so narrower beats must
// differ markedly.
constexpr float ModerateCorrelation = 0.9f;
constexpr float ModerateLongCorrelation = 0.8f;
constexpr float ModerateWidening = 1.3f;
constexpr float ModerateGrowth = 1.3f;
constexpr float MarkedCorrelation = 0.6f;
constexpr float MarkedLongCorrelation = 0.6f;
constexpr float MarkedWidening = 1.6f;
constexpr float Narrower = 0.9f;

// A wide, large, bizarre complex is ventricular whenever it comes.
constexpr float WideBizarreWidening = 1.4f;
constexpr float WideBizarreCorrelation = 0.75f;
constexpr float WideBizarreAmplitude = 1.0f;

// A complex markedly wider and half again as large as the normal one is
// ventricular whatever its shape and timing: conduction through the bundles
// cannot make it so (slow ventricular rhythms keep a normal timing).
constexpr float WideLargeAmplitude = 1.5f;

// A complex of the opposite polarity, in its QRS and its T wave, that is also
// wider and not small, is ventricular whatever its timing.
constexpr float InvertedCorrelation = -0.3f;
constexpr float InvertedWidening = 1.2f;
constexpr float InvertedAmplitude = 0.8f;

// A small complex that is not wider and keeps the normal polarity is a
// low-amplitude normal beat (axis change, noise), not a ventricular one; one
// of the opposite polarity comes from elsewhere.
constexpr float SmallAmplitude = 0.6f;
constexpr float SmallWidth = 1.0f;
constexpr float SmallSamePolarity = 0.0f;

// Timing. Premature with a compensatory pause: clearly shorter than the
// interval that follows, and earlier than the patient's rhythm. Early: well
// before the patient's rhythm. A run continues while beats keep coming no
// later than a tenth after the normal rhythm: a slow ventricular rhythm
// takes over at about the sinus rate.
constexpr float CompensatedPrematurity = 0.85f;
// The pause makes up for most of the prematurity: a supraventricular beat
// that reset the sinus rhythm leaves the two intervals well short of two
// normal ones.
constexpr float FullCompensation = 0.8f;
// Sinus rhythm keeps the middle half of its intervals within a tenth or so of
// the median; atrial fibrillation spreads them far wider, and there an early
// beat followed by a long interval is chance, not a compensatory pause.
constexpr float RegularRhythmSpread = 0.2f;
constexpr float EarlyBeat = 0.85f;
constexpr float RunEarliness = 1.1f;

// A supraventricular beat coming in less than 45% of the normal interval
// finds part of the conduction system still refractory and is conducted
// aberrantly: its QRS widens but keeps much of its shape. Up to half the
// normal interval, a beat that keeps the shape and is no taller than the
// normal one is taken for aberrant too: an ectopic ventricular focus
// rarely draws a complex smaller than the conducted one.
constexpr float AberrantEarliness = 0.45f;
constexpr float SmallAberrantEarliness = 0.5f;
constexpr float SmallAberrantAmplitude = 1.0f;

// Families. Two ventricular beats of a morphology make it a known ectopic
// focus; a family of 20 beats or more of which fewer than a tenth were
// ventricular is another normal conduction (bundle-branch block, axis shift).
constexpr int KnownFocus = 2;
constexpr int EstablishedBeats = 20;
constexpr float EstablishedVentricularShare = 0.1f;

} // namespace

BeatLabel judgeBeat(const TBeatEvidence &e)
{
    const bool knownFocus = e.familyVentricular >= KnownFocus;
    const bool mostlyVentricular = knownFocus && 2 * e.familyVentricular >= e.familyBeats;
    const bool standsOut = (e.widthRatio > StandingOutWidening && e.amplitudeRatio > StandingOutAmplitude)
        || (mostlyVentricular && !e.normalFamily);
    if (e.learning || e.noise > (standsOut ? StandingOutNoiseLimit : NoiseLimit)
        || e.baselineShift > BaselineShiftLimit)
        return BeatLabel::Unclassified;
    if (e.normalFamily)
        return BeatLabel::Normal;
    if (e.amplitudeRatio < SmallAmplitude && e.widthRatio < SmallWidth && e.correlation > SmallSamePolarity)
        return BeatLabel::Normal;

    const bool marked = e.correlation < MarkedCorrelation || e.longCorrelation < MarkedLongCorrelation
        || e.widthRatio > MarkedWidening;
    const bool moderate = e.widthRatio < Narrower
        ? marked
        : e.correlation < ModerateCorrelation || e.longCorrelation < ModerateLongCorrelation
            || e.widthRatio > ModerateWidening || e.amplitudeRatio > ModerateGrowth;
    const bool compensated = e.prematurity < CompensatedPrematurity && e.earliness < 1.0f
        && e.compensation >= FullCompensation && e.rhythmSpread < RegularRhythmSpread;
    const bool early = e.earliness < EarlyBeat;
    const bool otherNormalConduction = e.familyBeats >= EstablishedBeats
        && float(e.familyVentricular) < EstablishedVentricularShare * float(e.familyBeats);

    if (e.widthRatio > WideBizarreWidening && e.correlation < WideBizarreCorrelation
        && e.amplitudeRatio > WideBizarreAmplitude)
        return BeatLabel::Ventricular;
    if (e.widthRatio > MarkedWidening && e.amplitudeRatio > WideLargeAmplitude)
        return BeatLabel::Ventricular;
    if (e.correlation < InvertedCorrelation && e.longCorrelation < InvertedCorrelation
        && e.widthRatio > InvertedWidening && e.amplitudeRatio > InvertedAmplitude)
        return BeatLabel::Ventricular;
    const bool keepsShape = e.correlation >= MarkedCorrelation && e.longCorrelation >= MarkedLongCorrelation;
    if (keepsShape
        && (e.earliness < AberrantEarliness
            || (e.earliness < SmallAberrantEarliness && e.amplitudeRatio < SmallAberrantAmplitude)))
        return BeatLabel::Normal;
    if (moderate && compensated)
        return BeatLabel::Ventricular;
    const bool inRun = e.afterVentricular && e.earliness < RunEarliness;
    if (marked && !otherNormalConduction && (early || knownFocus || inRun))
        return BeatLabel::Ventricular;
    if (moderate && early && mostlyVentricular)
        return BeatLabel::Ventricular;
    return BeatLabel::Normal;
}
