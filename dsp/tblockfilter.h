#pragma once

#include <QtGlobal>

class TBlockWindow;

// Computes one block of a filtered view from the neighbouring blocks of its
// source. One filter may serve every channel of a view.
class TBlockFilter
{
public:
    virtual ~TBlockFilter();
    // Writes window.n output samples.
    virtual void filterBlock(const TBlockWindow &window, qint16 *output) = 0;
};
