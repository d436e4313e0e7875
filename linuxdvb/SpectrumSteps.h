// Spectrum steps on one frontend: each step tunes a 1 Msym/s carrier in one-shot mode (the
// frontend neither zigzags around the step nor keeps retuning it), so a step reads the level
// of a slice about as wide as the 2 MHz between steps, and then waits the settle time.
//
// Some demodulators search in the kernel whatever the tune mode and make every status or
// strength read wait for that search, whose time-out grows as the symbol rate falls (seconds
// below 2 Msym/s): a 601-step sweep at 1 Msym/s would take the better part of an hour on them.
// Once a read during a step takes longer than 150 ms, the steps go at 22 Msym/s instead, where
// their search gives up after a few hundred milliseconds: the sweep then takes minutes, at the
// price of each step reading the level over about 30 MHz (carriers show wider and the floor
// between them less).
//
// Enter, Step and Leave: under the tuner driver's lock. Stepping and NoteRead: any thread (the
// meters read without that lock).
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>

#include "linuxdvb/DeliveryTries.h"
#include "linuxdvb/Frontend.h"

namespace linuxdvb {

class SpectrumSteps {
public:
    // `settleScale` multiplies the settle time (1 on a real card, smaller where time matters
    // more than accuracy); the symbol rates are the frontend's limits (max 0: not given).
    SpectrumSteps(Frontend& frontend, std::uint32_t minSymbolRate, std::uint32_t maxSymbolRate,
                  double settleScale);

    // Into one-shot mode, unless already there; 0 or the kernel's -errno.
    int Enter();
    // One step at `frequencyKHz` with `plain` (the plainest modulation), then `settleMs` scaled;
    // 0 or the kernel's -errno.
    int Step(std::uint32_t frequencyKHz, std::uint32_t settleMs, const Modulation& plain);
    // Back to the normal tune mode, when steps were made.
    void Leave();
    bool Stepping() const { return m_oneShot; }
    // A status read took `took` on the frontend's clock.
    void NoteRead(std::chrono::steady_clock::duration took);

private:
    std::uint32_t StepSymbolRate() const;

    Frontend& m_frontend;
    const std::uint32_t m_minSymbolRate;
    const std::uint32_t m_maxSymbolRate;
    const double m_settleScale;
    std::atomic<bool> m_oneShot{false};    // steps in progress
    std::atomic<bool> m_wideSteps{false};  // reads block on a search in the kernel
};

}  // namespace linuxdvb
