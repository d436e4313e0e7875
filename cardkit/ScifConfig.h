// A tuner's single-cable (EN 50494) configuration as the driver stores it: user band, its
// frequency and the optional PIN, exactly as the last SET carried them.
#pragma once

#include <cstdint>

namespace cardkit {

inline constexpr std::uint32_t kScifUnset = 0xFFFFFFFFu;
inline constexpr std::uint32_t kScifBandOff = 255;

// All four words kScifUnset until the first SET, then what that SET carried (three kScifUnset
// words switch single-cable operation off).
struct ScifConfig {
    std::uint32_t userBand = kScifUnset;  // 0..7
    std::uint32_t frequencyMHz = kScifUnset;
    std::uint32_t pin = kScifUnset;  // 0..255, or kScifUnset for none
    std::uint32_t reserved = kScifUnset;

    bool Enabled() const { return userBand <= 7; }
    bool HasPin() const { return pin <= 255; }
    friend bool operator==(const ScifConfig&, const ScifConfig&) = default;
};

// What a SET may carry: single-cable off (three unset words) or a user band 0..7 (or 255, off)
// at 950..2150 MHz with an optional PIN; the reserved word is 0.
bool IsValidScif(const ScifConfig& config);

}  // namespace cardkit
