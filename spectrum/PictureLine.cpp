#include "spectrum/PictureLine.h"

#include <QPaintDevice>
#include <QPointF>
#include <algorithm>
#include <cstdlib>

namespace {

// Far beyond any picture, yet small enough that no coordinate arithmetic overflows on the way.
constexpr double kReach = 1 << 16;

bool WithinReach(QPoint point) {
    return std::abs(point.x()) <= kReach && std::abs(point.y()) <= kReach;
}

// Cuts the line from `from` to `to` down to the part within kReach of the origin, keeping its
// direction; false when no part is. A level far off the scale thus still draws the visible
// piece of its segment.
bool ClipToReach(QPoint& from, QPoint& to) {
    const QPointF start(from);
    const QPointF delta = QPointF(to) - start;
    double enter = 0.0;
    double leave = 1.0;
    // One side of the square: the line runs towards it at `rate` and is `room` away from it.
    const auto side = [&](double rate, double room) {
        if (rate == 0.0) return room >= 0.0;
        const double at = room / rate;
        if (rate < 0.0) {
            if (at > leave) return false;
            enter = std::max(enter, at);
        } else {
            if (at < enter) return false;
            leave = std::min(leave, at);
        }
        return true;
    };
    if (!side(-delta.x(), start.x() + kReach) || !side(delta.x(), kReach - start.x()) ||
        !side(-delta.y(), start.y() + kReach) || !side(delta.y(), kReach - start.y()))
        return false;
    from = (start + enter * delta).toPoint();
    to = (start + leave * delta).toPoint();
    return true;
}

}  // namespace

QPen PicturePen(QColor colour) {
    QPen pen(colour);
    pen.setWidth(1);
    pen.setCosmetic(true);
    pen.setCapStyle(Qt::SquareCap);  // both end pixels; DrawPictureLine leaves out the last
    return pen;
}

void DrawPictureLine(QPainter& painter, QPoint from, QPoint to) {
    if ((!WithinReach(from) || !WithinReach(to)) && !ClipToReach(from, to)) return;
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
