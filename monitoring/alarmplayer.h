#pragma once

#include "alarms/alarmconditions.h"

#include <QByteArray>
#include <QObject>

#include <array>
#include <memory>

class QAudioOutput;
class LoopingAudio;

// Plays the station's one alarm sound, over and over, on the default sound
// device: the waveforms are generated once, when the player is made. A
// station without a sound device keeps running; the player tells it so.
class AlarmPlayer : public QObject
{
    Q_OBJECT

public:
    explicit AlarmPlayer(QObject *parent = nullptr);
    ~AlarmPlayer() override;

    // The sound of this priority from its beginning; None stops it.
    void play(AlarmPriority priority);
    AlarmPriority playing() const { return m_playing; }
    // False when there is no sound device, or the last sound could not start.
    bool hasSound() const { return m_hasSound; }

signals:
    // The sound device went missing or came back.
    void soundAvailableChanged(bool available);

private:
    void setHasSound(bool available);

    std::array<QByteArray, 4> m_sounds;   // PCM bytes by priority
    std::unique_ptr<QAudioOutput> m_output;
    std::unique_ptr<LoopingAudio> m_loop;
    AlarmPriority m_playing = AlarmPriority::None;
    bool m_hasSound = true;
};
