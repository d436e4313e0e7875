// Text placed by its top-left corner on a cell of its own background colour, the way the meters'
// numbers and the picture's labels are written: the cell is as wide as the text's advance and as
// high as the font's ascent plus descent.
#pragma once

#include <QColor>
#include <QPainter>
#include <QPoint>
#include <QString>

void DrawOpaqueText(QPainter& painter, QPoint topLeft, const QString& text, QColor textColour,
                    QColor cellColour);
