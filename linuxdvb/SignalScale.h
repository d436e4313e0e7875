// How the frontend's signal statistics become the program's level and quality.
//
// Level: the program shows (100000 - strength) / 1000 as dB on a 30..80 dB picture, where the
// card's own driver reports the input level in dBµV. The kernel's decibel scale is dBm (0.001
// dB steps); a satellite carrier reaches a tuner at about -70..-25 dBm, and in dBµV across the
// 75 Ω input that is dBm + 108.75, i.e. 39..84: the same picture. The relative scale (and the
// legacy 16-bit reading) says nothing absolute, so 0..65535 is spread linearly over 30..80 dB.
//
// Quality: what matters to a viewer is the margin above the C/N that the locked system,
// modulation and code rate need for quasi-error-free reception. The margin is shown as 0..100
// % over the first 10 dB (1 % while locked at or below the threshold). A code rate the
// demodulator does not report counts as the rate that needs the least, since lock proves that
// much. A relative C/N reading is spread linearly over 0..100 %.
//
// Pure functions; any thread.
#pragma once

#include <cstdint>
#include <optional>

#include "linuxdvb/Frontend.h"

namespace linuxdvb {

// Level in 0.001 dB on the program's scale; nothing when the reading is not available.
std::optional<std::int32_t> LevelFromStrength(const FrontendStat& strength);
std::int32_t LevelFromRelative(std::uint16_t value);

// C/N in 0.001 dB that `system` with `modulation` at `codeRate` needs (the kernel's enum
// values); for FEC_AUTO or an unknown rate, the least that modulation needs.
std::int32_t RequiredCnr(std::uint32_t system, std::uint32_t modulation, std::uint32_t codeRate);

// Quality in percent of a locked signal, 1..100; nothing when the C/N is not available.
std::optional<std::int32_t> QualityFromCnr(const LockedSignal& locked);
std::int32_t QualityFromRelative(std::uint16_t value);

}  // namespace linuxdvb
