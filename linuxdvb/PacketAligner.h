// Cuts the dvr's byte stream into whole 188-byte transport packets, in place. A read may end
// inside a packet (its start is carried over to go in front of the next read), and after an
// overflow or on a bad start the stream may not begin on a packet: then bytes are dropped up to
// a 0x47 sync byte that is followed by another one a packet later (or that starts the rest of
// the data).
//
// Not thread-safe: used by the dvr reader's thread only.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/FilterGraphInterfaces.h"

namespace linuxdvb {

class PacketAligner {
public:
    // The start of a packet left over from the last block: the caller puts it in front of the
    // next block's fresh bytes.
    std::span<const std::uint8_t> Carried() const { return {m_carried.data(), m_carriedBytes}; }

    // `block` is Carried() followed by fresh bytes. Leaves only its whole packets in it (in
    // order) and carries over what may still become one. Returns the bytes dropped to regain
    // sync.
    std::size_t Cut(std::vector<std::uint8_t>& block);

    // Forgets the carried bytes (after a gap in the stream).
    void Reset() { m_carriedBytes = 0; }

private:
    std::array<std::uint8_t, kTransportPacketSize> m_carried{};
    std::size_t m_carriedBytes = 0;
};

}  // namespace linuxdvb
