// The channel change that asks a single-cable router to put a transponder on the tuner's user
// band, and where the tuner then finds it: EN 50494's ODU_Channel_change (E0 10 5A d1 d2, or
// E0 10 5C d1 d2 PIN) or EN 50607's (70 d1 d2 d3, or 71 d1 d2 d3 PIN), as the configuration's
// protocol says.
#pragma once

#include <cstdint>
#include <vector>

#include "cardkit/ScifConfig.h"

namespace cardkit {

// The router's bank: LNB position, polarisation and band. EN 50494 carries positions A and B
// only (bit 4 of d1); EN 50607 carries 64 (d3).
struct SingleCableBank {
    std::uint32_t position = 0;  // 0 = A, 1 = B, ...
    bool horizontal = false;
    bool highBand = false;
};

// The bank that serves LNB source `source` (1..4, or 0 without DiSEqC): an EN 50494 router
// reaches A from sources 1 and 3 and B from 2 and 4; an EN 50607 router reaches each source.
SingleCableBank BankFor(const ScifConfig& config, int source, bool horizontal, bool highBand);

struct ChannelChange {
    std::vector<std::uint8_t> message;  // EN 50494: 5 bytes, or 6 with the PIN; EN 50607: 4 or 5
    // EN 50494: T = round((f_IF + f_UB) / 4 MHz) - 350, 10 bits. EN 50607: T = round(f_IF) - 100,
    // 11 bits.
    std::uint32_t tuningWord = 0;
    // False when T does not fit its bits: the message then carries its low bits only, and
    // names another transponder, so it must not be sent.
    bool fits = false;
    // Where the demodulator finds the transponder, MHz: EN 50494 (T + 350) x 4 - f_IF (f_UB
    // within 2 MHz); EN 50607 the user band itself.
    double tuneMHz = 0;
    // The LNB frequency that the router puts exactly on the user band: EN 50494
    // (T + 350) x 4 - f_UB; EN 50607 T + 100.
    double routedIfMHz = 0;
};

// The channel change for the transponder at `ifMHz` (the LNB's output frequency) on the user
// band and PIN of `config` (which must be enabled).
ChannelChange MakeChannelChange(const ScifConfig& config, const SingleCableBank& bank,
                                double ifMHz);

}  // namespace cardkit
