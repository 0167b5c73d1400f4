#pragma once

// A white page at 10 pixels per millimetre, ways to find what was drawn on
// it and a recording to draw, for the tests of the painters shared by
// screens and reports.

#include "dsp/tmemorysignal.h"

#include <QImage>
#include <QVector>

#include <functional>
#include <memory>

// One channel "V5" at 250 samples/s in which 1 mV is 64 counts.
inline std::unique_ptr<TMemorySignal> signalOf(std::vector<qint16> samples)
{
    auto signal = std::make_unique<TMemorySignal>(std::vector<std::vector<qint16>>{std::move(samples)}, 1000, 250);
    signal->setRange(-4.0, 4.0);
    signal->setResolutionBits(9);
    signal->setChannelName(0, QStringLiteral("V5"));
    return signal;
}

inline QImage paperImage(int widthMm, int heightMm)
{
    QImage image(widthMm * 10, heightMm * 10, QImage::Format_RGB32);
    image.setDotsPerMeterX(10000);
    image.setDotsPerMeterY(10000);
    image.fill(Qt::white);
    return image;
}

// Starts of the runs of pixels of one kind along a row or a column.
inline QVector<int> runStarts(const QImage &image, int fixed, bool alongRow, const std::function<bool(QRgb)> &kind)
{
    QVector<int> starts;
    const int n = alongRow ? image.width() : image.height();
    bool inside = false;
    for (int i = 0; i < n; ++i) {
        const bool hit = kind(alongRow ? image.pixel(i, fixed) : image.pixel(fixed, i));
        if (hit && !inside)
            starts << i;
        inside = hit;
    }
    return starts;
}

// Pixels of one kind inside a rectangle.
inline int countPixels(const QImage &image, const QRect &area, const std::function<bool(QRgb)> &kind)
{
    int n = 0;
    const QRect inside = area.intersected(image.rect());
    for (int y = inside.top(); y <= inside.bottom(); ++y)
        for (int x = inside.left(); x <= inside.right(); ++x)
            n += kind(image.pixel(x, y)) ? 1 : 0;
    return n;
}

inline bool isBlack(QRgb c)
{
    return qRed(c) < 60 && qGreen(c) < 60 && qBlue(c) < 60;
}

inline bool isDark(QRgb c)
{
    return qGray(c) < 150;
}

// The dark red of the beat marks, not their antialiased edges.
inline bool isMark(QRgb c)
{
    return qRed(c) > 90 && qGreen(c) < 60 && qBlue(c) < 60;
}

inline bool isWhite(QRgb c)
{
    return c == qRgb(255, 255, 255);
}

inline bool isGrey(QRgb c)
{
    return !isBlack(c) && !isWhite(c) && qAbs(qRed(c) - qBlue(c)) < 10;
}
