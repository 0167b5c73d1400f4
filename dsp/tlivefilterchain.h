#pragma once

#include <QString>

#include <memory>
#include <vector>

class TSignal;
class TLiveSignal;
class TStreamFilter;

// Filters a signal while it is being acquired: a DC-removing high-pass that
// is always present, then optionally a mains notch, a low-pass and a baseline
// high-pass, each a stream filter appending to a ring-buffered stage output.
// Consumers read head(), which changes at every configure().
class TLiveFilterChain
{
public:
    // Kinds start at their defaults and the chain is configured with every
    // optional stage off. The input is not owned.
    explicit TLiveFilterChain(TSignal *input);
    ~TLiveFilterChain();

    TLiveFilterChain(const TLiveFilterChain &) = delete;
    TLiveFilterChain &operator=(const TLiveFilterChain &) = delete;

    // Take effect at the next configure().
    void setNotchKind(const QString &kind);    // "50hz" (default) or "60hz"
    void setLowpassKind(const QString &kind);  // "40hz" (default) or "25hz"
    void setBaselineKind(const QString &kind); // "iir" (default) or "fir"
    QString notchKind() const { return m_notchKind; }
    QString lowpassKind() const { return m_lowpassKind; }
    QString baselineKind() const { return m_baselineKind; }

    // Rebuilds every stage. New stages start at the input's current end, so
    // the new head starts empty.
    void configure(bool notch, bool lowpass, bool baseline);
    // Lets every stage, in order, consume all input available now.
    void process();

    TSignal *head() const;
    TSignal *input() const { return m_input; }
    int stageCount() const { return int(m_stages.size()); }

private:
    struct Stage
    {
        std::unique_ptr<TLiveSignal> output;
        std::unique_ptr<TStreamFilter> filter;
    };
    void addStage(std::unique_ptr<TStreamFilter> filter);
    void clearStages();

    TSignal *m_input;
    QString m_notchKind = QStringLiteral("50hz");
    QString m_lowpassKind = QStringLiteral("40hz");
    QString m_baselineKind = QStringLiteral("iir");
    bool m_notch = false;
    bool m_lowpass = false;
    bool m_baseline = false;
    std::vector<Stage> m_stages; // DC, notch, low-pass, baseline, as present
};
