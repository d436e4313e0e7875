// The level and quality meters of both tuners as the client view shows them: index 0 is tuner 1,
// index 1 tuner 2. Levels are in thousandths of a decibel, qualities in percent; the values are
// taken as unsigned, as the tuner's status reports them.
#pragma once

#include <cstdint>

struct SignalMeters {
    std::uint32_t m_level[2] = {0, 0};
    std::uint32_t m_peakLevel[2] = {0, 0};
    std::uint32_t m_quality[2] = {0, 0};
    std::uint32_t m_peakQuality[2] = {0, 0};

    // Zeroes the four values of one tuner (a new tune starts a new peak hold).
    void Reset(int tunerIndex);
    // Shows a new status: the current values follow it, the peaks only rise.
    void Update(int tunerIndex, std::uint32_t level, std::uint32_t quality);
};
