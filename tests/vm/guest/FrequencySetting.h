// The frequencies under test, as the harness gives them to the guest (ORVALEN_VM_FREQS, Ku-band
// MHz, comma-separated) and as everything the guest checks follows from them: the IF each one
// reaches the tuner at behind a universal LNB, the sweep point that carries it, and a
// single-cable set-up whose tuning word lands on one of them.
//
// Any thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace vm {

// The universal LNB that vidtv and the program both assume.
inline constexpr std::uint32_t kLowOscillatorMHz = 9750;
inline constexpr std::uint32_t kHighOscillatorMHz = 10600;
inline constexpr std::uint32_t kBandSwitchMHz = 11700;

// The sweep: 950..2150 MHz in 2 MHz steps.
inline constexpr std::uint32_t kSweepFirstMHz = 950;
inline constexpr std::uint32_t kSweepStepMHz = 2;
inline constexpr int kSweepPoints = 601;

struct Transponder {
    std::uint32_t kuMHz = 0;
    std::uint32_t ifMHz = 0;
    bool highBand = false;

    std::uint32_t KuKHz() const { return kuMHz * 1000; }
    // Index of the sweep point at the IF.
    int SweepPoint() const { return static_cast<int>((ifMHz - kSweepFirstMHz) / kSweepStepMHz); }
};

Transponder TransponderAt(std::uint32_t kuMHz);

// The list, or nothing when `text` is not a comma-separated list of whole MHz.
std::optional<std::vector<Transponder>> ParseFrequencies(std::string_view text);

// ORVALEN_VM_FREQS of this process; ends the program with a message when it is missing or not
// a list (the harness always sets it).
const std::vector<Transponder>& FrequenciesUnderTest();

// A single-cable set-up for the EN 50494 check: the router is asked for `wanted` (a Ku
// frequency vidtv does not carry, so it locks only through the router) on a user band at
// `userBandMHz`, which is the IF of a transponder vidtv does carry; the tuning word T puts the
// tuner exactly there.
struct SingleCablePlan {
    Transponder wanted;
    std::uint32_t userBand = 0;  // slot - 1
    std::uint32_t userBandMHz = 0;
    std::uint32_t tuningWord = 0;
    std::uint32_t tuneMHz = 0;  // (T + 350) x 4 - IF of `wanted`
};

SingleCablePlan PlanSingleCable(const std::vector<Transponder>& carried);

}  // namespace vm
