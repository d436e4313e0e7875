#include "spectrum/PictureLine.h"

#include <QPaintDevice>
#include <QPointF>
#include <algorithm>
#include <cstdlib>

namespace {

// Far beyond any picture, yet small enough that no coordinate arithmetic overflows on the way.
constexpr double kReach = 1 << 16;

// Steps along a line's longer axis drawn in one call. Qt's raster engine hands a fill of about a
// hundred spans or more (one per pixel of a line) to its thread pool and waits for it: a steep
// segment of a sweep would then wait on other threads, which on a busy machine takes far longer
// than the fill itself. Bands of this many steps keep every fill on the calling thread.
constexpr int kBandSteps = 64;

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

// The device's rectangle less the end point's column (acrossX) or row: an unsmoothed line has one
// pixel per step along its longer axis, so that removes exactly the end pixel, whichever way the
// line runs.
QRect KeptPart(const QPaintDevice& device, QPoint from, QPoint to, bool acrossX) {
    QRect keep(0, 0, device.width(), device.height());
    if (acrossX) {
        if (to.x() > from.x())
            keep.setRight(std::min(keep.right(), to.x() - 1));
        else
            keep.setLeft(std::max(keep.left(), to.x() + 1));
    } else {
        if (to.y() > from.y())
            keep.setBottom(std::min(keep.bottom(), to.y() - 1));
        else
            keep.setTop(std::max(keep.top(), to.y() + 1));
    }
    return keep;
}

// Draws the line clipped to `keep`, in bands of kBandSteps columns (acrossX) or rows. The painter
// rasterises a line the same whatever the clip (it cuts lines at its device's edges only), so the
// bands together set exactly the pixels of one clipped call. They span the line's own extent
// and a step either side of it.
void DrawInBands(QPainter& painter, QPoint from, QPoint to, QRect keep, bool acrossX) {
    const int low = acrossX ? std::max(keep.left(), std::min(from.x(), to.x()) - 1)
                            : std::max(keep.top(), std::min(from.y(), to.y()) - 1);
    const int high = acrossX ? std::min(keep.right(), std::max(from.x(), to.x()) + 1)
                             : std::min(keep.bottom(), std::max(from.y(), to.y()) + 1);
    for (int first = low; first <= high; first += kBandSteps) {
        const int last = std::min(high, first + kBandSteps - 1);
        QRect band = keep;
        if (acrossX) {
            band.setLeft(first);
            band.setRight(last);
        } else {
            band.setTop(first);
            band.setBottom(last);
        }
        painter.setClipRect(band);
        painter.drawLine(from, to);
    }
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
    const QPoint delta = to - from;
    const bool acrossX = std::abs(delta.x()) >= std::abs(delta.y());
    const QRect keep = KeptPart(*painter.device(), from, to, acrossX);
    if (keep.isEmpty()) return;
    DrawInBands(painter, from, to, keep, acrossX);
    painter.setClipping(false);
}
