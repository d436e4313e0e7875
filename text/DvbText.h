// DVB text, as service names and CAM menus carry it: when the first byte is below 0x20 it selects
// the character table of the rest (0x01-0x0B one of the ISO 8859 parts, 0x10 0x00 N ISO 8859
// part N, 0x13/0x14 the Chinese sets, 0x15 UTF-8, 0x1F an encoding id and its byte); otherwise
// the whole text is in the default table, which differs between its users. The bytes 0x80-0x9F
// of the one-byte tables (0xC2 0x80-0x9F in UTF-8) are control codes (emphasis on and off, line
// break) and are dropped from the decoded text.
//
// Pure functions over buffers; thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "text/CodePage.h"

// Code page 20269: ISO 6937, the Latin table (with its non-spacing diacritics) that service
// information uses when a text has no selector.
inline constexpr std::uint32_t kDvbServiceInfoDefaultCodePage = 20269;

struct DvbTextSelector {
    std::size_t length = 0;  // bytes of the selector; 0 when the text has none
    bool supported = true;   // false: a table the program does not decode
};

// The selector that a text starting with `first` begins with.
DvbTextSelector DvbTextSelectorOf(std::uint8_t first);

// The code page of a supported selector (its bytes, as long as DvbTextSelectorOf says), or
// `defaultCodePage` for none.
std::uint32_t DvbTextCodePage(std::span<const std::uint8_t> selector,
                              std::uint32_t defaultCodePage);

// Decodes `body` (the text behind its selector) in `codePage` and drops the control codes;
// nullopt when the code page is not available.
std::optional<std::u16string> DecodeDvbTextBody(std::uint32_t codePage, std::string_view body,
                                                TextEnd end = TextEnd::Complete);

// Decodes a whole length-delimited text of service information, selector included, to UTF-8
// (the selectors 0x06, 0x07 and 0x0A naming ISO 8859-10, -11 and -14 there, unlike in the CAM's
// menus); nullopt for a table the program does not decode or a selector cut short.
std::optional<std::string> DecodeDvbTextToUtf8(std::span<const std::uint8_t> text,
                                               std::uint32_t defaultCodePage);
