#pragma once

#include <QDateTime>
#include <QObject>
#include <QPair>
#include <QRect>
#include <QVector>

class QPainter;
class QPaintDevice;
class TSignal;

// Device pixels per millimetre, horizontally and vertically, from the
// device's resolution.
double devicePixelsPerMmX(const QPaintDevice *device);
double devicePixelsPerMmY(const QPaintDevice *device);

// Draws an ECG strip on millimetre paper into a rectangle of any painter,
// with the ECG paper painter of the screens, sized in millimetres of the
// painter's device: with the defaults 25 mm/s and 10 mm/mV, dots every
// millimetre and lines every five. A line of text along the top names the
// channel, the clock time and the offset of the strip's start in the session
// and the scale; the trace runs below it, each channel centred on the mean
// of the drawn window but kept clear of that line, after a 1-mV calibration
// pulse at the left edge. A recording that ends inside the strip is marked
// where it ends; a strip without a recording, or after its end, says so.
class SignalGraphic : public QObject
{
    Q_OBJECT

public:
    explicit SignalGraphic(QObject *parent = nullptr);

    void setSignal(TSignal *signal) { m_signal = signal; }
    // Stretches without ECG (first sample, count), in order: shown as missing.
    void setMissing(const QVector<QPair<qint64, qint64>> &missing) { m_missing = missing; }
    // Seconds from the start of the recording (and of the session).
    void setStartTime(double seconds) { m_startTime = seconds; }
    // Clock time of the session's start; the strip prints its own from it.
    void setSessionStart(const QDateTime &start) { m_sessionStart = start; }
    void setSpeed(double mmPerSecond) { m_speed = mmPerSecond; }
    void setAmplitude(double mmPerMillivolt) { m_amplitude = mmPerMillivolt; }
    void setLeftLine(bool shown) { m_leftLine = shown; }
    void setCalibrationPulse(bool shown) { m_calibrationPulse = shown; }

    void draw(QPainter &painter, const QRect &rect);

    // The line along the top: channel names, clock time, offset and scale.
    QString caption() const;
    // Height of that line.
    static constexpr double CaptionHeightMm = 6.0;

private:
    TSignal *m_signal = nullptr;
    QVector<QPair<qint64, qint64>> m_missing;
    double m_startTime = 0.0;
    QDateTime m_sessionStart;
    double m_speed = 25.0;
    double m_amplitude = 10.0;
    bool m_leftLine = true;
    bool m_calibrationPulse = true;
};

// An offset in a session as "+mm:ss", "+h:mm:ss" past an hour.
QString sessionOffsetText(double seconds);
