// The lock that keeps the program's own single-cable commands apart. A command lasts about
// 68 ms (5 bytes) or 81 ms (6 bytes with a PIN) on the cable, and the router hears nothing when
// two receivers talk at once, so a tuner holds this lock from raising the line to 18 V, through
// the message, until it drops back to 13 V. Which tuners share a cable is the user's wiring and
// unknown to the program, so every tuner of the program takes the same lock.
//
// Any thread; held only for the few tens of milliseconds of one command.
#pragma once

#include <mutex>

namespace linuxdvb {

std::mutex& SingleCableLock();

}  // namespace linuxdvb
