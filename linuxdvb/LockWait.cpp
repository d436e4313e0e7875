#include "linuxdvb/LockWait.h"

#include <algorithm>

namespace linuxdvb {
namespace {

using namespace std::chrono_literals;

constexpr auto kPoll = 20ms;
constexpr auto kBaseWait = 1000ms;
constexpr double kWaitPerInverseMsym = 3000.0;  // ms at 1 Msym/s
constexpr auto kLongestWait = 4000ms;
constexpr auto kPowerUpWait = 500ms;

}  // namespace

std::chrono::milliseconds LockWaitCap(std::uint32_t symbolRate, bool afterPowerUp) {
    const double msym = std::max(symbolRate, 1u) / 1e6;
    const auto slow = std::chrono::milliseconds(static_cast<long>(kWaitPerInverseMsym / msym));
    return std::min(kBaseWait + slow, kLongestWait) + (afterPowerUp ? kPowerUpWait : 0ms);
}

bool WaitForLock(Frontend& frontend, std::chrono::milliseconds cap) {
    const auto deadline = frontend.Now() + cap;
    for (;;) {
        const fe_status_t status = frontend.Status();
        if (status & FE_HAS_LOCK) return true;
        if ((status & FE_TIMEDOUT) || frontend.Now() >= deadline) return false;
        frontend.Pause(kPoll);
    }
}

}  // namespace linuxdvb
