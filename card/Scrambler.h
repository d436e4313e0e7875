// Scrambling of transport packets as the CAM's descrambler undoes it. The payload is mixed
// with a key stream derived from the PID, the continuity counter and the service's control
// word; the scrambling control bits say "scrambled with the even key".
#pragma once

#include <cstdint>
#include <vector>

namespace card {

void ScramblePacket(std::uint8_t* packet);
// Leaves clear packets unchanged.
void DescramblePacket(std::uint8_t* packet);
bool IsScrambled(const std::uint8_t* packet);

bool HasScrambledPackets(const std::vector<std::uint8_t>& packets);
void DescramblePackets(std::vector<std::uint8_t>& packets);

}  // namespace card
