// One string of a CAM's MMI object: its character-table selector (the first bytes of the string,
// as DVB text carries them), the code page that selector names, and the decoded text.
//
// Pure functions over buffers; no Qt, thread-safe.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

inline constexpr std::uint32_t kMmiDefaultCodePage = 28591;  // ISO 8859-1: no selector
inline constexpr std::size_t kMmiStringLimit = 256;          // bytes decoded, selector included
inline constexpr char16_t kMmiUnsupportedText[] = u"CHAR ENCODING";

struct MmiText {
    std::u16string text;
    std::array<std::uint8_t, 3> selector{};
    std::int32_t selectorLength = 0;
    std::uint32_t codePage = kMmiDefaultCodePage;
};

// Bytes taken by the string that starts at bytes[0]: its selector, its text and its NUL. The NUL
// is looked for after the selector, because a selector may itself hold a zero byte (0x10 0x00 n).
// A string without a NUL runs to the end of `bytes`.
std::size_t MmiStringSize(std::span<const std::uint8_t> bytes);

// Decodes the string that starts at bytes[0]. At most kMmiStringLimit bytes are decoded; a
// character cut in two by that limit or by the end of `bytes` is dropped, and every other byte
// sequence the table does not have shows as U+FFFD. The control codes U+0080..U+009F (emphasis
// on/off, line break) are removed. A selector for a table the program does not support, or whose
// code page is unavailable, gives the text kMmiUnsupportedText.
MmiText DecodeMmiText(std::span<const std::uint8_t> bytes);
