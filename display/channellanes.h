#pragma once

#include <array>

class QColor;
class QPainter;
class TSignal;

// What the ECG displays share about their channel lanes: which channels are
// shown, and the channel names at the top left of each lane.
namespace channellanes {

using Visibility = std::array<bool, 16>;

// Channels of the signal that are shown; 0 without a signal.
int visibleCount(const TSignal *signal, const Visibility &visible);

// Each shown channel's name, Helvetica 12 points bold, 4 pixels from the
// left at the top of its lane; the lanes share frameHeight equally.
void drawNames(QPainter &painter, const TSignal *signal, const Visibility &visible, int frameHeight,
               const QColor &colour);

} // namespace channellanes
