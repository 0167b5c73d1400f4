#pragma once

// Small helpers for tests that read signals back.

#include "dsp/tsignal.h"

#include <vector>

// n values of one channel from `from` on, as the signal reads them (positions
// outside it included); -99 marks a value the signal did not write.
inline std::vector<double> range(TSignal &signal, int channel, int from, int n)
{
    std::vector<double> out(size_t(n), -99.0);
    signal.readRange(channel, from, n, out.data());
    return out;
}

// Counts notifications; optionally stops listening at the first one.
struct Listener : TSignalListener
{
    TSignal *leave = nullptr;
    int calls = 0;
    void signalChanged() override
    {
        ++calls;
        if (leave)
            leave->removeListener(this);
    }
};
