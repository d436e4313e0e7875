// Byte buffers as the stack reads and writes them: everything on the wire is big-endian.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace linuxdvb::en50221 {

using Bytes = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

inline void AppendBe16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

inline void AppendBe32(Bytes& out, std::uint32_t value) {
    AppendBe16(out, static_cast<std::uint16_t>(value >> 16));
    AppendBe16(out, static_cast<std::uint16_t>(value));
}

inline std::uint16_t ReadBe16(ByteView in) {
    return static_cast<std::uint16_t>(in[0] << 8 | in[1]);
}

inline std::uint32_t ReadBe32(ByteView in) {
    return static_cast<std::uint32_t>(ReadBe16(in)) << 16 | ReadBe16(in.subspan(2));
}

}  // namespace linuxdvb::en50221
