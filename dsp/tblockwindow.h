#pragma once

#include <QtGlobal>

class TSignal;

// The input of a block filter: one channel's current block of a source with
// its previous and next blocks (pointers into the source's page cache, null
// where a block does not exist). Indexes are relative to the start of the
// current block; x(i) is defined for i in [-n, 2n) and reads 0 elsewhere and
// in missing blocks.
class TBlockWindow
{
public:
    int n = 0;
    const qint16 *previous = nullptr;
    const qint16 *current = nullptr;
    const qint16 *next = nullptr;
    TSignal *source = nullptr;
    int channel = 0;
    int block = 0;

    double x(int i) const;
    // x(from) .. x(from + count - 1) into out, copying whole runs of each block.
    void read(int from, int count, double *out) const;
};
