#include "linuxdvb/LnbMessages.h"

#include <cmath>

namespace linuxdvb {
namespace {

constexpr std::uint8_t kFramingFirst = 0xE0;
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

namespace {

constexpr std::uint8_t kChannelChange = 0x5A;
constexpr std::uint8_t kChannelChangePin = 0x5C;
constexpr double kStepMHz = 4.0;
constexpr std::uint32_t kWordOffset = 350;

}  // namespace

ChannelChange MakeChannelChange(const ScifConfig& config, const SingleCableBank& bank,
                                double ifMHz) {
    const auto word = static_cast<std::uint32_t>(
                          std::lround((ifMHz + config.frequencyMHz) / kStepMHz) - kWordOffset) &
                      0x3FF;
    const std::uint32_t bankBits =
        (bank.positionB ? 4u : 0u) | (bank.horizontal ? 2u : 0u) | (bank.highBand ? 1u : 0u);
    ChannelChange change;
    change.message = {0xE0, 0x10, config.HasPin() ? kChannelChangePin : kChannelChange,
                      static_cast<std::uint8_t>(((config.userBand & 7) << 5) | (bankBits << 2) |
                                                (word >> 8)),
                      static_cast<std::uint8_t>(word & 0xFF)};
    if (config.HasPin()) change.message.push_back(static_cast<std::uint8_t>(config.pin));
    change.tuningWord = word;
    const double carrierSumMHz = (word + kWordOffset) * kStepMHz;
    change.tuneMHz = carrierSumMHz - ifMHz;
    return change;
}

}  // namespace linuxdvb
