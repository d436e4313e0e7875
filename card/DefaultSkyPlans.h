// The texts of the default sky's transponder plans, card/sky/*.csv compiled into the card, in
// DiSEqC position order (A to D). The build generates their definition from the files.
#pragma once

#include <array>
#include <string_view>

namespace card {

extern const std::array<std::string_view, 4> kDefaultSkyPlans;

}  // namespace card
