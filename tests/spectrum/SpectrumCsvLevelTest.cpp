#include <gtest/gtest.h>

#include <limits>

#include "spectrum/SpectrumCsv.h"

TEST(SpectrumCsvLevel, TenthsOfADecibelTruncatedWithADecimalComma) {
    EXPECT_EQ(FormatSpectrumLevel(45678), "45,6");
    EXPECT_EQ(FormatSpectrumLevel(45699), "45,6");
    EXPECT_EQ(FormatSpectrumLevel(500), "0,5");
    EXPECT_EQ(FormatSpectrumLevel(100000), "100,0");
    EXPECT_EQ(FormatSpectrumLevel(std::numeric_limits<std::int32_t>::max()), "2147483,6");
}

TEST(SpectrumCsvLevel, BelowOneTenthAndNegativeLevelsAreZero) {
    EXPECT_EQ(FormatSpectrumLevel(99), "0,0");
    EXPECT_EQ(FormatSpectrumLevel(0), "0,0");
    EXPECT_EQ(FormatSpectrumLevel(-5), "0,0");
    EXPECT_EQ(FormatSpectrumLevel(-150), "0,0");
    EXPECT_EQ(FormatSpectrumLevel(std::numeric_limits<std::int32_t>::min()), "0,0");
}
