#pragma once

#include <QString>
#include <QtGlobal>

#include <list>
#include <memory>
#include <vector>

class TSignal;

// Told after every append to the signal it is registered with.
class TSignalListener
{
public:
    virtual ~TSignalListener() = default;
    virtual void signalChanged() = 0;
};

// One channel of a signal: its index, its signal and its trace label.
class TSignalChannel
{
public:
    TSignalChannel(TSignal *signal, int index) : m_signal(signal), m_index(index) {}

    int index() const { return m_index; }
    TSignal *signal() const { return m_signal; }
    QString name() const { return m_name; }
    void setName(const QString &name) { m_name = name; }

private:
    TSignal *m_signal;
    int m_index;
    QString m_name;
};

// A multi-channel sequence of signed 16-bit samples with a rate, a physical
// range and a block structure. Live, recorded, raw and filtered data all sit
// behind this class. Blocks read through fetchPage() are kept in a page cache
// that evicts the oldest unreferenced page once more than 1024 are held.
//
// Not thread-safe: a signal, and the views and chains built on it, are used
// by one thread only. Live data and review run on the GUI thread; a report
// being printed opens its own recordings and chains on its printing thread.
class TSignal
{
public:
    static constexpr int MaxChannels = 16;
    static constexpr int MaxCachedPages = 1024;
    // Pages per channel reserved up front; the table grows past it for
    // recordings longer than 4096 blocks.
    static constexpr int InitialPageTableSize = 4096;

    // Throws std::invalid_argument unless 1 <= channelCount <= 16.
    explicit TSignal(int channelCount);
    virtual ~TSignal();

    TSignal(const TSignal &) = delete;
    TSignal &operator=(const TSignal &) = delete;

    // Value of one sample; 0 for any channel or index outside the held range.
    virtual int sample(int channel, int index) = 0;
    // Fills n doubles from start on; positions outside the held range read 0.
    virtual void readRange(int channel, int start, int n, double *out) = 0;
    // A new array of blockLength() samples, or null when the block does not
    // exist. Released only through freeBlock().
    virtual qint16 *readBlock(int channel, int block) = 0;
    virtual void freeBlock(qint16 *block) = 0;

    // Appends frames of channelCount() interleaved samples.
    virtual void appendInterleaved(const void *data, int byteCount);
    // Appends n samples from one array per channel.
    virtual void appendChannels(const qint16 *const *channels, int n);
    // Appends n samples from one double array per channel, truncated to 16 bits.
    virtual void appendChannelsF64(const double *const *channels, int n);

    int channelCount() const { return m_channelCount; }
    TSignalChannel *channel(int index) const;
    QString channelName(int index) const;
    void setChannelName(int index, const QString &name);

    int blockLength() const { return m_blockLength; }
    int blockCount() const { return m_blockCount; }
    int sampleCount() const { return m_sampleCount; }
    int rate() const { return m_rate; }
    int sampleWidth() const { return m_sampleWidth; }
    int resolutionBits() const { return m_resolutionBits; }
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    // Physical value of one count: (maximum - minimum) / 2^resolutionBits.
    double lsb() const { return m_lsb; }

    void setRange(double minimum, double maximum);
    void setResolutionBits(int bits);

    // Seconds held: sampleCount / rate.
    double duration() const;
    // Samples in t seconds, rounded to the nearest.
    int samplesIn(double seconds) const;
    // Integer mean of n samples of a channel from start on.
    int mean(int channel, int start, int n);

    void addListener(TSignalListener *listener);
    void removeListener(TSignalListener *listener);

    // Page cache. fetchPage() returns the block's samples and holds them until
    // the matching releasePage(); null for a block or channel that does not
    // exist.
    const qint16 *fetchPage(int channel, int block);
    void releasePage(int channel, int block);

protected:
    void setBlockLength(int length) { m_blockLength = length; }
    void setBlockCount(int count) { m_blockCount = count; }
    void setSampleCount(int count) { m_sampleCount = count; }
    void setRate(int rate) { m_rate = rate; }
    void setSampleWidth(int width) { m_sampleWidth = width; }
    // Copies channel names, rate, bits, range and block structure of another signal.
    void copyLayoutFrom(const TSignal &other);

    void notifyListeners();

    // sample() and readRange() of signals that serve every value through the
    // page cache (filtered views, complete blocks of recordings).
    int pagedSample(int channel, int index);
    void pagedReadRange(int channel, int start, int n, double *out);

    // Frees one cached page unless it is in use, so that it is read again.
    void dropPage(int channel, int block);

    // Drops every cached page (for destructors of derived classes, which must
    // free their blocks while their freeBlock() is still callable).
    void clearPageCache();

private:
    struct Page
    {
        qint16 *data = nullptr;
        int references = 0;
        std::list<std::pair<int, int>>::iterator cachePosition;
    };

    Page *page(int channel, int block);
    void evictOne();
    void recomputeLsb();

    int m_channelCount;
    std::vector<std::unique_ptr<TSignalChannel>> m_channels;
    int m_blockLength = 1;
    int m_blockCount = 0;
    int m_sampleCount = 0;
    int m_rate = 0;
    int m_sampleWidth = 16;
    int m_resolutionBits = 16;
    double m_minimum = -1.0;
    double m_maximum = 1.0;
    double m_lsb = 0.0;

    std::vector<std::vector<Page>> m_pageTable;
    std::list<std::pair<int, int>> m_cacheList; // (channel, block), oldest first
    std::vector<TSignalListener *> m_listeners;
};
