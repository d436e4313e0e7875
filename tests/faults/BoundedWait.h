// Waits of the fault run. Every one is bounded and generous: running out of it means that
// something hangs, not that the machine is slow.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <functional>
#include <thread>

inline constexpr auto kWaitLimit = std::chrono::seconds(20);

// Polls `condition` until it holds (true) or the wait runs out (false).
inline bool WaitUntil(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + kWaitLimit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// The milliseconds left until `time`; 0 once it has come.
inline std::uint32_t MillisecondsUntil(std::chrono::steady_clock::time_point time) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        time - std::chrono::steady_clock::now());
    return static_cast<std::uint32_t>(std::max<std::int64_t>(left.count(), 0));
}
