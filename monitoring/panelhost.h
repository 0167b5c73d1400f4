#pragma once

class QWidget;

// A grid place shows one panel at a time; the next panel takes the previous
// one's position in the parent's layout.
namespace PanelHost {

void replacePanel(QWidget *oldPanel, QWidget *newPanel);

} // namespace PanelHost
