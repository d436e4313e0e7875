#include "spectrum/PictureLine.h"

#include <QPaintDevice>
#include <cstdlib>

QPen PicturePen(QColor colour) {
    QPen pen(colour);
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::SquareCap);  // both end pixels; DrawPictureLine leaves out the last
    return pen;
}

void DrawPictureLine(QPainter& painter, QPoint from, QPoint to) {
    if (from == to) return;
    // An unsmoothed line has one pixel per step along its longer axis, so clipping away the end
    // point's column (or row) removes exactly the end pixel, whichever way the line runs.
    QRect keep(0, 0, painter.device()->width(), painter.device()->height());
    const QPoint delta = to - from;
    if (std::abs(delta.x()) >= std::abs(delta.y())) {
        if (delta.x() > 0)
            keep.setRight(std::min(keep.right(), to.x() - 1));
        else
            keep.setLeft(std::max(keep.left(), to.x() + 1));
    } else {
        if (delta.y() > 0)
            keep.setBottom(std::min(keep.bottom(), to.y() - 1));
        else
            keep.setTop(std::max(keep.top(), to.y() + 1));
    }
    if (keep.isEmpty()) return;
    painter.setClipRect(keep);
    painter.drawLine(from, to);
    painter.setClipping(false);
}
