#include "card/Unicable.h"

#include <cmath>

namespace card {
namespace {

constexpr std::uint8_t kChannelChange = 0x5A;
constexpr std::uint8_t kChannelChangePin = 0x5C;
constexpr double kStepMHz = 4.0;
constexpr int kWordOffset = 350;

}  // namespace

LnbState RouterBank(const LnbState& state) {
    LnbState bank = state;
    bank.position = (state.position - 1) % 2 + 1;
    return bank;
}

ChannelChange MakeChannelChange(const ScifConfig& config, const LnbState& state, double ifMHz) {
    const auto word = static_cast<std::uint32_t>(
        std::lround((ifMHz + config.frequencyMHz) / kStepMHz) - kWordOffset) & 0x3FF;
    const LnbState bank = RouterBank(state);
    const std::uint32_t bankBits = (bank.position == 2 ? 4u : 0u) |
                                   (bank.polarisation == LinearPolarisation::Horizontal ? 2u : 0u) |
                                   (bank.highBand ? 1u : 0u);
    ChannelChange change;
    change.message = {0xE0, 0x10, config.HasPin() ? kChannelChangePin : kChannelChange,
                      static_cast<std::uint8_t>((config.userBand << 5) | (bankBits << 2) |
                                                (word >> 8)),
                      static_cast<std::uint8_t>(word & 0xFF)};
    if (config.HasPin()) change.message.push_back(static_cast<std::uint8_t>(config.pin));
    change.selectedIfMHz = (word + kWordOffset) * kStepMHz - config.frequencyMHz;
    return change;
}

}  // namespace card
