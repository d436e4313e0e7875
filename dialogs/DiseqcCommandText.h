// The text form of a raw DiSEqC message in the DiSEqC command dialog: hexadecimal bytes separated
// by spaces ("E0 10 38 F0").
//
// Pure functions over buffers; no Qt, thread-safe.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

inline constexpr std::int32_t kDiseqcMaxBytes = 8;
inline constexpr std::int32_t kDiseqcMinBytes = 3;        // framing, address, command
inline constexpr std::uint8_t kDiseqcFramingByte = 0xE0;  // command from master, no reply
inline constexpr int kDiseqcTextLimit = 23;               // 8 two-digit bytes and 7 spaces

struct DiseqcMessage {
    std::array<std::uint8_t, kDiseqcMaxBytes> bytes{};
    std::int32_t length = 0;
};

// Upper-case two-digit bytes, one space apart. The first byte is always written; `length` is
// kept within the 8 bytes.
std::u16string FormatDiseqcCommand(const std::array<std::uint8_t, kDiseqcMaxBytes>& bytes,
                                   std::int32_t length);

// Reads typed text: tokens separated by runs of spaces, each a hexadecimal number read the way
// the C library's wide unsigned conversion reads one (leading white space, an optional sign, an
// optional 0X prefix), with no character after it and a value of at most 255. Accepts 3 to 8
// tokens starting with E0; anything else is refused (nullopt).
std::optional<DiseqcMessage> ParseDiseqcCommand(std::u16string_view text);
