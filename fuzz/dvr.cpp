// Arbitrary bytes from the dvr, cut into reads of arbitrary sizes: only whole packets that
// start with their sync byte come out, and every byte comes out at most once.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "linuxdvb/PacketAligner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    // The first byte sets the read size, as short reads from the kernel would.
    const std::size_t readSize = 1 + data[0] * 3;
    linuxdvb::PacketAligner aligner;
    std::size_t out = 0, dropped = 0;
    for (std::size_t at = 1; at < size; at += readSize) {
        const std::size_t n = std::min(readSize, size - at);
        const auto carried = aligner.Carried();
        std::vector<std::uint8_t> block(carried.begin(), carried.end());
        block.insert(block.end(), data + at, data + at + n);
        dropped += aligner.Cut(block);
        if (block.size() % 188 != 0) __builtin_trap();
        for (std::size_t p = 0; p < block.size(); p += 188)
            if (block[p] != 0x47) __builtin_trap();
        out += block.size();
        if (at % 7 == 0) aligner.Reset();  // an overflow now and then
    }
    if (out + dropped > size - 1) __builtin_trap();
    return 0;
}
