// Lines of the spectrum picture: one pixel wide, never smoothed, from the first point up to but
// not including the last, so that consecutive segments of a trace meet without a doubled pixel
// and a grid line ends exactly where it is meant to.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPen>
#include <QPoint>

QPen PicturePen(QColor colour);

// Draws with the painter's pen (a PicturePen) onto the painter's image; a line of no length
// draws nothing.
void DrawPictureLine(QPainter& painter, QPoint from, QPoint to);
