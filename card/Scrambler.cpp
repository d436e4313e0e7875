#include "card/Scrambler.h"

#include "platform/FilterGraphInterfaces.h"

namespace card {
namespace {

constexpr std::uint32_t kControlWord = 0x5EC12E7Bu;
constexpr std::uint8_t kScramblingMask = 0xC0;
constexpr std::uint8_t kEvenKey = 0x80;
constexpr std::size_t kHeaderSize = 4;

void MixPayload(std::uint8_t* packet) {
    const std::uint32_t pid = ((packet[1] & 0x1Fu) << 8) | packet[2];
    std::uint32_t state = kControlWord ^ (pid << 4) ^ (packet[3] & 0x0Fu);
    for (std::size_t i = kHeaderSize; i < kTransportPacketSize; ++i) {
        state ^= state << 13;  // xorshift32
        state ^= state >> 17;
        state ^= state << 5;
        packet[i] ^= static_cast<std::uint8_t>(state);
    }
}

}  // namespace

bool IsScrambled(const std::uint8_t* packet) { return (packet[3] & kScramblingMask) != 0; }

void ScramblePacket(std::uint8_t* packet) {
    if (IsScrambled(packet)) return;
    MixPayload(packet);
    packet[3] = static_cast<std::uint8_t>((packet[3] & ~kScramblingMask) | kEvenKey);
}

void DescramblePacket(std::uint8_t* packet) {
    if (!IsScrambled(packet)) return;
    MixPayload(packet);
    packet[3] &= static_cast<std::uint8_t>(~kScramblingMask);
}

bool HasScrambledPackets(const std::vector<std::uint8_t>& packets) {
    for (std::size_t at = 0; at + kTransportPacketSize <= packets.size(); at += kTransportPacketSize)
        if (IsScrambled(&packets[at])) return true;
    return false;
}

void DescramblePackets(std::vector<std::uint8_t>& packets) {
    for (std::size_t at = 0; at + kTransportPacketSize <= packets.size(); at += kTransportPacketSize)
        DescramblePacket(&packets[at]);
}

}  // namespace card
