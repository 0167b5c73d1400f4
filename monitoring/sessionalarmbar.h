#pragma once

#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class AlarmMonitor;
class AlarmPlayer;
class QLabel;
class QPushButton;

// The strip at the top of the monitoring window: one line naming the patients
// who are alarming, highest priority first; the "Audio paused" control with
// its countdown; a steady "No sound" notice when the station cannot play its
// sound. Plays the station's one alarm sound as the monitor asks for it.
class SessionAlarmBar : public QWidget
{
    Q_OBJECT

public:
    // Names a patient on the line, by database id.
    using PatientName = std::function<QString(int patientId)>;

    SessionAlarmBar(AlarmMonitor *alarms, PatientName patientName, QWidget *parent = nullptr);
    ~SessionAlarmBar() override;

    const AlarmPlayer &player() const { return *m_player; }

private:
    void updateLine();
    void updatePause();
    void updateSoundNotice();
    void togglePause();

    AlarmMonitor *m_alarms;
    PatientName m_patientName;
    std::unique_ptr<AlarmPlayer> m_player;
    QLabel *m_line;
    QLabel *m_noSound;
    QPushButton *m_pause;
    QTimer m_countdown;
    bool m_paused = false;
};
