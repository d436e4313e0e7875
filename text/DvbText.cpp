#include "text/DvbText.h"

#include <algorithm>

namespace {

constexpr std::uint32_t kIso8859Base = 28590;  // + the part number
constexpr std::uint32_t kAnsiCodePage = 0;
constexpr std::uint32_t kUtf8CodePage = 65001;
// UTF-8 is at most 3 bytes per UTF-16 unit.
constexpr std::size_t kUtf8BytesPerUnit = 3;

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
    kUtf8CodePage,  // 0x15: UTF-8
};

// Where service information and the CAM's menus part: the menus read these one-byte selectors
// in the system's code page, service information in their ISO 8859 parts (10, 11 and 14).
std::uint32_t ServiceInfoCodePage(std::span<const std::uint8_t> selector,
                                  std::uint32_t defaultCodePage) {
    if (selector.size() == 1) {
        switch (selector[0]) {
            case 0x06:
                return kIso8859Base + 10;
            case 0x07:
                return kIso8859Base + 11;
            case 0x0A:
                return kIso8859Base + 14;
            default:
                break;
        }
    }
    return DvbTextCodePage(selector, defaultCodePage);
}

}  // namespace

DvbTextSelector DvbTextSelectorOf(std::uint8_t first) {
    if (first == 0x00 || first >= 0x20) return {0, true};
    if (first == 0x10) return {3, true};
    if (first == 0x1F) return {2, true};
    if (first < 0x16 && kOneByteCodePage[first]) return {1, true};
    return {0, false};
}

std::uint32_t DvbTextCodePage(std::span<const std::uint8_t> selector,
                              std::uint32_t defaultCodePage) {
    switch (selector.size()) {
        case 1:
            return *kOneByteCodePage[selector[0]];
        case 3:
            return kIso8859Base + selector[2];
        default:
            return defaultCodePage;
    }
}

std::optional<std::u16string> DecodeDvbTextBody(std::uint32_t codePage, std::string_view body,
                                                TextEnd end) {
    auto text = DecodeCodePage(codePage, body, end);
    if (text) std::erase_if(*text, [](char16_t c) { return c >= 0x80 && c <= 0x9F; });
    return text;
}

std::optional<std::string> DecodeDvbTextToUtf8(std::span<const std::uint8_t> text,
                                               std::uint32_t defaultCodePage) {
    if (text.empty()) return std::string();
    const DvbTextSelector selector = DvbTextSelectorOf(text[0]);
    if (!selector.supported || text.size() < selector.length) return std::nullopt;
    const std::uint32_t codePage =
        ServiceInfoCodePage(text.first(selector.length), defaultCodePage);
    const auto body = text.subspan(selector.length);
    const auto decoded =
        DecodeDvbTextBody(codePage, {reinterpret_cast<const char*>(body.data()), body.size()});
    if (!decoded) return std::nullopt;
    return EncodeCodePage(kUtf8CodePage, *decoded, decoded->size() * kUtf8BytesPerUnit + 1);
}
