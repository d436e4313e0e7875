// The spectrum picture's geometry and its one mapping from (MHz, thousandths of a decibel) to
// pixels. The plot spans 950-2150 MHz across and 30-80 dB upwards on pixels 20-620 by 270-20,
// leaving 20 pixels free on every side for the labels.
#pragma once

#include <QPoint>
#include <cstdint>

inline constexpr int kPictureWidth = 640;
inline constexpr int kPictureHeight = 290;

inline constexpr std::int32_t kPlotFirstMHz = 950;
inline constexpr std::int32_t kPlotLastMHz = 2150;
inline constexpr std::int32_t kPlotLowestLevel = 30000;
inline constexpr std::int32_t kPlotHighestLevel = 80000;

namespace spectrum_mapping {

// Quotient rounded to the nearest integer, halves away from zero, the way the drawing library
// rounds scaled coordinates. The divisor is positive.
constexpr std::int64_t RoundedDiv(std::int64_t numerator, std::int64_t divisor) {
    return numerator >= 0 ? (numerator + divisor / 2) / divisor
                          : -((-numerator + divisor / 2) / divisor);
}

}  // namespace spectrum_mapping

// Any 32-bit frequency and level maps without overflow: the results stay far inside int range.
constexpr QPoint SpectrumToPixel(std::int32_t frequencyMHz, std::int32_t level) {
    using spectrum_mapping::RoundedDiv;
    const std::int64_t x =
        20 + RoundedDiv((std::int64_t{frequencyMHz} - kPlotFirstMHz) * 600, 1200);
    const std::int64_t y = 270 - RoundedDiv((std::int64_t{level} - kPlotLowestLevel) * 250, 50000);
    return QPoint(static_cast<int>(x), static_cast<int>(y));
}
