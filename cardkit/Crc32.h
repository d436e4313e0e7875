// The CRC-32 that ends every PSI/SI section (polynomial 0x04C11DB7, initial value all ones, no
// reflection, no final inversion): a section including its CRC checks to 0.
#pragma once

#include <cstdint>
#include <span>

namespace cardkit {

std::uint32_t Crc32Mpeg(std::span<const std::uint8_t> bytes);

}  // namespace cardkit
