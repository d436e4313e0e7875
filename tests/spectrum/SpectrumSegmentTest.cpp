// Segments drawn into the store's picture: colour of the current trace, the pixels the mapping
// gives, negative levels at 0 and no clipping to the plot.
#include <gtest/gtest.h>

#include "PictureColours.h"
#include "spectrum/SpectrumGrid.h"
#include "spectrum/SpectrumMapping.h"
#include "spectrum/SpectrumStore.h"

namespace {

class SpectrumSegmentTest : public ::testing::Test {
protected:
    SpectrumSegmentTest() : store(graphs, nullptr) { store.ClearSpectrum(); }

    QImage Blank() const {
        QImage blank(kPictureWidth, kPictureHeight, QImage::Format_RGB888);
        DrawSpectrumGrid(blank);
        return blank;
    }

    TunerGraphSlots graphs;
    SpectrumStore store;
};

TEST_F(SpectrumSegmentTest, ClearBeforeAnySweepCreatesTheEmptyGrid) {
    ASSERT_NE(store.Picture(), nullptr);
    EXPECT_EQ(store.Picture()->format(), QImage::Format_RGB888);
    EXPECT_EQ(*store.Picture(), Blank());
    EXPECT_EQ(store.ColourIndex(), 0);
    EXPECT_FALSE(store.Busy());
}

TEST_F(SpectrumSegmentTest, HorizontalSegmentCoversItsColumnsButTheLast) {
    store.DrawSpectrumSegment(1202, 50000, 1298, 50000);
    const QImage& picture = *store.Picture();
    const int y = SpectrumToPixel(0, 50000).y();
    const int first = SpectrumToPixel(1202, 0).x();
    const int last = SpectrumToPixel(1298, 0).x();
    EXPECT_NE(Pixel(picture, first - 1, y), kGreenTrace);
    for (int x = first; x < last; ++x) EXPECT_EQ(Pixel(picture, x, y), kGreenTrace) << x;
    EXPECT_NE(Pixel(picture, last, y), kGreenTrace);
    EXPECT_EQ(CountOf(picture, kGreenTrace, picture.rect()), last - first);
}

TEST_F(SpectrumSegmentTest, SteepSegmentFillsEveryRowBetweenItsEnds) {
    store.DrawSpectrumSegment(1500, 40000, 1502, 70000);
    const QImage& picture = *store.Picture();
    const QRect box = BoundingBoxOf(picture, kGreenTrace, picture.rect());
    const QPoint from = SpectrumToPixel(1500, 40000);
    const QPoint to = SpectrumToPixel(1502, 70000);
    EXPECT_EQ(box.bottom(), from.y());
    EXPECT_EQ(box.top(), to.y() + 1);
    EXPECT_EQ(box.left(), from.x());
    EXPECT_LE(box.right(), to.x());
    EXPECT_EQ(CountOf(picture, kGreenTrace, picture.rect()), from.y() - to.y());
}

TEST_F(SpectrumSegmentTest, LevelsOutsideThePlotAreDrawnInTheMarginsNotClipped) {
    store.DrawSpectrumSegment(1200, 28000, 1300, 28000);  // in the label strip
    store.DrawSpectrumSegment(1200, 83000, 1300, 83000);  // above the plot
    const QImage& picture = *store.Picture();
    EXPECT_EQ(Pixel(picture, SpectrumToPixel(1250, 0).x(), SpectrumToPixel(0, 28000).y()),
              kGreenTrace);
    EXPECT_EQ(Pixel(picture, SpectrumToPixel(1250, 0).x(), SpectrumToPixel(0, 83000).y()),
              kGreenTrace);
}

TEST_F(SpectrumSegmentTest, NegativeLevelsAreDrawnAtZeroBelowThePicture) {
    store.DrawSpectrumSegment(1000, -5000, 1100, -1);
    EXPECT_EQ(*store.Picture(), Blank());
    // From inside the plot down to level 0: the segment leaves through the bottom edge.
    store.DrawSpectrumSegment(1500, 50000, 1510, -7);
    const QImage& picture = *store.Picture();
    const QRect box = BoundingBoxOf(picture, kGreenTrace, picture.rect());
    EXPECT_EQ(box.top(), SpectrumToPixel(0, 50000).y());
    EXPECT_EQ(box.bottom(), kPictureHeight - 1);
}

TEST_F(SpectrumSegmentTest, ExtremeCoordinatesDrawWithoutHarm) {
    store.DrawSpectrumSegment(INT32_MIN, INT32_MAX, INT32_MAX, INT32_MIN);
    store.DrawSpectrumSegment(1500, 50000, INT32_MAX, INT32_MAX);
    EXPECT_EQ(store.Picture()->size(), QSize(kPictureWidth, kPictureHeight));
}

TEST(SpectrumSegmentWithoutPicture, DrawsNothing) {
    TunerGraphSlots graphs;
    SpectrumStore store(graphs, nullptr);
    store.DrawSpectrumSegment(1000, 50000, 1100, 60000);
    EXPECT_EQ(store.Picture(), nullptr);
}

}  // namespace
