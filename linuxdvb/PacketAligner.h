// Cuts the dvr's byte stream into whole 188-byte transport packets. A read may end inside a
// packet (the rest follows in the next read), and after an overflow or on a bad start the
// stream may not begin on a packet: then bytes are skipped up to a 0x47 sync byte that is
// followed by another one a packet later (or that starts the rest of the data).
//
// Not thread-safe: used by the dvr reader's thread only.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace linuxdvb {

class PacketAligner {
public:
    // Appends `bytes` and moves every whole packet now available to the end of `packets`.
    // Returns the number of bytes skipped to regain sync.
    std::size_t Take(std::span<const std::uint8_t> bytes, std::vector<std::uint8_t>& packets);
    // Forgets a partial packet (after a gap in the stream).
    void Reset() { m_pending.clear(); }

private:
    std::vector<std::uint8_t> m_pending;
};

}  // namespace linuxdvb
