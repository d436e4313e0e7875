// The LNB messages this backend sends until the shared builders of every driver of the card
// are available: the committed-switch message (E0 10 38 Fx) and the EN 50494 channel change.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "cardkit/ScifConfig.h"

namespace linuxdvb {
using cardkit::ScifConfig;

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

// The router's bank: position A or B, polarisation and band (bits 4, 3, 2 of d1).
struct SingleCableBank {
    bool positionB = false;
    bool horizontal = false;
    bool highBand = false;
};

struct ChannelChange {
    std::vector<std::uint8_t> message;  // 5 bytes, or 6 with the PIN
    // T = round((f_IF + f_UB) / 4 MHz) - 350, 10 bits.
    std::uint32_t tuningWord = 0;
    // Where the demodulator finds the transponder: (T + 350) x 4 - f_IF, MHz (f_UB within 2 MHz).
    double tuneMHz = 0;
};

// The channel change for the transponder at `ifMHz` (the LNB's output frequency) on the user
// band and PIN of `config` (which must be enabled).
ChannelChange MakeChannelChange(const ScifConfig& config, const SingleCableBank& bank,
                                double ifMHz);

}  // namespace linuxdvb
