// The colours sweeps are drawn in, one after the other: the first sweep after a start, a Clear or
// a new picture is green, a sweep over a loaded picture starts at yellow.
#pragma once

#include <QColor>
#include <array>

inline constexpr int kTraceColourGreen = 0;
inline constexpr int kTraceColourYellow = 3;

inline const std::array<QColor, 6> kTraceColours = {
    QColor(0, 255, 0),    // green
    QColor(255, 0, 0),    // red
    QColor(64, 64, 255),  // blue
    QColor(255, 255, 0),  // yellow
    QColor(255, 0, 255),  // magenta
    QColor(0, 255, 255),  // cyan
};
