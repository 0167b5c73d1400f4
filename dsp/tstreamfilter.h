#pragma once

class TSignal;

// Follows a growing input signal and appends its output to another signal.
// The position is the index of the next input sample to consume; a filter is
// never rewound. Neither signal is owned; both must outlive the filter.
class TStreamFilter
{
public:
    // Channel state is kept for at most this many channels.
    static constexpr int MaxChannels = 16;

    virtual ~TStreamFilter();

    // Throws std::invalid_argument for a signal of more than 16 channels.
    void connectInput(TSignal *input, int position);
    void connectOutput(TSignal *output);

    TSignal *input() const { return m_input; }
    TSignal *output() const { return m_output; }
    int position() const { return m_position; }

    // Consumes every input sample available now.
    virtual void process() = 0;

protected:
    // Channels processed: those of the input (the output gets one frame each).
    int channels() const;

    TSignal *m_input = nullptr;
    TSignal *m_output = nullptr;
    int m_position = 0;
};
