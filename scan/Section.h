// A long-form PSI/SI section (section syntax indicator set), as the PAT, SDT and NIT are sent:
// its header checked against the bytes that carry it and its CRC-32 verified. Everything inside
// comes from the air, so nothing here trusts a length it has not measured against the buffer.
//
// Pure functions over buffers; any thread.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace scan {

using Bytes = std::vector<std::uint8_t>;
using ByteSpan = std::span<const std::uint8_t>;

// The largest section_length the PAT, SDT and NIT may give.
inline constexpr std::size_t kMaxSiSectionLength = 1021;

struct SectionHeader {
    std::uint8_t tableId = 0;
    std::uint16_t idExtension = 0;  // the PAT's and SDT's TSID, the NIT's network id
    std::uint8_t version = 0;       // 0..31
    bool current = true;            // current_next_indicator
    std::uint8_t number = 0;        // section_number
    std::uint8_t lastNumber = 0;    // last_section_number
};

struct CheckedSection {
    SectionHeader header;
    ByteSpan bytes;  // the whole section, CRC included
    ByteSpan body;   // after the 8 header bytes, before the CRC
};

// The section at the start of `bytes` (bytes after it are ignored), or nullopt when it is not a
// long-form section, its length is under the minimum, over kMaxSiSectionLength or beyond
// `bytes`, its section number exceeds its last, or its CRC does not check. `bytes` and `body`
// point into the argument.
std::optional<CheckedSection> CheckSection(ByteSpan bytes);

// Calls `each(tag, body)` for every descriptor of a descriptor loop; false, after the
// descriptors before it, when a descriptor's length runs past the loop.
bool ForEachDescriptor(ByteSpan loop, const std::function<void(std::uint8_t, ByteSpan)>& each);

// Big-endian fields and the 12-bit lengths that lead each loop.
inline std::uint16_t Read16(ByteSpan b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] << 8 | b[at + 1]);
}
inline std::uint16_t Read12(ByteSpan b, std::size_t at) {
    return static_cast<std::uint16_t>((b[at] & 0x0F) << 8 | b[at + 1]);
}

}  // namespace scan
