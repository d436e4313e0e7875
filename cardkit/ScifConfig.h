// A tuner's single-cable configuration as the driver stores it: the router's protocol (EN 50494,
// "Unicable", or EN 50607, "Unicable II"), the user band, its frequency and the optional PIN,
// exactly as the last SET carried them.
#pragma once

#include <cstdint>

namespace cardkit {

inline constexpr std::uint32_t kScifUnset = 0xFFFFFFFFu;
inline constexpr std::uint32_t kScifBandOff = 255;

// The fourth word of the configuration: which single-cable protocol the router speaks.
inline constexpr std::uint32_t kScifEn50494 = 0;
inline constexpr std::uint32_t kScifEn50607 = 1;

// All four words kScifUnset until the first SET, then what that SET carried (three kScifUnset
// words switch single-cable operation off).
struct ScifConfig {
    std::uint32_t userBand = kScifUnset;  // 0..7 (EN 50494) or 0..31 (EN 50607)
    std::uint32_t frequencyMHz = kScifUnset;
    std::uint32_t pin = kScifUnset;  // 0..255, or kScifUnset for none
    std::uint32_t protocol = kScifUnset;

    bool En50607() const { return protocol == kScifEn50607; }
    std::uint32_t UserBands() const { return En50607() ? 32 : 8; }
    bool Enabled() const { return userBand < UserBands(); }
    bool HasPin() const { return pin <= 255; }
    friend bool operator==(const ScifConfig&, const ScifConfig&) = default;
};

// What a SET may carry: single-cable off (three unset words) or a user band of the protocol
// (or 255, off) at 950..2150 MHz with an optional PIN; the protocol word is 0 (EN 50494) or
// 1 (EN 50607).
bool IsValidScif(const ScifConfig& config);

}  // namespace cardkit
