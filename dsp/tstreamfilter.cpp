#include "tstreamfilter.h"

#include "dsp/tsignal.h"

#include <stdexcept>

TStreamFilter::~TStreamFilter() = default;

void TStreamFilter::connectInput(TSignal *input, int position)
{
    if (input && input->channelCount() > MaxChannels)
        throw std::invalid_argument("A stream filter handles at most 16 channels");
    m_input = input;
    m_position = position;
}

void TStreamFilter::connectOutput(TSignal *output)
{
    if (output && output->channelCount() > MaxChannels)
        throw std::invalid_argument("A stream filter handles at most 16 channels");
    m_output = output;
}

int TStreamFilter::channels() const
{
    return m_input ? m_input->channelCount() : 0;
}
