// The blank picture: grid lines and label cells where the mapping puts them.
#include <gtest/gtest.h>

#include "PictureColours.h"
#include "spectrum/SpectrumGrid.h"
#include "spectrum/SpectrumMapping.h"

namespace {

constexpr int kTopRow = 20;      // the 80 dB line
constexpr int kBottomRow = 270;  // the 30 dB line

bool IsPlotRow(int y) {
    return y >= kTopRow && y <= kBottomRow;
}
bool IsMajorRow(int y) {
    return IsPlotRow(y) && (kBottomRow - y) % 50 == 0;
}
bool IsMinorRow(int y) {
    return IsPlotRow(y) && (kBottomRow - y) % 10 == 0 && !IsMajorRow(y);
}

class SpectrumGridTest : public ::testing::Test {
protected:
    SpectrumGridTest() : picture(kPictureWidth, kPictureHeight, QImage::Format_RGB888) {
        picture.fill(Qt::white);  // whatever was there is covered
        DrawSpectrumGrid(picture);
    }
    QImage picture;
};

TEST_F(SpectrumGridTest, VerticalLinesRunFromTheirFootToTheTopLine) {
    for (int mhz = 950; mhz <= 2150; mhz += 50) {
        SCOPED_TRACE(mhz);
        const int x = SpectrumToPixel(mhz, 0).x();
        const int foot = mhz % 100 == 0 ? 280 : kBottomRow;  // labelled lines reach lower
        EXPECT_EQ(Pixel(picture, x, foot + 1), kBlack);
        for (int y = kTopRow + 1; y <= foot; ++y)
            // The minor lines end one pixel short of the last vertical line.
            ASSERT_EQ(Pixel(picture, x, y), IsMinorRow(y) && x < 620 ? kMinorGrid : kGrid)
                << "row " << y;
    }
    // Lines stop one pixel short of their end: the top line ends at 619, the last column at 21.
    EXPECT_EQ(Pixel(picture, 620, kTopRow), kBlack);
    EXPECT_EQ(Pixel(picture, 620, kTopRow + 1), kGrid);
}

TEST_F(SpectrumGridTest, HorizontalLinesSpanThePlotWithMinorLinesOnTop) {
    for (int y = kTopRow; y <= kBottomRow; y += 10) {
        SCOPED_TRACE(y);
        const QRgb colour = IsMajorRow(y) ? kGrid : kMinorGrid;
        EXPECT_EQ(Pixel(picture, 19, y), kBlack);
        for (int x = 20; x <= 619; ++x) ASSERT_EQ(Pixel(picture, x, y), colour) << "column " << x;
    }
    EXPECT_EQ(CountOf(picture, kMinorGrid, picture.rect()), 20 * 600);
}

TEST_F(SpectrumGridTest, FrequencyLabelsStandInTheirCellsUnderThePlot) {
    int labelled = 0;
    for (int mhz = 1000; mhz <= 2100; mhz += 100) {
        SCOPED_TRACE(mhz);
        const QPoint cell = SpectrumToPixel(mhz + 4, 29000);
        ASSERT_EQ(cell.y(), 275);
        const QRect ink = BoundingBoxOf(picture, kLabel, QRect(cell.x() - 2, 271, 26, 19));
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_GE(ink.left(), cell.x());
        EXPECT_LE(ink.left(), cell.x() + 2);
        EXPECT_GE(ink.top(), cell.y());
        EXPECT_LT(ink.bottom(), cell.y() + 12);  // about 12 pixels high
        EXPECT_GE(ink.width(), 14);              // four narrow digits, about 5 pixels each
        EXPECT_LE(ink.width(), 22);
        labelled += CountOf(picture, kLabel, ink);
    }
    for (int level = 30000; level <= 80000; level += 10000) {
        SCOPED_TRACE(level);
        const QPoint cell = SpectrumToPixel(925, level + 1000);
        const QRect ink = BoundingBoxOf(picture, kLabel, QRect(0, cell.y() - 2, 20, 16));
        ASSERT_FALSE(ink.isEmpty());
        EXPECT_GE(ink.left(), cell.x());
        EXPECT_GE(ink.top(), cell.y());
        EXPECT_LT(ink.bottom(), cell.y() + 12);
        EXPECT_LT(ink.right(), 20);  // clear of the plot
        labelled += CountOf(picture, kLabel, ink);
    }
    // No label ink anywhere else.
    EXPECT_EQ(CountOf(picture, kLabel, picture.rect()), labelled);
}

TEST_F(SpectrumGridTest, PictureHoldsOnlyTheGridColours) {
    EXPECT_EQ(ColoursOf(picture), (std::set<QRgb>{kBlack, kGrid, kMinorGrid, kLabel}));
}

}  // namespace
