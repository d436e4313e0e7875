// The CAM's name as CARD_CI_CAM_NAME returns it: 8-bit text in the ANSI code page,
// NUL-terminated inside 256 bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

inline constexpr std::size_t kCamNameBytes = 256;

// The driver's side: the text, cut to 255 bytes, then NUL, the rest 0.
std::array<std::uint8_t, kCamNameBytes> EncodeCamName(std::string_view name);

// Copies the answer into `out` up to and including its first NUL (at most 256 bytes) and
// terminates `out` at byte 255 whatever the driver sent; bytes of `out` past the copied NUL keep
// what they held.
void DecodeCamName(std::span<const std::uint8_t, kCamNameBytes> answer,
                   std::array<std::uint8_t, kCamNameBytes>& out);
