#include "dialogs/MmiText.h"

#include <algorithm>
#include <optional>
#include <string_view>

#include "text/CodePage.h"

namespace {

constexpr std::uint32_t kIso8859Base = 28590;  // + the part number
constexpr std::uint32_t kAnsiCodePage = 0;

// Code pages of the one-byte selectors 0x01..0x15; nullopt where the selector is not one byte or
// names a table the program does not decode.
constexpr std::optional<std::uint32_t> kOneByteCodePage[0x16] = {
    std::nullopt,   // 0x00: no selector
    28595,          // 0x01: ISO 8859-5, Cyrillic
    28596,          // 0x02: ISO 8859-6, Arabic
    28597,          // 0x03: ISO 8859-7, Greek
    28598,          // 0x04: ISO 8859-8, Hebrew
    28599,          // 0x05: ISO 8859-9, Turkish
    kAnsiCodePage,  // 0x06
    kAnsiCodePage,  // 0x07
    kAnsiCodePage,  // 0x08
    28603,          // 0x09: ISO 8859-13, Baltic
    kAnsiCodePage,  // 0x0A
    28605,          // 0x0B: ISO 8859-15, Latin-9
    kAnsiCodePage,  // 0x0C
    kAnsiCodePage,  // 0x0D
    kAnsiCodePage,  // 0x0E
    kAnsiCodePage,  // 0x0F
    std::nullopt,   // 0x10: three-byte selector
    std::nullopt,   // 0x11: two-byte characters, not supported
    kAnsiCodePage,  // 0x12
    936,            // 0x13: Simplified Chinese
    950,            // 0x14: Traditional Chinese
    65001,          // 0x15: UTF-8
};

struct Selector {
    std::size_t length = 0;
    bool supported = true;
};

Selector SelectorOf(std::uint8_t first) {
    if (first == 0x00 || first >= 0x20) {
        return {0, true};
    }
    if (first == 0x10) {
        return {3, true};
    }
    if (first == 0x1F) {
        return {2, true};
    }
    if (first < 0x16 && kOneByteCodePage[first]) {
        return {1, true};
    }
    return {0, false};
}

std::uint32_t CodePageOf(std::span<const std::uint8_t> selector) {
    switch (selector.size()) {
        case 1:
            return *kOneByteCodePage[selector[0]];
        case 3:
            return kIso8859Base + selector[2];
        default:
            return kMmiDefaultCodePage;
    }
}

struct Extent {
    std::size_t length = 0;   // selector and text, without the NUL
    bool terminated = false;  // whether a NUL follows
};

Extent ExtentOf(std::span<const std::uint8_t> bytes) {
    if (bytes.empty()) {
        return {};
    }
    const std::size_t start = std::min(SelectorOf(bytes[0]).length, bytes.size());
    const auto nul = std::find(bytes.begin() + start, bytes.end(), std::uint8_t{0});
    return {static_cast<std::size_t>(nul - bytes.begin()), nul != bytes.end()};
}

}  // namespace

std::size_t MmiStringSize(std::span<const std::uint8_t> bytes) {
    const Extent extent = ExtentOf(bytes);
    return extent.length + (extent.terminated ? 1 : 0);
}

MmiText DecodeMmiText(std::span<const std::uint8_t> bytes) {
    MmiText result;
    const Extent extent = ExtentOf(bytes);
    const auto string = bytes.first(extent.length);
    if (string.empty()) {
        return result;
    }
    const Selector selector = SelectorOf(string[0]);
    if (!selector.supported) {
        result.text = kMmiUnsupportedText;
        return result;
    }
    if (string.size() < selector.length) {
        return result;  // a selector cut by the end of the text: nothing to show
    }
    std::copy_n(string.begin(), selector.length, result.selector.begin());
    result.selectorLength = static_cast<std::int32_t>(selector.length);
    result.codePage = CodePageOf(string.first(selector.length));

    const std::size_t end = std::min(string.size(), kMmiStringLimit);
    const bool cut = !extent.terminated || string.size() > kMmiStringLimit;
    const std::string_view encoded(reinterpret_cast<const char*>(string.data()) + selector.length,
                                   end - selector.length);
    auto text = DecodeCodePage(result.codePage, encoded, cut ? TextEnd::Cut : TextEnd::Complete);
    if (!text) {  // the table's code page is not available
        result.text = kMmiUnsupportedText;
        return result;
    }
    std::erase_if(*text, [](char16_t c) { return c >= 0x80 && c <= 0x9F; });
    result.text = std::move(*text);
    return result;
}
