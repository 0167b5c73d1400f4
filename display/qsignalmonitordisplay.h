#pragma once

#include <QColor>
#include <QMap>
#include <QPixmap>
#include <QPolygonF>
#include <QWidget>

#include <array>
#include <vector>

class QPainter;
class TSignal;

// Live ECG on millimetre paper. Every redraw paints the cached grid, the
// channel labels and a sweeping trace into a frame buffer: the sweep restarts
// at the left edge, the previous sweep stays visible right of a dotted cursor.
// The widget has no timer; its owner calls refresh() whenever new samples
// are in. It reads the signal and never owns it.
class QSignalMonitorDisplay : public QWidget
{
    Q_OBJECT

public:
    enum ColorRole {
        TraceColor = 0,
        BackgroundColor = 1,
        GridColor = 2,
        LabelColor = 3,
        MarkColor = 4,
        CursorColor = 5
    };

    explicit QSignalMonitorDisplay(QWidget *parent = nullptr);

    void setSignal(TSignal *signal);
    TSignal *signal() const { return m_signal; }
    void setAutoCenter(bool autoCenter);
    bool autoCenter() const { return m_autoCenter; }
    void setSpeed(double mmPerSecond);
    double speed() const { return m_speed; }
    void setAmplitude(double mmPerMillivolt);
    double amplitude() const { return m_amplitude; }
    void setChannelVisible(int channel, bool visible);
    bool isChannelVisible(int channel) const;
    QColor color(int role) const { return m_colors.value(role); }

    // Redraws from the signal's current samples.
    void refresh();

    // The last painted picture (what paintEvent copies to the screen).
    const QPixmap &frameBuffer() const { return m_frame; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void redraw();
    void drawGrid(QPainter &painter);
    void drawLabels(QPainter &painter);
    void drawTraces(QPainter &painter);
    int visibleChannelCount() const;
    void resetSweep();

    TSignal *m_signal = nullptr;
    QPixmap m_frame;
    QPixmap m_grid;
    double m_speed = 25.0;
    double m_amplitude = 10.0;
    std::array<bool, 16> m_visible;
    std::array<int, 16> m_offsets;
    QMap<int, QColor> m_colors;
    bool m_autoCenter = true;
    int m_lastSweep = -1;
    // Reused between redraws so that a redraw does not allocate.
    std::vector<double> m_samples;
    QPolygonF m_points;
};
