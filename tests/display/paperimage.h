#pragma once

// A white page at 10 pixels per millimetre and ways to find what was drawn
// on it, for the tests of the painters shared by screens and reports.

#include <QImage>
#include <QVector>

#include <functional>

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

inline bool isWhite(QRgb c)
{
    return c == qRgb(255, 255, 255);
}

inline bool isGrey(QRgb c)
{
    return !isBlack(c) && !isWhite(c) && qAbs(qRed(c) - qBlue(c)) < 10;
}
