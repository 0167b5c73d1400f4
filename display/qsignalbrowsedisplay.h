#pragma once

#include <QPair>
#include <QPixmap>
#include <QPolygonF>
#include <QVector>
#include <QWidget>

#include <array>
#include <vector>

class QPainter;
class QScrollBar;
class TSignal;

// A recorded ECG on millimetre paper, browsed rather than swept: the left
// edge shows the start time, "mm:ss" labels run along the bottom, and the
// user moves through the recording with the scroll bar docked below the
// paper (10-ms steps), the keys (Left/Right a tenth of a screen, Page Up/Down
// a screen, Home/End) or by dragging the trace. The screen is always a window
// of the recording: every way of setting the start keeps it inside. Each
// trace is centred on the mean of what is on screen; a recording shorter
// than the screen is marked where it ends, and paper without a recording
// says so. Every redraw reads only the samples on screen, so a long filtered
// recording is filtered only where it is looked at. The signal is read, never
// owned.
class QSignalBrowseDisplay : public QWidget
{
    Q_OBJECT

public:
    explicit QSignalBrowseDisplay(QWidget *parent = nullptr);

    void setSignal(TSignal *signal);
    TSignal *signal() const { return m_signal; }
    // Stretches of the signal without ECG (first sample, count), in order:
    // shown as missing, never as a trace.
    void setMissing(const QVector<QPair<qint64, qint64>> &missing);
    // Seconds of recording at the left edge.
    void setPosition(double seconds);
    double position() const { return m_start; }
    void setSpeed(double mmPerSecond);
    double speed() const { return m_speed; }
    void setAmplitude(double mmPerMillivolt);
    double amplitude() const { return m_amplitude; }
    void setChannelVisible(int channel, bool visible);
    // Marks the beats at these sample indices of the signal with a small
    // triangle at the top of each lane.
    void setBeatMarks(const QVector<qint64> &sampleIndices);

    QScrollBar *scrollBar() const { return m_scrollBar; }
    // Seconds of recording across the paper.
    double visibleSeconds() const;

signals:
    void startTimeChanged();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void scrollValueChanged(int value);
    void updateScrollBar();
    void layoutFrame();
    void redraw();
    void drawPaper(QPainter &painter);
    void drawTraces(QPainter &painter);
    void drawBeatMarks(QPainter &painter);
    void drawTimeLabels(QPainter &painter);
    // The paper's size in logical pixels: all time arithmetic goes through it.
    int frameWidth() const;
    int frameHeight() const;
    double duration() const;

    TSignal *m_signal = nullptr;
    QScrollBar *m_scrollBar = nullptr;
    QPixmap m_frame;
    QPixmap m_grid;
    double m_start = 0.0;
    double m_speed = 25.0;
    double m_amplitude = 10.0;
    std::array<bool, 16> m_visible;
    QVector<qint64> m_beatMarks; // sorted
    QVector<QPair<qint64, qint64>> m_missing;
    // Time under the mouse when a drag began; the flag lets a drag that
    // starts at time 0 scroll too.
    double m_dragAnchor = 0.0;
    bool m_dragging = false;
    // Reused between redraws so that a redraw does not allocate.
    std::vector<double> m_samples;
    QPolygonF m_points;
};
