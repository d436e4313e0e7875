// Single-cable reception (EN 50494): the tuner's stored configuration, and the
// ODU_Channel_change message that asks the single-cable router to put the wanted transponder on
// the tuner's user band.
#pragma once

#include <cstdint>
#include <vector>

#include "card/SignalModel.h"

namespace card {

inline constexpr std::uint32_t kScifUnset = 0xFFFFFFFFu;
inline constexpr std::uint32_t kScifBandOff = 255;

// As the driver stores it: all four words kScifUnset until the first SET, then what that SET
// carried (three kScifUnset words switch single-cable operation off).
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

struct ChannelChange {
    std::vector<std::uint8_t> message;  // 0x5A, or 0x5C with the PIN
    double selectedIfMHz = 0;           // the LNB frequency the router puts on the user band
};

// The router knows two positions (A, B): positions 1 and 3 reach A, 2 and 4 reach B.
ChannelChange MakeChannelChange(const ScifConfig& config, const LnbState& state, double ifMHz);

// The LNB state a single-cable router selects for `state`.
LnbState RouterBank(const LnbState& state);

}  // namespace card
