#include "spectrum/OpaqueText.h"

#include <QFontMetrics>

void DrawOpaqueText(QPainter& painter, QPoint topLeft, const QString& text, QColor textColour,
                    QColor cellColour) {
    const QFontMetrics metrics = painter.fontMetrics();
    painter.fillRect(QRect(topLeft, QSize(metrics.horizontalAdvance(text), metrics.height())),
                     cellColour);
    painter.save();
    painter.setPen(textColour);
    painter.drawText(QPoint(topLeft.x(), topLeft.y() + metrics.ascent()), text);
    painter.restore();
}
