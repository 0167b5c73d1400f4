#include "acquisition/frameparser.h"

#include <algorithm>
#include <cstring>

bool FrameParser::isGoodFrame(const unsigned char *frame)
{
    const int value = ((frame[1] & 0x03) << 8) | frame[2];
    return frame[0] == Sync && (frame[1] & 0xFC) == 0 && value <= MaxValue && frame[4] == 0 && frame[5] == 0;
}

void FrameParser::dropFront(int count)
{
    std::memmove(m_window, m_window + count, size_t(m_held - count));
    m_held -= count;
    m_skipped += count;
}

bool FrameParser::push(unsigned char byte)
{
    if (m_held == 0 && byte != Sync) {
        ++m_skipped;
        return false;
    }
    m_window[m_held++] = byte;
    if (m_held < FrameSize)
        return false;
    if (!isGoodFrame(m_window)) {
        // The next good frame may start inside the rejected bytes.
        dropFront(1);
        const unsigned char *sync = std::find(m_window, m_window + m_held, Sync);
        dropFront(int(sync - m_window));
        return false;
    }
    m_sample = short((((m_window[1] & 0x03) << 8) | m_window[2]) - 256);
    m_battery = m_window[3];
    // Bytes before the first frame are the tail of one sent before the
    // link was read: nothing was lost there.
    m_missing = m_synced ? int((m_skipped + 2) / FrameSize) : 0;
    if (m_synced && m_skipped > 0)
        ++m_badFrames;
    m_synced = true;
    m_skipped = 0;
    m_held = 0;
    return true;
}
