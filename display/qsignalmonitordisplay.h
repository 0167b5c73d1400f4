#pragma once

#include "display/sweepgeometry.h"

#include <QColor>
#include <QMap>
#include <QPixmap>
#include <QPolygonF>
#include <QWidget>

#include <array>
#include <functional>
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
    enum ColorRole {
        TraceColor = 0,
        BackgroundColor = 1,
        GridColor = 2,
        LabelColor = 3,
        MarkColor = 4,
        CursorColor = 5
    };

    // What a mark painter is handed with every painted strip: the columns
    // being painted and the samples of the current and the previous sweep
    // drawn in them. Sample i of a run lies at x0 + (i - first) * xStep.
    struct Strip
    {
        QRect area;
        double xStep = 0.0;
        sweep::Run current, previous;
        double currentX0 = 0.0, previousX0 = 0.0;
    };
    // Draws marks (beat labels, say) over the traces of a strip, within its
    // area; called on every paint after the traces.
    using MarkPainter = std::function<void(QPainter &painter, const Strip &strip)>;

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
    void setMarkPainter(const MarkPainter &painter);

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
    QMap<int, QColor> m_colors;
    bool m_autoCenter = true;
    int m_lastSweep = -1;
    sweep::Geometry m_shown;    // the sweep as last painted
    MarkPainter m_markPainter;
    // Reused between paints so that a paint does not allocate.
    std::vector<double> m_samples;
    QPolygonF m_points;
};
