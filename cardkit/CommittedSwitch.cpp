#include "cardkit/CommittedSwitch.h"

namespace cardkit {
namespace {

constexpr std::uint8_t kFramingFirst = 0xE0;
constexpr std::uint8_t kFramingRepeat = 0xE1;
constexpr std::uint8_t kAnySwitch = 0x10;
constexpr std::uint8_t kCommittedSwitch = 0x38;
// Low nibble of the committed data byte.
constexpr std::uint8_t kBandBit = 0x01;        // high band (22 kHz on)
constexpr std::uint8_t kHorizontalBit = 0x02;  // horizontal (18 V)
constexpr int kPositionShift = 2;              // position bit, then option bit

std::uint8_t SelectionBits(const LnbSelection& selection) {
    auto bits = static_cast<std::uint8_t>(((selection.position - 1) & 3) << kPositionShift);
    if (selection.highBand) bits |= kBandBit;
    if (selection.horizontal) bits |= kHorizontalBit;
    return bits;
}

}  // namespace

std::array<std::uint8_t, 4> CommittedSwitchMessage(const LnbSelection& selection) {
    return {kFramingFirst, kAnySwitch, kCommittedSwitch,
            static_cast<std::uint8_t>(0xF0 | SelectionBits(selection))};
}

std::optional<LnbSelection> ApplyCommittedSwitch(std::span<const std::uint8_t> message,
                                                 const LnbSelection& current) {
    if (message.size() < 4) return std::nullopt;
    if (message[0] != kFramingFirst && message[0] != kFramingRepeat) return std::nullopt;
    if ((message[1] & 0xF0) != kAnySwitch || message[2] != kCommittedSwitch) return std::nullopt;
    const std::uint8_t mask = message[3] >> 4;
    const auto bits =
        static_cast<std::uint8_t>((SelectionBits(current) & ~mask) | (message[3] & mask & 0x0F));
    return LnbSelection{((bits >> kPositionShift) & 3) + 1, (bits & kHorizontalBit) != 0,
                        (bits & kBandBit) != 0};
}

}  // namespace cardkit
