#pragma once

#include <QtGlobal>

// Finds the module's 6-byte frames in the byte stream and checks each one
// before it counts: the sync byte 0xA0, the fixed bits of byte 1 (only its
// two low bits carry the value), a value inside the module's +-6 mV range
// and the fixed zero bytes 4 and 5. Anything else is a bad frame: its bytes
// are skipped and framing is found again at the next sync byte that starts
// a good frame, also one inside the rejected bytes.
class FrameParser
{
public:
    static constexpr int FrameSize = 6;
    static constexpr unsigned char Sync = 0xA0;
    // Highest 10-bit value in range: 511 is sample 255, just under +6 mV.
    static constexpr int MaxValue = 511;

    // Takes the next byte; true when it completed a good frame, whose
    // sample, battery byte and missing count are then valid.
    bool push(unsigned char byte);

    short sample() const { return m_sample; }
    unsigned char batteryByte() const { return m_battery; }
    // Samples lost just before the frame that was completed: the bytes
    // skipped since the previous good frame, counted in whole frames (a
    // corrupted frame is one lost sample; a few stray bytes between two
    // frames lose none).
    int missingBefore() const { return m_missing; }
    // Stretches of skipped bytes between good frames so far, each counted as
    // one bad frame.
    qint64 badFrames() const { return m_badFrames; }

    static bool isGoodFrame(const unsigned char *frame);

private:
    void dropFront(int count);

    unsigned char m_window[FrameSize] = {};
    int m_held = 0;
    bool m_synced = false;
    qint64 m_skipped = 0;
    qint64 m_badFrames = 0;
    short m_sample = 0;
    unsigned char m_battery = 0;
    int m_missing = 0;
};
