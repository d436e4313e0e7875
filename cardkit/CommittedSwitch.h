// The DiSEqC committed-switch message (E0 10 38 Fx) that selects LNB position, polarisation and
// band, in both directions: built by a driver that switches, read by equipment that follows it.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace cardkit {

// What a committed switch selects: one of four positions (1..4, as option and position bits),
// horizontal (18 V) or vertical (13 V), high band (22 kHz on) or low.
struct LnbSelection {
    int position = 1;
    bool horizontal = false;
    bool highBand = false;
    friend bool operator==(const LnbSelection&, const LnbSelection&) = default;
};

// E0 10 38 Fx with all four bits set from `selection`.
std::array<std::uint8_t, 4> CommittedSwitchMessage(const LnbSelection& selection);

// What a committed-switch message (framing E0 or E1, any address 1x) does to `current`; nothing
// for any other message. The data byte's high nibble says which of the low four bits it sets.
std::optional<LnbSelection> ApplyCommittedSwitch(std::span<const std::uint8_t> message,
                                                 const LnbSelection& current);

}  // namespace cardkit
