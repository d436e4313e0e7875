// A request whose whole data is one 32-bit word: DiSEqC on/off, the LNB source, the CI mode.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "tuner/driver/ByteOrder.h"

inline constexpr std::size_t kDriverWordSize = 4;

inline std::array<std::uint8_t, kDriverWordSize> EncodeDriverWord(std::uint32_t value) {
    std::array<std::uint8_t, kDriverWordSize> bytes{};
    PutUint32(bytes.data(), value);
    return bytes;
}

inline std::uint32_t DecodeDriverWord(std::span<const std::uint8_t, kDriverWordSize> bytes) {
    return GetUint32(bytes.data());
}
