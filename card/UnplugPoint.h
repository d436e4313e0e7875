// When the simulated card is pulled out: as the n-th spectrum step or the n-th tune of either
// tuner reaches it (that request already finds the card gone). From then on its drivers answer
// as a real card's do once dvb-core has unregistered it (SimulatedCard::Unplug). Lets a test or
// a user rehearse a card that goes away mid-run, such as in the middle of a scan.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace card {

struct UnplugPoint {
    enum class Request { SpectrumStep, Tune };
    Request request = Request::SpectrumStep;
    std::uint32_t count = 1;  // 1 or more
};

// "step:N" or "tune:N", N from 1; nullopt with `error` set (one line) for anything else.
std::optional<UnplugPoint> ParseUnplugPoint(std::string_view text, std::string& error);

}  // namespace card
