// Picture lines leave out their last pixel whichever way they run, and otherwise draw exactly
// the painter's own line.
#include <gtest/gtest.h>

#include <QImage>

#include "PictureColours.h"
#include "spectrum/PictureLine.h"

namespace {

constexpr QRgb kInk = qRgb(255, 255, 255);

QImage Drawn(QPoint from, QPoint to, bool ownLine, QSize size = QSize(60, 60)) {
    QImage image(size, QImage::Format_RGB888);
    image.fill(Qt::black);
    QPainter painter(&image);
    painter.setPen(PicturePen(QColor(kInk)));
    if (ownLine)
        painter.drawLine(from, to);
    else
        DrawPictureLine(painter, from, to);
    return image;
}

TEST(PictureLine, EveryDirectionDrawsTheWholeLineButItsEnd) {
    const QPoint centre(30, 30);
    for (const QPoint delta :
         {QPoint(10, 0), QPoint(-10, 0), QPoint(0, 10), QPoint(0, -10), QPoint(10, 3),
          QPoint(-10, -3), QPoint(3, 10), QPoint(-3, -10), QPoint(10, -7), QPoint(-7, 10),
          QPoint(8, 8), QPoint(-8, -8), QPoint(1, 0), QPoint(0, -1), QPoint(25, -29)}) {
        SCOPED_TRACE(testing::Message() << delta.x() << "," << delta.y());
        const QPoint to = centre + delta;
        QImage expected = Drawn(centre, to, true);
        ASSERT_EQ(Pixel(expected, to.x(), to.y()), kInk);
        expected.setPixel(to, qRgb(0, 0, 0));
        const QImage line = Drawn(centre, to, false);
        EXPECT_EQ(Pixel(line, centre.x(), centre.y()), kInk);
        EXPECT_EQ(line, expected);
    }
}

// Long lines are drawn a band at a time; the bands must meet without a gap or a doubled pixel,
// also where a line leaves the image.
TEST(PictureLine, LongLinesDrawTheWholeLineButItsEnd) {
    const QSize size(400, 300);
    const QPoint centre(170, 150);
    for (const QPoint delta :
         {QPoint(0, 140), QPoint(0, -149), QPoint(229, 0), QPoint(-170, 0), QPoint(3, 130),
          QPoint(-1, -128), QPoint(200, 129), QPoint(-129, 65), QPoint(97, -96), QPoint(1, 400),
          QPoint(-500, 7), QPoint(260, -190), QPoint(-171, 151)}) {
        SCOPED_TRACE(testing::Message() << delta.x() << "," << delta.y());
        const QPoint to = centre + delta;
        QImage expected = Drawn(centre, to, true, size);
        if (expected.rect().contains(to)) expected.setPixel(to, qRgb(0, 0, 0));
        EXPECT_EQ(Drawn(centre, to, false, size), expected);
        // The same line drawn back from its far end.
        QImage back = Drawn(to, centre, true, size);
        back.setPixel(centre, qRgb(0, 0, 0));
        EXPECT_EQ(Drawn(to, centre, false, size), back);
    }
}

TEST(PictureLine, NoLengthNoPixel) {
    EXPECT_EQ(CountOf(Drawn(QPoint(5, 5), QPoint(5, 5), false), kInk, QRect(0, 0, 60, 60)), 0);
}

TEST(PictureLine, LinesReachingFarOutsideTheImageStillDrawTheirVisiblePart) {
    const QImage line = Drawn(QPoint(30, 30), QPoint(30, -1000000000), false);
    EXPECT_EQ(CountOf(line, kInk, QRect(0, 0, 60, 60)), 31);
    const QImage back = Drawn(QPoint(30, -1000000000), QPoint(30, 30), false);
    EXPECT_EQ(CountOf(back, kInk, QRect(0, 0, 60, 60)), 30);
    // Both ends far away: the part crossing the image keeps its direction.
    const QImage across =
        Drawn(QPoint(-1000000000, -1000000000), QPoint(1000000000, 1000000000), false);
    EXPECT_EQ(CountOf(across, kInk, QRect(0, 0, 60, 60)), 60);
    for (int i = 0; i < 60; ++i) EXPECT_EQ(Pixel(across, i, i), kInk) << i;
    const QImage missing = Drawn(QPoint(-1000000000, 0), QPoint(-1000, 1000000000), false);
    EXPECT_EQ(CountOf(missing, kInk, QRect(0, 0, 60, 60)), 0);
}

}  // namespace
