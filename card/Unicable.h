// Single-cable reception (EN 50494) as the simulated router does it: which bank it serves for
// the LNB state a tuner asks for.
#pragma once

#include "card/SignalModel.h"
#include "cardkit/ScifConfig.h"
#include "cardkit/SingleCable.h"

namespace card {

using cardkit::IsValidScif;
using cardkit::kScifBandOff;
using cardkit::kScifUnset;
using cardkit::ScifConfig;

// The router knows two positions (A, B): positions 1 and 3 reach A, 2 and 4 reach B.
LnbState RouterBank(const LnbState& state);

// The bank bits of the channel change that asks for `state`.
cardkit::SingleCableBank BankOf(const LnbState& state);

}  // namespace card
