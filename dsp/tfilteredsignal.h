#pragma once

#include "dsp/tsignal.h"

#include <vector>

class TBlockFilter;

// A random-access view that filters another signal block by block on demand.
// Each block is computed from the source's previous, current and next block
// the first time it is read and kept in the view's page cache. Without a
// filter for a channel the view's blocks are copies of the source's.
//
// The view follows its source's growth (it listens to it) and tells its own
// listeners, so views stacked on views grow together. Blocks computed while
// their next neighbour did not exist yet are recomputed after growth.
// The source and the filters are not owned; the view must go first.
class TFilteredSignal : public TSignal, private TSignalListener
{
public:
    TFilteredSignal(TSignal *source, TBlockFilter *sharedFilter);
    // One filter per channel (null entries copy the source's channel).
    TFilteredSignal(TSignal *source, const std::vector<TBlockFilter *> &channelFilters);
    ~TFilteredSignal() override;

    TSignal *source() const { return m_source; }

    int sample(int channel, int index) override;
    void readRange(int channel, int start, int n, double *out) override;
    qint16 *readBlock(int channel, int block) override;
    void freeBlock(qint16 *block) override;

private:
    void signalChanged() override;
    TBlockFilter *filterFor(int channel) const;

    TSignal *m_source;
    TBlockFilter *m_sharedFilter = nullptr;
    std::vector<TBlockFilter *> m_channelFilters;
    // Views stacked below this one (plus one): how many trailing blocks a
    // missing neighbour can have influenced.
    int m_depth = 1;
};
