#include "card/DiseqcBus.h"

namespace card {

cardkit::LnbSelection SelectionOf(const LnbState& state) {
    return {state.position, state.polarisation == LinearPolarisation::Horizontal, state.highBand};
}

std::vector<std::uint8_t> CommittedSwitchMessage(const LnbState& state) {
    const auto message = cardkit::CommittedSwitchMessage(SelectionOf(state));
    return {message.begin(), message.end()};
}

std::optional<LnbState> ApplyCommittedSwitch(std::span<const std::uint8_t> message,
                                             const LnbState& current) {
    const auto next = cardkit::ApplyCommittedSwitch(message, SelectionOf(current));
    if (!next) return std::nullopt;
    return LnbState{
        next->position,
        next->horizontal ? LinearPolarisation::Horizontal : LinearPolarisation::Vertical,
        next->highBand};
}

}  // namespace card
