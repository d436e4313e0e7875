// Conversion between 8-bit text in a Windows-numbered code page and UTF-16, over glibc's iconv.
//
// Code pages: 28591-28606 are ISO 8859 parts 1-16 (where the part exists), 936 and 950 the
// Simplified and Traditional Chinese double-byte sets, 65001 UTF-8, and 0 the character set of
// the user's locale (the environment's LC_ALL / LC_CTYPE / LANG), which plays the role of the
// "ANSI code page". Both directions report failure (nullopt) rather than guess: a byte sequence
// that is not valid in the code page, a character the code page cannot represent, or a code page
// iconv does not provide all fail. There is no default character.
//
// Thread-safe: every call opens its own conversion descriptor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// Decodes all of `bytes` (embedded NULs included) to UTF-16.
std::optional<std::u16string> DecodeCodePage(std::uint32_t codePage, std::string_view bytes);

// Encodes all of `text` in the code page; fails when the result would exceed `maxBytes`.
std::optional<std::string> EncodeCodePage(std::uint32_t codePage, std::u16string_view text,
                                          std::size_t maxBytes);
