#include <gtest/gtest.h>

#include <limits>

#include "spectrum/SpectrumMapping.h"

TEST(SpectrumMapping, PlotCornersAndCentre) {
    EXPECT_EQ(SpectrumToPixel(950, 30000), QPoint(20, 270));
    EXPECT_EQ(SpectrumToPixel(2150, 80000), QPoint(620, 20));
    EXPECT_EQ(SpectrumToPixel(1550, 55000), QPoint(320, 145));
    // The label positions: 5 pixels under the plot, 2 right of a line, 10 below for long lines.
    EXPECT_EQ(SpectrumToPixel(1004, 29000), QPoint(47, 275));
    EXPECT_EQ(SpectrumToPixel(1000, 28000), QPoint(45, 280));
}

TEST(SpectrumMapping, HalfPixelsRoundAwayFromZero) {
    EXPECT_EQ(SpectrumToPixel(951, 30100), QPoint(21, 269));
    EXPECT_EQ(SpectrumToPixel(949, 29900), QPoint(19, 271));
    EXPECT_EQ(SpectrumToPixel(925, 81000).x(), 7);
    EXPECT_EQ(SpectrumToPixel(953, 30199), QPoint(22, 269));
}

TEST(SpectrumMapping, ExtremeValuesDoNotOverflow) {
    constexpr auto kMax = std::numeric_limits<std::int32_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int32_t>::min();
    EXPECT_EQ(SpectrumToPixel(kMax, kMax), QPoint(1073741369, -10736998));
    EXPECT_EQ(SpectrumToPixel(kMin, kMin), QPoint(-1073742279, 10737838));
    // A negative level, drawn at 0, lies below the picture.
    EXPECT_EQ(SpectrumToPixel(950, 0).y(), 420);
}
