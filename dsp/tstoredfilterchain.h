#pragma once

#include <QString>

#include <memory>
#include <vector>

class TSignal;
class TBlockFilter;
class TFilteredSignal;

// Filters a complete recording with zero phase and random access: a
// detrending stage that is always present (the straight line between the
// means of the first and last three seconds is subtracted), then optionally a
// mains notch, a low-pass and a baseline high-pass, each a filtered view that
// computes blocks only when they are read. Consumers read head(), which
// changes at every configure().
class TStoredFilterChain
{
public:
    explicit TStoredFilterChain(TSignal *input);
    ~TStoredFilterChain();

    TStoredFilterChain(const TStoredFilterChain &) = delete;
    TStoredFilterChain &operator=(const TStoredFilterChain &) = delete;

    void setNotchKind(const QString &kind);   // "50hz" (default) or "60hz"
    void setLowpassKind(const QString &kind); // "40hz" (default) or "25hz"
    QString notchKind() const { return m_notchKind; }
    QString lowpassKind() const { return m_lowpassKind; }

    // Rebuilds every stage. Throws std::runtime_error("pendiente - filtro no
    // definido") when the notch is asked for at 500 or 1000 samples/s with a
    // kind other than "50hz"; the stages built so far stay usable.
    void configure(bool notch, bool lowpass, bool baseline);

    TSignal *head() const;
    TSignal *input() const { return m_input; }
    int stageCount() const { return int(m_stages.size()); }

private:
    struct Stage
    {
        std::vector<std::unique_ptr<TBlockFilter>> filters;
        std::unique_ptr<TFilteredSignal> view;
    };
    void addStage(std::unique_ptr<TBlockFilter> filter);
    void addTrendStage();
    void clearStages();

    TSignal *m_input;
    QString m_notchKind = QStringLiteral("50hz");
    QString m_lowpassKind = QStringLiteral("40hz");
    bool m_notch = false;
    bool m_lowpass = false;
    bool m_baseline = false;
    std::vector<Stage> m_stages; // trend, notch, low-pass, baseline, as present
};
