#include "linuxdvb/PacketAligner.h"

#include <algorithm>
#include <cstring>

namespace linuxdvb {
namespace {

constexpr std::uint8_t kSync = 0x47;

// Whether a packet starts at `at`: its sync byte, and the next packet's when there is one.
bool PacketStartsAt(const std::vector<std::uint8_t>& data, std::size_t at) {
    if (data[at] != kSync) return false;
    const std::size_t next = at + kTransportPacketSize;
    return next >= data.size() || data[next] == kSync;
}

}  // namespace

std::size_t PacketAligner::Cut(std::vector<std::uint8_t>& block) {
    std::size_t kept = 0;  // whole packets moved to the front so far
    std::size_t at = 0;
    std::size_t dropped = 0;
    while (block.size() - at >= kTransportPacketSize) {
        if (!PacketStartsAt(block, at)) {
            ++at;
            ++dropped;
            continue;
        }
        // The run of packets that keep their sync bytes; in step, nothing moves.
        std::size_t end = at + kTransportPacketSize;
        while (block.size() - end >= kTransportPacketSize && PacketStartsAt(block, end))
            end += kTransportPacketSize;
        if (kept != at) std::memmove(block.data() + kept, block.data() + at, end - at);
        kept += end - at;
        at = end;
    }
    // What remains is a packet's start, or noise that the next bytes will decide about.
    m_carriedBytes = block.size() - at;
    std::copy(block.begin() + static_cast<std::ptrdiff_t>(at), block.end(), m_carried.begin());
    block.resize(kept);
    return dropped;
}

}  // namespace linuxdvb
