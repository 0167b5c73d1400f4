#pragma once

// What a beat is taken for: normal (supraventricular conduction, including
// bundle-branch block), ventricular, or not classified (noise, artefact, or
// the classifier is still learning the patient).
enum class BeatLabel : char { Normal = 'N', Ventricular = 'V', Unclassified = 'Q' };

// Everything the decision about one beat rests on, measured against the
// patient's own normal beats: shape, timing and the history of the beat's
// morphology family. Ratios are 1 and correlations 1 when a beat looks and
// comes exactly like the patient's normal beats.
struct TBeatEvidence
{
    // Shape against the normal template.
    float correlation = 1.0f;      // QRS window (-100 .. +148 ms)
    float longCorrelation = 1.0f;  // QRS, ST segment and T wave, up to the next beat (outside the normal family)
    float widthRatio = 1.0f;       // QRS steep width over the normal one
    float amplitudeRatio = 1.0f;   // QRS amplitude over the normal one

    // Timing. prematurity: interval from the previous beat over the interval
    // to the next one (1 when either is missing); a premature beat followed
    // by a compensatory pause is well below 1. earliness: interval from the
    // previous beat over the patient's recent normal interval (1 when unknown).
    float prematurity = 1.0f;
    float earliness = 1.0f;
    // The interval from the previous beat plus the one to the next, over
    // twice the patient's normal interval (1 when unknown): about 1 after a
    // ventricular beat, which leaves the sinus rhythm on its course (a full
    // compensatory pause); clearly less after a supraventricular one, which
    // resets it.
    float compensation = 1.0f;
    // How irregular the patient's recent rhythm is: the spread of the middle
    // half of the recent normal intervals over their median (0 when too few
    // are known). A pause after an early beat tells something only when the
    // rhythm is otherwise regular.
    float rhythmSpread = 0.0f;

    // Quality: high-frequency noise over the QRS amplitude, and how far the
    // baseline moved across the beat in normal QRS amplitudes. Only beats
    // outside the normal family are measured: a beat that fits the patient's
    // normal template is normal however noisy the trace around it.
    float noise = 0.0f;
    float baselineShift = 0.0f;

    // The beat's morphology family.
    bool normalFamily = false;     // it is the patient's normal conduction
    int familyBeats = 1;           // beats in the family, this one included
    int familyVentricular = 0;     // of them already labelled ventricular

    bool afterVentricular = false; // the previous beat was labelled ventricular
    bool learning = false;         // too few beats seen to know the patient yet
};

// The decision rules: pure, so that tests can put a beat's evidence together
// by hand.
BeatLabel judgeBeat(const TBeatEvidence &evidence);

inline char beatLabelLetter(BeatLabel label)
{
    return char(label);
}
