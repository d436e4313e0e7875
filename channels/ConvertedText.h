// Small text helpers shared by the readers of other programs' channel files, which are UTF-8
// text from outside: lines, trimming, strict numbers and decoding of names.
//
// Pure functions; any thread.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvalen {

// Calls line(number, text) for each line of `text`, numbered from 1, without its line end (LF
// or CR LF).
template <typename Line>
void ForEachTextLine(std::string_view text, Line&& line) {
    std::size_t number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        std::string_view current = text.substr(0, end);
        if (!current.empty() && current.back() == '\r') current.remove_suffix(1);
        line(++number, current);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
}

// `text` without blanks and tabs at either end.
std::string_view TrimBlanks(std::string_view text);

// The decimal number `text` is made of (digits only, at most 4294967295), or none.
std::optional<std::uint32_t> ParseUnsigned(std::string_view text);

// UTF-8 `text` as UTF-16, each ill-formed part as one U+FFFD.
std::u16string FromUtf8(std::string_view text);

// Whether two ASCII texts are equal without regard to letter case.
bool SameWord(std::string_view a, std::string_view b);

}  // namespace orvalen
