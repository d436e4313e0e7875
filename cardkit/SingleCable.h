// The EN 50494 ODU_Channel_change message (E0 10 5A d1 d2, or E0 10 5C d1 d2 PIN) that asks a
// single-cable router to put a transponder on the tuner's user band, and where the tuner then
// finds it. Which bank a router serves for an LNB source is the router's business, not this
// format's: the caller names the bank.
#pragma once

#include <cstdint>
#include <vector>

#include "cardkit/ScifConfig.h"

namespace cardkit {

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
    // The LNB frequency that the router puts exactly on the user band: (T + 350) x 4 - f_UB.
    double routedIfMHz = 0;
};

// The channel change for the transponder at `ifMHz` (the LNB's output frequency) on the user
// band and PIN of `config` (which must be enabled).
ChannelChange MakeChannelChange(const ScifConfig& config, const SingleCableBank& bank,
                                double ifMHz);

}  // namespace cardkit
