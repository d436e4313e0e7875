// Single-cable reception as the simulated router does it: which bank it serves for the LNB
// state a tuner asks for, under either protocol (EN 50494 or EN 50607).
#pragma once

#include "card/SignalModel.h"
#include "cardkit/ScifConfig.h"
#include "cardkit/SingleCable.h"

namespace card {

using cardkit::IsValidScif;
using cardkit::kScifBandOff;
using cardkit::kScifUnset;
using cardkit::ScifConfig;

// What the router delivers for `state`: an EN 50494 router knows two positions (A, B), so
// positions 1 and 3 reach A and 2 and 4 reach B; an EN 50607 router reaches all four.
LnbState RouterBank(const LnbState& state, const ScifConfig& config);

// The bank of the channel change that asks for `state`.
cardkit::SingleCableBank BankOf(const LnbState& state, const ScifConfig& config);

}  // namespace card
