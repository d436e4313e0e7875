// Finding the first of a few characters in text eight bytes at a time: the list reader spends
// most of its time looking for line ends, delimiters and bytes that need decoding, and a word
// at a time is several times fewer steps than a character at a time.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace orvalen::wordscan {

// The lanes below are counted from the lowest address, which is the low end of a word loaded
// on a little-endian host (the only kind this program is built for).
static_assert(std::endian::native == std::endian::little);

inline constexpr std::uint64_t kByteOnes = 0x0101010101010101;
inline constexpr std::uint64_t kByteTops = 0x8080808080808080;
inline constexpr std::uint64_t kUnitOnes = 0x0001000100010001;
inline constexpr std::uint64_t kUnitTops = 0x8000800080008000;

// The eight bytes at `p`, which need not be aligned.
inline std::uint64_t Load(const void* p) {
    std::uint64_t word;
    std::memcpy(&word, p, sizeof word);
    return word;
}

// The lanes of `word` that are zero, each flagged by its top bit. Only the first flagged lane is
// exact (a borrow out of a zero lane may flag the one after it), which is all a scan for the
// first match needs.
constexpr std::uint64_t ZeroBytes(std::uint64_t word) {
    return (word - kByteOnes) & ~word & kByteTops;
}
constexpr std::uint64_t ZeroUnits(std::uint64_t word) {
    return (word - kUnitOnes) & ~word & kUnitTops;
}

// The lanes equal to `c`, flagged as above.
constexpr std::uint64_t BytesEqual(std::uint64_t word, std::uint8_t c) {
    return ZeroBytes(word ^ (kByteOnes * c));
}
constexpr std::uint64_t UnitsEqual(std::uint64_t word, char16_t c) {
    return ZeroUnits(word ^ (kUnitOnes * c));
}

// The index of the first flagged lane; `flags` must not be 0.
inline std::size_t FirstByte(std::uint64_t flags) {
    return static_cast<std::size_t>(std::countr_zero(flags)) / 8;
}
inline std::size_t FirstUnit(std::uint64_t flags) {
    return static_cast<std::size_t>(std::countr_zero(flags)) / 16;
}

}  // namespace orvalen::wordscan
