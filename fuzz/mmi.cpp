// An MMI object of arbitrary bytes: the header words (type, count, text length) and the text,
// walked as the CAM menu dialog walks it, within the reported length.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

#include "dialogs/MmiStrings.h"

namespace {
std::uint32_t Word(const std::uint8_t* p) {
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 8) return 0;
    const std::uint32_t count = Word(data);
    const std::uint32_t textLength = Word(data + 4);
    std::uint8_t text[2048] = {};
    const std::size_t textBytes = std::min<std::size_t>(size - 8, sizeof text);
    std::memcpy(text, data + 8, textBytes);
    const auto reported = std::span<const std::uint8_t>(text).first(
        std::min<std::size_t>(textLength, sizeof text));
    const std::size_t items = count == 255 ? 0 : count;
    const auto strings = DecodeMmiStrings(reported, 3 + items);
    for (const MmiText& s : strings) {
        if (s.selectorLength < 0 || s.selectorLength > 3) __builtin_trap();
        for (char16_t c : s.text) {
            if (c >= 0x80 && c <= 0x9F) __builtin_trap();
        }
    }
    DecodeMmiText(std::span<const std::uint8_t>(data, size));
    return 0;
}
