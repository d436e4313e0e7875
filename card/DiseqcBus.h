// The DiSEqC bus between a tuner and the equipment on its cable: the log of every message the
// card sends, and the committed switch (E0 1x 38 Fx) in terms of the simulated LNB's state.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "card/SignalModel.h"
#include "cardkit/CommittedSwitch.h"

namespace card {

struct BusMessage {
    int tuner = 0;
    std::vector<std::uint8_t> bytes;
    friend bool operator==(const BusMessage&, const BusMessage&) = default;
};

cardkit::LnbSelection SelectionOf(const LnbState& state);

// The committed-switch message that selects `state` (positions 1..4 as option/position bits).
std::vector<std::uint8_t> CommittedSwitchMessage(const LnbState& state);

// What a committed-switch message does to `current`; nothing for any other message.
std::optional<LnbState> ApplyCommittedSwitch(std::span<const std::uint8_t> message,
                                             const LnbState& current);

}  // namespace card
