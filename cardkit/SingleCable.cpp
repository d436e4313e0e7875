#include "cardkit/SingleCable.h"

#include <cmath>

namespace cardkit {
namespace {

// EN 50494: framing E0, address 10 (every LNB and switch), then the command.
constexpr std::uint8_t kChannelChange = 0x5A;
constexpr std::uint8_t kChannelChangePin = 0x5C;
constexpr double kStepMHz = 4.0;
constexpr long kWordOffset = 350;
constexpr long kWordMax = 0x3FF;

// EN 50607: the framing byte is the command; there is no address.
constexpr std::uint8_t kJessChannelChange = 0x70;
constexpr std::uint8_t kJessChannelChangePin = 0x71;
constexpr long kJessWordOffset = 100;
constexpr long kJessWordMax = 0x7FF;

ChannelChange En50494Change(const ScifConfig& config, const SingleCableBank& bank, double ifMHz) {
    const long word = std::lround((ifMHz + config.frequencyMHz) / kStepMHz) - kWordOffset;
    const auto t = static_cast<std::uint32_t>(word) & kWordMax;
    const std::uint32_t bankBits =
        ((bank.position & 1) << 2) | (bank.horizontal ? 2u : 0u) | (bank.highBand ? 1u : 0u);
    ChannelChange change;
    change.message = {
        0xE0, 0x10, config.HasPin() ? kChannelChangePin : kChannelChange,
        static_cast<std::uint8_t>(((config.userBand & 7) << 5) | (bankBits << 2) | (t >> 8)),
        static_cast<std::uint8_t>(t & 0xFF)};
    change.tuningWord = t;
    change.fits = word >= 0 && word <= kWordMax;
    const double carrierSumMHz = static_cast<double>(t + kWordOffset) * kStepMHz;
    change.tuneMHz = carrierSumMHz - ifMHz;
    change.routedIfMHz = carrierSumMHz - config.frequencyMHz;
    return change;
}

ChannelChange En50607Change(const ScifConfig& config, const SingleCableBank& bank, double ifMHz) {
    const long word = std::lround(ifMHz) - kJessWordOffset;
    const auto t = static_cast<std::uint32_t>(word) & kJessWordMax;
    ChannelChange change;
    change.message = {
        config.HasPin() ? kJessChannelChangePin : kJessChannelChange,
        static_cast<std::uint8_t>(((config.userBand & 31) << 3) | (t >> 8)),
        static_cast<std::uint8_t>(t & 0xFF),
        static_cast<std::uint8_t>(((bank.position & 0x3F) << 2) | (bank.horizontal ? 2u : 0u) |
                                  (bank.highBand ? 1u : 0u))};
    change.tuningWord = t;
    change.fits = word >= 0 && word <= kJessWordMax;
    // The router converts in 1 MHz steps straight onto the user band.
    change.tuneMHz = config.frequencyMHz;
    change.routedIfMHz = static_cast<double>(t + kJessWordOffset);
    return change;
}

}  // namespace

SingleCableBank BankFor(const ScifConfig& config, int source, bool horizontal, bool highBand) {
    const auto index = static_cast<std::uint32_t>(source > 0 ? source - 1 : 0);
    return {config.En50607() ? index : index % 2, horizontal, highBand};
}

ChannelChange MakeChannelChange(const ScifConfig& config, const SingleCableBank& bank,
                                double ifMHz) {
    ChannelChange change =
        config.En50607() ? En50607Change(config, bank, ifMHz) : En50494Change(config, bank, ifMHz);
    if (config.HasPin()) change.message.push_back(static_cast<std::uint8_t>(config.pin));
    return change;
}

}  // namespace cardkit
