#pragma once

#include <QColor>

// The colours of ECG paper by what they show, for the three places that draw
// it: the live sweep, the browse display of review and the printed strips.
// Every drawing of ECG paper takes its colours from here, so that a colour
// is changed once for all of them.
namespace papercolours {

enum class Medium { Live, Browse, Printed };

enum class Role {
    Paper,    // the background
    Grid,     // 5-mm lines and 1-mm dots; the 1-mm lines of ruled paper are lighter
    Trace,    // the ECG and the calibration pulse
    Label,    // lead names and time labels on the paper
    Note,     // what the paper says of the recording: missing ECG, its end, none
    BeatMark, // the triangles over ventricular beats
    Cursor    // the live sweep's erase line
};

QColor colour(Medium medium, Role role);

} // namespace papercolours
