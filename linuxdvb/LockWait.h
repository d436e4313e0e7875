// How long a tune waits for the demodulator to lock before it gives up on a delivery system.
//
// Demodulators take longer at low symbol rates (their carrier and timing search covers a wider
// offset in symbols, and the frame search needs more time per frame), on weak carriers, and on
// the first tune after the LNB powers up (its oscillator is still settling). A fixed wait of a
// few hundred milliseconds misses those locks; a long fixed wait makes every missing carrier
// cost seconds per system. So a tune waits until the first of: lock; the frontend saying it
// gave up (FE_TIMEDOUT, which drivers that search on their own report); a cap of 1 s plus 3 s
// per (1 Msym/s / symbol rate), at most 4 s (1.1 s at 27.5 Msym/s, 2.5 s at 2 Msym/s, 4 s at
// 1 Msym/s), and half a second more right after power-up.
//
// Not thread-safe: called by the tuner driver under its tune lock.
#pragma once

#include <chrono>
#include <cstdint>

#include "linuxdvb/Frontend.h"

namespace linuxdvb {

std::chrono::milliseconds LockWaitCap(std::uint32_t symbolRate, bool afterPowerUp);

// Reads the status every 20 ms until lock (true), FE_TIMEDOUT or `cap` on the frontend's clock.
bool WaitForLock(Frontend& frontend, std::chrono::milliseconds cap);

}  // namespace linuxdvb
