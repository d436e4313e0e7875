// Colours of the spectrum picture and the view, and small queries over grabbed pixels.
#pragma once

#include <QImage>
#include <QRect>
#include <QRgb>
#include <set>

inline constexpr QRgb kBlack = qRgb(0, 0, 0);
inline constexpr QRgb kGrid = qRgb(128, 128, 128);
inline constexpr QRgb kMinorGrid = qRgb(64, 64, 64);
inline constexpr QRgb kLabel = qRgb(192, 192, 192);
inline constexpr QRgb kGreenTrace = qRgb(0, 255, 0);
inline constexpr QRgb kRedTrace = qRgb(255, 0, 0);
inline constexpr QRgb kYellowTrace = qRgb(255, 255, 0);

inline QRgb Pixel(const QImage& image, int x, int y) {
    return image.pixel(x, y) | 0xFF000000u;
}

// The smallest rectangle inside `area` holding every pixel of `colour`; empty when none.
inline QRect BoundingBoxOf(const QImage& image, QRgb colour, const QRect& area) {
    QRect box;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (Pixel(image, x, y) == colour) box |= QRect(x, y, 1, 1);
    return box;
}

inline int CountOf(const QImage& image, QRgb colour, const QRect& area) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) count += Pixel(image, x, y) == colour;
    return count;
}

inline std::set<QRgb> ColoursOf(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) colours.insert(Pixel(image, x, y));
    return colours;
}
