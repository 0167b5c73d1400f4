#include "monitoring/sessionalarmbar.h"

#include "alarms/alarmmonitor.h"
#include "display/alarmcolours.h"
#include "monitoring/alarmplayer.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace {

// Steady colours of the line by its highest priority, as the banners use them.
QString lineStyle(AlarmPriority priority)
{
    const QString style = alarmStyleSheet(alarmPriorityName(priority));
    return style.isEmpty() ? QStringLiteral("color: gray;") : style;
}

// "1:59": whole seconds left, counted up so that 0:00 is never shown while paused.
QString countdownText(qint64 remainingMs)
{
    const qint64 seconds = (remainingMs + 999) / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

} // namespace

SessionAlarmBar::SessionAlarmBar(AlarmMonitor *alarms, PatientName patientName, QWidget *parent)
    : QWidget(parent), m_alarms(alarms), m_patientName(std::move(patientName)), m_player(new AlarmPlayer)
{
    m_line = new QLabel(this);
    m_line->setObjectName(QStringLiteral("lblAlarmLine"));
    QFont bold = m_line->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    m_line->setFont(bold);
    m_line->setMargin(3);
    m_line->setTextFormat(Qt::PlainText);
    m_line->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);

    m_noSound = new QLabel(tr("No sound"), this);
    m_noSound->setObjectName(QStringLiteral("lblNoSound"));
    m_noSound->setToolTip(tr("The station has no sound device: alarms are only shown"));
    m_noSound->setStyleSheet(QStringLiteral("background-color: black; color: yellow; font-weight: bold; padding: 3px"));

    m_pause = new QPushButton(this);
    m_pause->setObjectName(QStringLiteral("btnAudioPaused"));
    m_pause->setCheckable(true);
    m_pause->setFocusPolicy(Qt::NoFocus);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(6);
    layout->addWidget(m_line, 1);
    layout->addWidget(m_noSound);
    layout->addWidget(m_pause);

    m_countdown.setInterval(250);
    connect(&m_countdown, &QTimer::timeout, this, &SessionAlarmBar::updatePause);
    connect(m_pause, &QPushButton::clicked, this, &SessionAlarmBar::togglePause);
    connect(m_alarms, &AlarmMonitor::logChanged, this, [this] {
        updateLine();
        updatePause();
    });
    // The pause ends when a new high-priority alarm sounds, or runs out.
    connect(m_alarms, &AlarmMonitor::soundChanged, this, [this](AlarmPriority priority) {
        m_player->play(priority);
        updatePause();
    });
    connect(m_player.get(), &AlarmPlayer::soundAvailableChanged, this, &SessionAlarmBar::updateSoundNotice);

    m_player->play(m_alarms->sound());
    updateLine();
    updatePause();
    updateSoundNotice();
}

SessionAlarmBar::~SessionAlarmBar() = default;

void SessionAlarmBar::updateLine()
{
    const QVector<AlarmMonitor::ShownAlarm> shown = m_alarms->shownAlarms();
    QStringList parts;
    for (const AlarmMonitor::ShownAlarm &alarm : shown) {
        const AlarmEngine *engine = m_alarms->engine(alarm.patientId);
        parts << tr("%1: %2").arg(m_patientName(alarm.patientId), engine->onsetText(alarm.condition));
    }
    m_line->setText(parts.isEmpty() ? tr("No alarms") : parts.join(QStringLiteral("   |   ")));
    // A line too long for the window is cut at its lowest priorities; the tip lists them all.
    m_line->setToolTip(parts.join(QLatin1Char('\n')));
    m_line->setStyleSheet(lineStyle(shown.isEmpty() ? AlarmPriority::None : shown.first().priority));
}

void SessionAlarmBar::togglePause()
{
    if (m_alarms->audioPauseRemainingMs() > 0)
        m_alarms->endAudioPause();
    else
        m_alarms->pauseAudio();
    updatePause();
}

void SessionAlarmBar::updatePause()
{
    const qint64 remaining = m_alarms->audioPauseRemainingMs();
    const bool paused = remaining > 0;
    // Labelled by what pressing it does; while paused, by the time left.
    m_pause->setText(paused ? tr("Audio paused %1").arg(countdownText(remaining)) : tr("Pause audio"));
    m_pause->setChecked(paused);
    if (paused != m_paused) {
        m_paused = paused;
        // In the medium priority's colours, whose text is readable on its
        // yellow (the station's light text would not be).
        m_pause->setStyleSheet(paused ? alarmStyleSheet(QStringLiteral("medium")) + QStringLiteral(" font-weight: bold;")
                                      : QString());
        m_pause->setToolTip(paused ? tr("Audio of every alarm is paused; click to end the pause now")
                                   : tr("Silences every alarm for a while; a new high-priority alarm sounds at once"));
    }
    if (paused && !m_countdown.isActive())
        m_countdown.start();
    else if (!paused)
        m_countdown.stop();
}

void SessionAlarmBar::updateSoundNotice()
{
    m_noSound->setVisible(!m_player->hasSound());
}
