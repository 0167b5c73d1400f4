#include "monitoring/panelhost.h"

#include <QLayout>
#include <QWidget>

namespace PanelHost {

void replacePanel(QWidget *oldPanel, QWidget *newPanel)
{
    QWidget *parent = oldPanel->parentWidget();
    // The layout hands back the item that held the old panel; it is ours to free.
    if (parent && parent->layout())
        delete parent->layout()->replaceWidget(oldPanel, newPanel, Qt::FindChildrenRecursively);
    if (parent && parent->isVisible())
        newPanel->show();
}

} // namespace PanelHost
