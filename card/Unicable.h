// Single-cable reception (EN 50494): the tuner's stored configuration, and the
// ODU_Channel_change message that asks the single-cable router to put the wanted transponder on
// the tuner's user band.
#pragma once

#include <cstdint>
#include <vector>

#include "card/SignalModel.h"
#include "cardkit/ScifConfig.h"

namespace card {

using cardkit::IsValidScif;
using cardkit::kScifBandOff;
using cardkit::kScifUnset;
using cardkit::ScifConfig;

struct ChannelChange {
    std::vector<std::uint8_t> message;  // 0x5A, or 0x5C with the PIN
    double selectedIfMHz = 0;           // the LNB frequency the router puts on the user band
};

// The router knows two positions (A, B): positions 1 and 3 reach A, 2 and 4 reach B.
ChannelChange MakeChannelChange(const ScifConfig& config, const LnbState& state, double ifMHz);

// The LNB state a single-cable router selects for `state`.
LnbState RouterBank(const LnbState& state);

}  // namespace card
