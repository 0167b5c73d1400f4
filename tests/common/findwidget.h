#pragma once

#include <QObject>
#include <QtGlobal>

// The named child widget of a window or panel; a missing one ends the test
// program at once, naming it, rather than crashing later.
template<typename T>
T *child(const QObject *parent, const char *name)
{
    T *widget = parent->findChild<T *>(QLatin1String(name));
    if (!widget)
        qFatal("No widget %s", name);
    return widget;
}
