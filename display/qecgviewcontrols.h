#pragma once

#include <QWidget>

class QButtonGroup;
class QPushButton;

// The buttons under an ECG display, shared by the live monitor panel and the
// review window: paper speed 12.5, 25 or 50 mm/s (25 at first), amplitude 5,
// 10 or 20 mm/mV (10 at first), and the muscle-noise, line-notch and baseline
// filters (all on). The buttons carry the forms' names (btnSpeed25, btnAmp10,
// btnFilterNotch, ...) in the groups grpSpeed, grpAmplitude and grpFilter.
class QEcgViewControls : public QWidget
{
    Q_OBJECT

public:
    explicit QEcgViewControls(QWidget *parent = nullptr);

    double speed() const;     // mm/s
    double amplitude() const; // mm/mV
    bool notch() const;
    bool lowpass() const;
    bool baseline() const;

    // Narrow places (nine patients on one screen) show one button that names
    // the scale ("25 mm/s  10 mm/mV") and offers the speeds, amplitudes and
    // filters in its menu, instead of the row of buttons.
    void setCompact(bool compact);

signals:
    void speedChanged(double mmPerSecond);
    void amplitudeChanged(double mmPerMillivolt);
    // Any of the three filters was switched.
    void filtersChanged();

private:
    QPushButton *addButton(const QString &name, const QString &toolTip, QButtonGroup *group, bool checked);
    void setTexts();
    void updateMenuText();

    QButtonGroup *m_speed;
    QButtonGroup *m_amplitude;
    QButtonGroup *m_filters;
    QPushButton *m_notch = nullptr;
    QPushButton *m_lowpass = nullptr;
    QPushButton *m_baseline = nullptr;
    QPushButton *m_menuButton = nullptr; // compact only
};
