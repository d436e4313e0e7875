// Conversion between 8-bit text in a Windows-numbered code page and UTF-16, over glibc's iconv.
//
// Code pages: 28591-28606 are ISO 8859 parts 1-16 (where the part exists), 936 and 950 the
// Simplified and Traditional Chinese double-byte sets, 20269 ISO 6937, 65001 UTF-8, and 0 the
// character set of the user's locale (the environment's LC_ALL / LC_CTYPE / LANG), which plays the
// role of the "ANSI code page". Decoding shows what it can, as the platform's own conversion does:
// each byte sequence that is not valid in the code page becomes one U+FFFD and the rest of the text
// is kept. Encoding has no default character: a character the code page cannot represent fails it.
// A code page iconv does not provide fails both directions (nullopt).
//
// Thread-safe: every call opens its own conversion descriptor.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// How the bytes handed to DecodeCodePage end: with the text (Complete), or somewhere inside a
// longer text (Cut), where a character left incomplete at the end was cut in two, not spoilt.
enum class TextEnd { Complete, Cut };

// Decodes all of `bytes` (embedded NULs included) to UTF-16, one U+FFFD for each undecodable
// sequence (the longest start of a character that the code page takes before it fails). With
// TextEnd::Cut, an incomplete character at the very end is dropped instead.
std::optional<std::u16string> DecodeCodePage(std::uint32_t codePage, std::string_view bytes,
                                             TextEnd end = TextEnd::Complete);

// Encodes all of `text` in the code page; fails when the result would exceed `maxBytes`.
std::optional<std::string> EncodeCodePage(std::uint32_t codePage, std::u16string_view text,
                                          std::size_t maxBytes);
