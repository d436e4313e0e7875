#include "card/DiseqcBus.h"

namespace card {
namespace {

constexpr std::uint8_t kFramingFirst = 0xE0;
constexpr std::uint8_t kFramingRepeat = 0xE1;
constexpr std::uint8_t kCommittedSwitch = 0x38;
// Low nibble of the committed data byte.
constexpr std::uint8_t kBandBit = 0x01;      // high band (22 kHz on)
constexpr std::uint8_t kHorizontalBit = 0x02;  // horizontal (18 V)
constexpr int kPositionShift = 2;            // position bit, then option bit

std::uint8_t StateBits(const LnbState& state) {
    std::uint8_t bits = static_cast<std::uint8_t>(((state.position - 1) & 3) << kPositionShift);
    if (state.highBand) bits |= kBandBit;
    if (state.polarisation == LinearPolarisation::Horizontal) bits |= kHorizontalBit;
    return bits;
}

}  // namespace

std::vector<std::uint8_t> CommittedSwitchMessage(const LnbState& state) {
    return {kFramingFirst, 0x10, kCommittedSwitch, static_cast<std::uint8_t>(0xF0 | StateBits(state))};
}

std::optional<LnbState> ApplyCommittedSwitch(std::span<const std::uint8_t> message,
                                             const LnbState& current) {
    if (message.size() < 4) return std::nullopt;
    if (message[0] != kFramingFirst && message[0] != kFramingRepeat) return std::nullopt;
    if ((message[1] & 0xF0) != 0x10 || message[2] != kCommittedSwitch) return std::nullopt;
    const std::uint8_t mask = message[3] >> 4;
    const std::uint8_t bits = static_cast<std::uint8_t>((StateBits(current) & ~mask) |
                                                        (message[3] & mask & 0x0F));
    LnbState next;
    next.position = ((bits >> kPositionShift) & 3) + 1;
    next.polarisation = (bits & kHorizontalBit) ? LinearPolarisation::Horizontal : LinearPolarisation::Vertical;
    next.highBand = (bits & kBandBit) != 0;
    return next;
}

}  // namespace card
