#pragma once

#include "display/sweepgeometry.h"

#include <QPixmap>
#include <QPolygonF>
#include <QPair>
#include <QVector>
#include <QWidget>

#include <array>
#include <vector>

class QPainter;
class TSignal;

// Live ECG on millimetre paper, as a sweeping trace: the sweep restarts at
// the left edge, the previous sweep stays visible right of a dotted cursor.
// The paper and the channel names are painted once per size into a cached
// pixmap; each refresh repaints only the columns the sweep crossed since the
// last one, and the whole display only when the picture moves as a whole (a
// new sweep, new centring, new scale). The widget has no timer; its owner
// calls refresh() whenever new samples are in. It reads the signal and never
// owns it.
class QSignalMonitorDisplay : public QWidget
{
    Q_OBJECT

public:
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
    // Marks the beats at these sample indices of the signal with a small
    // triangle at the top of each lane, drawn with the swept strip they fall
    // in and only where the sweep has drawn; a new list repaints only the
    // columns of the marks that came or went.
    void setBeatMarks(const QVector<qint64> &sampleIndices);
    // Stretches of the signal without ECG (first sample, count), in order:
    // the sweep leaves them as paper.
    void setMissing(const QVector<QPair<qint64, qint64>> &missing);

    // Shows the samples that arrived since the last call.
    void refresh();

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Recomputes the sweep and the centring; true when the picture moves as
    // a whole and must be painted again entirely.
    bool updateSweep();
    // Everything changed: new sweep state, whole display painted.
    void redrawAll();
    sweep::Geometry geometry() const;
    void paintPaper(QPainter &painter, const QRect &area);
    void paintTraces(QPainter &painter, const QRect &area, const sweep::Geometry &g);
    void paintBeatMarks(QPainter &painter, const QRect &area, const sweep::Geometry &g);
    // The columns the mark of sample `index` covers on screen; empty when
    // that sample is not on screen.
    QRect beatMarkColumns(qint64 index) const;
    int visibleChannelCount() const;
    void resetSweep();

    TSignal *m_signal = nullptr;
    QPixmap m_paper;            // paper and channel names, at the widget's size
    QPixmap m_cursor;           // the sweep's cursor, one column between two clear ones
    bool m_paperValid = false;
    double m_speed = 25.0;
    double m_amplitude = 10.0;
    std::array<bool, 16> m_visible;
    std::array<int, 16> m_offsets;
    bool m_autoCenter = true;
    int m_lastSweep = -1;
    sweep::Geometry m_shown;    // the sweep as last painted
    QVector<qint64> m_beatMarks; // sorted, without repeats
    QVector<QPair<qint64, qint64>> m_missing;
    // Reused between paints so that a paint does not allocate.
    std::vector<double> m_samples;
    QPolygonF m_points;
};
