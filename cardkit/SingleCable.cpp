#include "cardkit/SingleCable.h"

#include <cmath>

namespace cardkit {
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
    change.message = {
        0xE0, 0x10, config.HasPin() ? kChannelChangePin : kChannelChange,
        static_cast<std::uint8_t>(((config.userBand & 7) << 5) | (bankBits << 2) | (word >> 8)),
        static_cast<std::uint8_t>(word & 0xFF)};
    if (config.HasPin()) change.message.push_back(static_cast<std::uint8_t>(config.pin));
    change.tuningWord = word;
    const double carrierSumMHz = (word + kWordOffset) * kStepMHz;
    change.tuneMHz = carrierSumMHz - ifMHz;
    change.routedIfMHz = carrierSumMHz - config.frequencyMHz;
    return change;
}

}  // namespace cardkit
