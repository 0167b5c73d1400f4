#pragma once

#include "dsp/trhythmanalyser.h"
#include "storage/patientrecord.h"

#include <QPair>
#include <QTimer>
#include <QWidget>

#include <memory>

class BlinkClock;
class MonitorSession;
struct StFigures;
class SessionManager;
class TLiveFilterChain;
class TMHRPlotValues;
class TMStPlotValues;

namespace Ui {
class PatientMonitorForm;
}

// The place of a patient while monitoring runs: live ECG on paper, HR readout
// with its alarm colour, the alarm banner, PVC rate, HR trend, events, blood
// pressure and the stop.
class PatientMonitorForm : public QWidget
{
    Q_OBJECT

public:
    static constexpr int DisplayInterval = 50;   // ms, filter and redraw the ECG
    static constexpr int ReadoutInterval = 500;  // ms, readouts and indicators

    // The banner flashes by the window's blink clock (null: steadily).
    PatientMonitorForm(QWidget *parent, SessionManager *manager, MonitorSession *session, BlinkClock *blinkClock);
    ~PatientMonitorForm() override;

    MonitorSession *session() const { return m_session; }
    // Premature ventricular complexes in the last minute; negative while not
    // known yet (shows "--").
    void setPvcPerMinute(int count);
    void setSt(const StFigures &st);
    void setStReference();
    void setRhythm(RhythmLabel rhythm);

private slots:
    void on_btnEvent_clicked();
    void on_btnBP_clicked();
    void on_btnStop_clicked();

private:
    void configureFilters();
    void updateDisplay();
    void updateReadouts();
    // Shows the patient's highest alarm on the banner.
    void updateAlarmBanner();
    void appendEventLine(int timeOffset, const QString &description);
    QString patientTitle() const;

    std::unique_ptr<Ui::PatientMonitorForm> ui;
    SessionManager *m_manager;
    BlinkClock *m_blinkClock;
    MonitorSession *m_session;
    PatientRecord m_patient;
    QPair<double, double> m_hrLimits;
    QPair<double, double> m_tempLimits;
    QPair<double, double> m_spo2Limits;
    std::unique_ptr<TLiveFilterChain> m_chain;
    // The recording's gaps the display was last given: their number and end.
    int m_shownGaps = 0;
    qint64 m_shownGapEnd = 0;
    int m_lastBPKind = 0;
    QTimer m_displayTimer;
    QTimer m_readoutTimer;
    std::unique_ptr<TMHRPlotValues> m_hrValues;
    std::unique_ptr<TMStPlotValues> m_stValues;
};
