// A small transport-stream checker for the tests: counts packets per PID, checks sync bytes
// and continuity counters, notes scrambled packets and reassembles the first section of a PID.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <vector>

namespace cardtest {

struct TsReader {
    void Add(const std::vector<std::uint8_t>& bytes);
    // The first complete section on `pid`, or nothing.
    std::vector<std::uint8_t> FirstSection(std::uint16_t pid) const;
    // The TSID of the first PAT.
    int FirstTsid() const;

    std::size_t packets = 0;
    std::size_t errors = 0;  // bad sync bytes or a length that is not whole packets
    std::size_t continuityErrors = 0;
    std::map<std::uint16_t, std::size_t> packetsByPid;
    std::map<std::uint16_t, std::size_t> scrambledByPid;
    std::map<std::uint16_t, int> lastContinuity;
    std::vector<std::uint8_t> stream;
};

}  // namespace cardtest
