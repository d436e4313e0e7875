#include "FrequencySetting.h"

#include <charconv>
#include <cstdlib>
#include <iostream>

namespace vm {
namespace {

// How far from every carried IF the single-cable check's own transponder stays, so that a plain
// tune to it cannot lock.
constexpr std::uint32_t kClearOfCarriersMHz = 30;
constexpr std::uint32_t kUserBand = 2;  // slot 3: the slot bits of the message are not all 0

bool ClearOf(std::uint32_t ifMHz, const std::vector<Transponder>& carried) {
    for (const Transponder& t : carried) {
        const std::uint32_t gap = ifMHz > t.ifMHz ? ifMHz - t.ifMHz : t.ifMHz - ifMHz;
        if (gap < kClearOfCarriersMHz) return false;
    }
    return true;
}

}  // namespace

Transponder TransponderAt(std::uint32_t kuMHz) {
    const bool high = kuMHz >= kBandSwitchMHz;
    return {kuMHz, kuMHz - (high ? kHighOscillatorMHz : kLowOscillatorMHz), high};
}

std::optional<std::vector<Transponder>> ParseFrequencies(std::string_view text) {
    std::vector<Transponder> list;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = text.substr(0, comma);
        std::uint32_t mhz = 0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), mhz);
        if (error != std::errc{} || end != item.data() + item.size() || item.empty())
            return std::nullopt;
        list.push_back(TransponderAt(mhz));
        text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    }
    if (list.empty()) return std::nullopt;
    return list;
}

const std::vector<Transponder>& FrequenciesUnderTest() {
    static const std::vector<Transponder> list = [] {
        const char* text = std::getenv("ORVALEN_VM_FREQS");
        std::optional<std::vector<Transponder>> parsed =
            text ? ParseFrequencies(text) : std::nullopt;
        if (!parsed) {
            std::cerr << "ORVALEN_VM_FREQS must hold the Ku-band MHz that vidtv carries\n";
            std::exit(2);
        }
        return *parsed;
    }();
    return list;
}

SingleCablePlan PlanSingleCable(const std::vector<Transponder>& carried) {
    SingleCablePlan plan;
    plan.userBand = kUserBand;
    plan.userBandMHz = carried.front().ifMHz;
    // T = floor((IF + f_UB + 2) / 4) - 350 puts the tuner exactly on f_UB when IF + f_UB is a
    // multiple of 4: find such an IF in the low band, clear of every carrier.
    for (std::uint32_t ifMHz = kSweepFirstMHz; ifMHz < kBandSwitchMHz - kLowOscillatorMHz;
         ++ifMHz) {
        if ((ifMHz + plan.userBandMHz) % 4 != 0 || !ClearOf(ifMHz, carried)) continue;
        plan.wanted = TransponderAt(ifMHz + kLowOscillatorMHz);
        break;
    }
    plan.tuningWord = (plan.wanted.ifMHz + plan.userBandMHz + 2) / 4 - 350;
    plan.tuneMHz = (plan.tuningWord + 350) * 4 - plan.wanted.ifMHz;
    return plan;
}

}  // namespace vm
