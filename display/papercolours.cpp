#include "display/papercolours.h"

namespace papercolours {

QColor colour(Medium medium, Role role)
{
    const bool printed = medium == Medium::Printed;
    switch (role) {
    case Role::Paper:
        return Qt::white;
    case Role::Grid:
        // Screens show a warm paper tint; on a printed page grey lines keep
        // the trace readable in black and white.
        return printed ? QColor(Qt::gray) : QColor(220, 200, 180);
    case Role::Trace:
        return Qt::black;
    case Role::Label:
        // On the live sweep the labels stay faint: the moving trace is what
        // is read there.
        return medium == Medium::Live ? QColor(Qt::lightGray) : printed ? QColor(Qt::darkGray) : QColor(Qt::gray);
    case Role::Note:
        return printed ? QColor(Qt::darkGray) : QColor(Qt::gray);
    case Role::BeatMark:
        return Qt::darkRed;
    case Role::Cursor:
        return Qt::gray;
    }
    return {};
}

} // namespace papercolours
