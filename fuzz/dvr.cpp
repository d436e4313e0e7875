// Arbitrary bytes from the dvr, cut into reads of arbitrary sizes: only whole packets that
// start with their sync byte come out, and every byte comes out at most once.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "linuxdvb/PacketAligner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte sets the read size, as short reads from the kernel would.
    const std::size_t readSize = 1 + data[0] * 3;
    linuxdvb::PacketAligner aligner;
    std::vector<std::uint8_t> packets;
    std::size_t skipped = 0;
    for (std::size_t at = 1; at < size; at += readSize) {
        const std::size_t n = std::min(readSize, size - at);
        skipped += aligner.Take({data + at, n}, packets);
        if (at % 7 == 0) aligner.Reset();  // an overflow now and then
    }
    if (packets.size() % 188 != 0 || packets.size() + skipped > size - 1) __builtin_trap();
    for (std::size_t p = 0; p < packets.size(); p += 188)
        if (packets[p] != 0x47) __builtin_trap();
    return 0;
}
