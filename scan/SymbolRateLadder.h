// The symbol rates worth trying for a carrier whose rate is known only as a sweep's estimate:
// the rates satellite operators use that lie near it. A demodulator locks only within a few
// percent of the true rate, and the estimate from 2 MHz steps may be off by 7 % on wide
// carriers and by 2.5 Msymbol/s on narrow ones.
//
// Pure; any thread.
#pragma once

#include <cstdint>
#include <vector>

namespace scan {

// Below this estimate (ksymbol/s) the sweep's steps are too coarse for the estimate alone.
inline constexpr std::int32_t kNarrowCarrierRate = 10'000;

// The rates (ksymbol/s) to try for `estimate`, in order: the nearest common rate, the estimate
// itself, then the next nearest common rates within 25 % (or 2.5 Msymbol/s); four at most.
std::vector<std::int32_t> RatesToTry(std::int32_t estimate);

}  // namespace scan
