// The pen of every line in the spectrum picture: one pixel wide, never smoothed, and leaving out
// the last pixel of a line, so that a line ends where the next one starts.
#pragma once

#include <QColor>
#include <QPen>

inline QPen PicturePen(QColor colour) {
    QPen pen(colour);
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::FlatCap);
    return pen;
}
