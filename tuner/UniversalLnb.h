// The universal LNB every tune assumes, kHz: the oscillators of its low and high band and the
// frequency from which a tune takes the high band (the 22 kHz tone on).
#pragma once

#include <cstdint>

inline constexpr std::int32_t kLowOscillatorKHz = 9'750'000;
inline constexpr std::int32_t kHighOscillatorKHz = 10'600'000;
inline constexpr std::int32_t kLnbSwitchKHz = 11'700'000;
