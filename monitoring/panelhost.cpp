#include "monitoring/panelhost.h"

#include <QLayout>
#include <QWidget>

namespace PanelHost {

void replacePanel(QWidget *oldPanel, QWidget *newPanel)
{
    QWidget *parent = oldPanel->parentWidget();
    if (parent && parent->layout())
        parent->layout()->replaceWidget(oldPanel, newPanel, Qt::FindChildrenRecursively);
    if (parent && parent->isVisible())
        newPanel->show();
}

} // namespace PanelHost
