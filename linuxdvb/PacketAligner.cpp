#include "linuxdvb/PacketAligner.h"

#include "platform/FilterGraphInterfaces.h"

namespace linuxdvb {
namespace {

constexpr std::uint8_t kSync = 0x47;

// Whether a packet starts at `at`: its sync byte, and the next packet's when there is one.
bool PacketStartsAt(std::span<const std::uint8_t> data, std::size_t at) {
    if (data[at] != kSync) return false;
    const std::size_t next = at + kTransportPacketSize;
    return next >= data.size() || data[next] == kSync;
}

}  // namespace

std::size_t PacketAligner::Take(std::span<const std::uint8_t> bytes,
                                std::vector<std::uint8_t>& packets) {
    // Whole packets straight from `bytes` when nothing is pending: the usual case, no copy.
    std::span<const std::uint8_t> data = bytes;
    if (!m_pending.empty()) {
        m_pending.insert(m_pending.end(), bytes.begin(), bytes.end());
        data = m_pending;
    }
    std::size_t at = 0;
    std::size_t skipped = 0;
    while (data.size() - at >= kTransportPacketSize) {
        if (PacketStartsAt(data, at)) {
            // Copy the run of packets that keep their sync bytes.
            std::size_t end = at + kTransportPacketSize;
            while (data.size() - end >= kTransportPacketSize && PacketStartsAt(data, end))
                end += kTransportPacketSize;
            packets.insert(packets.end(), data.begin() + static_cast<std::ptrdiff_t>(at),
                           data.begin() + static_cast<std::ptrdiff_t>(end));
            at = end;
        } else {
            ++at;
            ++skipped;
        }
    }
    // What remains is a packet's start (or noise that the next bytes will decide about).
    if (data.data() == m_pending.data())
        m_pending.erase(m_pending.begin(), m_pending.begin() + static_cast<std::ptrdiff_t>(at));
    else
        m_pending.assign(data.begin() + static_cast<std::ptrdiff_t>(at), data.end());
    return skipped;
}

}  // namespace linuxdvb
