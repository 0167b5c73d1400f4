#pragma once

#include <QApplication>

// Shows the application-wide wait cursor for the lifetime of the object, so
// that every way out of a block (including an exception) restores the cursor.
class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }

    WaitCursor(const WaitCursor &) = delete;
    WaitCursor &operator=(const WaitCursor &) = delete;
};
