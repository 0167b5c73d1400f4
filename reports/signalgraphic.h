#pragma once

#include <QObject>
#include <QRect>

#include <array>

class QPainter;
class QPaintDevice;
class TSignal;

// The samples an ECG strip shows: `count` samples from `first`, joined up to
// and including `last`.
struct StripWindow
{
    int first = 0;
    int count = 0;
    int last = 0;
};

// Window of a strip `widthPixels` wide on a device with `pixelsPerMm`, at
// `speed` mm/s, starting `startTime` seconds into a signal of `rate` samples
// per second (seconds rounded to the nearest sample).
StripWindow stripWindow(int widthPixels, double pixelsPerMm, double speed, double startTime, int rate);

// Device pixels per millimetre, horizontally and vertically, from the
// device's resolution.
double devicePixelsPerMmX(const QPaintDevice *device);
double devicePixelsPerMmY(const QPaintDevice *device);

// Draws an ECG strip on millimetre paper into a rectangle of any painter,
// sized in millimetres of the painter's device: with the defaults 25 mm/s and
// 10 mm/mV, dots every millimetre and lines every five. Each channel's trace
// is centred on the mean of the drawn window. Without a signal, without a
// shown channel, or when the strip covers no whole sample, only the paper is
// drawn.
class SignalGraphic : public QObject
{
    Q_OBJECT

public:
    explicit SignalGraphic(QObject *parent = nullptr);

    void setSignal(TSignal *signal) { m_signal = signal; }
    void setStartTime(double seconds) { m_startTime = seconds; }
    void setSpeed(double mmPerSecond) { m_speed = mmPerSecond; }
    void setAmplitude(double mmPerMillivolt) { m_amplitude = mmPerMillivolt; }
    void setLeftLine(bool shown) { m_leftLine = shown; }
    void setCalibrationPulse(bool shown) { m_calibrationPulse = shown; }
    void setChannelShown(int channel, bool shown);

    void draw(QPainter &painter, const QRect &rect);

private:
    void drawGrid(QPainter &painter, const QRect &rect, double pxX, double pxY);
    void drawTrace(QPainter &painter, const QRect &rect, double pxX, double pxY);
    void drawChannelNames(QPainter &painter, const QRect &rect, double pxX);
    int shownChannelCount() const;

    TSignal *m_signal = nullptr;
    double m_startTime = 0.0;
    double m_speed = 25.0;
    double m_amplitude = 10.0;
    bool m_leftLine = true;
    bool m_calibrationPulse = false;
    std::array<bool, 16> m_shown;
};
